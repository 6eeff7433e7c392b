#pragma once

#include "ERegistryError.h"

#include <cstddef>
#include <string>

namespace tessaport {

// The hive's text cannot be read safely. The message names the file, the line and the reason.
class ERegSyntaxError : public ERegistryError {
public:
    ERegSyntaxError(const std::string &source, std::size_t line, const std::string &reason)
        : ERegistryError(source + ", line " + std::to_string(line) + ": " + reason), line_(line) {}

    std::size_t Line() const { return line_; }

private:
    std::size_t line_;
};

} // namespace tessaport
