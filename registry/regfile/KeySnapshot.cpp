#include "KeySnapshot.h"

#include "RegNames.h"

namespace tessaport {

const KeySnapshot::Entry *KeySnapshot::Find(std::string_view name) const {
    const auto found = values.find(Folded(name));
    return found == values.end() ? nullptr : &found->second;
}

std::map<std::string, RegValue> KeySnapshot::Values() const {
    std::map<std::string, RegValue> plain;
    for (const auto &[folded, entry] : values) {
        plain.emplace(folded, entry.value);
    }
    return plain;
}

} // namespace tessaport
