#pragma once

#include "ShellCommand.h"

#include <filesystem>
#include <optional>
#include <string>

namespace tessaport::testing {

struct ToolOutcome {
    int status;
    std::string out;
    std::string err;
};

// tessaport-reg run through the shell with `arguments` (quoted as the shell needs), in the
// environment of the test: TESSAPORT_REGISTRY names the scratch hive.
ToolOutcome RunTool(const std::string &arguments);

// The whole file, or nullopt when there is none.
std::optional<std::string> ReadFile(const std::filesystem::path &path);
void WriteFile(const std::filesystem::path &path, const std::string &bytes);

// The hive that TESSAPORT_REGISTRY names.
std::filesystem::path CurrentHive();

} // namespace tessaport::testing
