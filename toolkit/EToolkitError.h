#pragma once

#include <stdexcept>

namespace tessaport {

// The windowing system refused something the program cannot do without: a window, a control.
class EToolkitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tessaport
