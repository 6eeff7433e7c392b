#include "ToolRun.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace tessaport::testing {

std::optional<std::string> ReadFile(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

ToolOutcome RunTool(const std::string &arguments) {
    const std::filesystem::path errors = std::filesystem::temp_directory_path() /
                                         ("tessaport-cli-stderr-" + std::to_string(::getpid()));
    const ShellOutcome outcome = RunShell(std::string(TESSAPORT_REG_TOOL) + " " + arguments +
                                          " 2>'" + errors.string() + "'");
    ToolOutcome result{outcome.status, outcome.output, ReadFile(errors).value_or("")};
    std::filesystem::remove(errors);
    return result;
}

std::filesystem::path CurrentHive() {
    const char *hive = std::getenv("TESSAPORT_REGISTRY");
    if (hive == nullptr) {
        throw std::runtime_error("TESSAPORT_REGISTRY is not set");
    }
    return hive;
}

} // namespace tessaport::testing
