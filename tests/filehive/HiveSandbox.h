#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaport::testing {

// A temporary folder holding the hive "registry.reg", with TESSAPORT_REGISTRY pointing at it
// for the sandbox's life (restored afterwards). Everything is removed at the end.
class HiveSandbox {
public:
    HiveSandbox();
    ~HiveSandbox();
    HiveSandbox(const HiveSandbox &) = delete;
    HiveSandbox &operator=(const HiveSandbox &) = delete;

    const std::filesystem::path &Folder() const { return folder_; }
    const std::filesystem::path &Hive() const { return hive_; }
    // Points TESSAPORT_REGISTRY somewhere else inside (or outside) the sandbox.
    void PointAt(const std::filesystem::path &path);

    void WriteHive(std::string_view bytes) const;
    std::string ReadHive() const;
    // Temporary files of a write that were left in the hive's folder.
    std::vector<std::string> LeftoverTempFiles() const;

private:
    std::filesystem::path folder_;
    std::filesystem::path hive_;
    std::optional<std::string> previous_;
};

std::string ReadBytes(const std::filesystem::path &path);
void WriteBytes(const std::filesystem::path &path, std::string_view bytes);

} // namespace tessaport::testing
