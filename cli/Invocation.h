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

enum class Command { Help, Version, Get, Set, Delete, Export, Import };

// What the command line asks for, checked: providers in the catalogue's spelling, values within
// their lists.
struct Invocation {
    Command command = Command::Help;
    // Help: the command whose help is asked for; Help itself for the whole help.
    Command helpTopic = Command::Help;
    bool json = false;
    bool check = false;
    bool quiet = false;
    // export: keys for 32-bit Windows, without WOW6432Node, whatever this system uses.
    bool for32BitWindows = false;
    // get: the one provider asked for, or all of them; set, delete: the one provider.
    std::vector<std::string> providers;
    bool everyProvider = false; // get without a provider
    DriverSettings settings;    // set
    std::string file;           // export (empty: standard output), import ("-": standard input)
};

// Raises EUsageError for anything else than the synopsis allows.
Invocation ParseCommandLine(const std::vector<std::string> &args);

// Whether the command line asks for JSON, even one that does not parse: a usage error is then
// reported as JSON too.
bool AsksForJson(const std::vector<std::string> &args);

} // namespace tessaport
