#include "HiveSandbox.h"

#include "HiveLocation.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tessaport::testing {

namespace fs = std::filesystem;

HiveSandbox::HiveSandbox() {
    std::string pattern = (fs::temp_directory_path() / "tessaport-hive-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) {
        throw std::runtime_error("cannot create " + pattern);
    }
    folder_ = name.data();
    hive_ = folder_ / "registry.reg";
    if (const char *previous = std::getenv(HiveLocation::kVariable)) {
        previous_ = previous;
    }
    PointAt(hive_);
}

HiveSandbox::~HiveSandbox() {
    if (previous_) {
        ::setenv(HiveLocation::kVariable, previous_->c_str(), 1);
    } else {
        ::unsetenv(HiveLocation::kVariable);
    }
    std::error_code ignored;
    // Tests may leave folders without write or search rights behind.
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (fs::recursive_directory_iterator entry(folder_, ignored), end; entry != end;
         entry.increment(ignored)) {
        if (entry->is_directory(ignored) && !entry->is_symlink(ignored)) {
            fs::permissions(entry->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::remove_all(folder_, ignored);
}

void HiveSandbox::PointAt(const fs::path &path) {
    ::setenv(HiveLocation::kVariable, path.c_str(), 1);
}

void HiveSandbox::WriteHive(std::string_view bytes) const {
    WriteBytes(hive_, bytes);
}

std::string HiveSandbox::ReadHive() const {
    return ReadBytes(hive_);
}

std::vector<std::string> HiveSandbox::LeftoverTempFiles() const {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder_)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos) {
            names.push_back(name);
        }
    }
    return names;
}

std::string ReadBytes(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const fs::path &path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

} // namespace tessaport::testing
