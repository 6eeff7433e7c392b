#include "AccessKey.h"

#include "EToolkitError.h"

#include <cctype>
#include <map>

namespace tessaport {

namespace {

char Folded(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

} // namespace

std::string WithAccessKey(std::string_view caption, char key) {
    std::string marked;
    bool placed = key == '\0';
    for (const char c : caption) {
        if (!placed && Folded(c) == Folded(key)) {
            marked += '&';
            placed = true;
        } else if (c == '&') {
            marked += '&';
        }
        marked += c;
    }
    if (!placed) {
        throw EToolkitError("The access key " + std::string(1, key) + " is not in the caption \"" +
                            std::string(caption) + "\".");
    }
    return marked;
}

std::string WithoutAccessKey(std::string_view text) {
    std::string caption;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
        }
        caption += text[i];
    }
    return caption;
}

void CheckAccessKeys(const std::vector<const ControlDescription *> &controls) {
    std::map<char, std::string_view> owners;
    for (const ControlDescription *control : controls) {
        if (control->accessKey == '\0') {
            continue;
        }
        const auto [owner, added] = owners.emplace(Folded(control->accessKey), control->name);
        if (!added) {
            throw EToolkitError("The access key " + std::string(1, control->accessKey) +
                                " belongs to both " + std::string(owner->second) + " and " +
                                std::string(control->name) + ".");
        }
    }
}

} // namespace tessaport
