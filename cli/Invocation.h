#pragma once

#include "DriverSettings.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tessaport {

// A command line that cannot be run; the message says why.
class EUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Command { Help, Version, Get, Set, Export, Import };

// What the command line asks for, checked: providers in the catalogue's spelling, values within
// their lists.
struct Invocation {
    Command command = Command::Help;
    bool json = false;
    bool check = false;
    // get: the one provider asked for, or all of them; set: the one provider.
    std::vector<std::string> providers;
    bool everyProvider = false; // get without a provider
    DriverSettings settings;    // set
    std::string file;           // export (empty: standard output), import
};

// Raises EUsageError for anything else than the synopsis allows.
Invocation ParseCommandLine(const std::vector<std::string> &args);

} // namespace tessaport
