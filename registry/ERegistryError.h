#pragma once

#include <stdexcept>
#include <string>

namespace tessaport {

// A failure of the registry layer. The message names the file or key, the value and the reason.
class ERegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    // A value asked for while no key is open; `action` is "read", "write" or "look for".
    static ERegistryError NoKeyOpen(const std::string &action, const std::string &name) {
        return ERegistryError("cannot " + action + " \"" + name + "\": no key is open");
    }
};

} // namespace tessaport
