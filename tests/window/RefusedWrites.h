#pragma once

#include <memory>

namespace tessaport::testing {

// While it lives, the registry refuses to create the settings key of a provider that has none
// yet: a hive path below a regular file off Windows, a volatile parent key on Windows (a key
// that persists cannot be created below one that does not). Create it with no settings key.
class RefusedWrites {
public:
    RefusedWrites();
    ~RefusedWrites();
    RefusedWrites(const RefusedWrites &) = delete;
    RefusedWrites &operator=(const RefusedWrites &) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace tessaport::testing
