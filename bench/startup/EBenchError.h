#pragma once

#include <stdexcept>

// The benchmark could not set up or run a probe.
class EBenchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
