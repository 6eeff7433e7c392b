#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// The current environment with some variables set (a value) or removed (nullopt).
std::vector<std::string>
EnvironmentWith(const std::map<std::string, std::optional<std::string>> &changes);

struct ChildRun {
    double toFirstPaintMs; // from just before the start to the first paint it reports
    double toExitMs;       // from just before the start to the reaped exit
    long peakResidentKib;
};

// Runs a probe to its end with the given environment. Raises EBenchError unless it reports its
// first paint and exits with status 0.
ChildRun RunToCompletion(const std::string &program, const std::vector<std::string> &environment);
