// Start-up of the configuration window against a bare Qt Widgets window: time from starting the
// process to the window's first paint (settings loaded), and peak memory. The probes take turns,
// offscreen and on an Xvfb server.
// usage: startup_bench [RUNS]
#include "ChildProcess.h"
#include "EBenchError.h"
#include "SettingsStore.h"
#include "XvfbServer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr double kTimeTarget = 1.3;
constexpr double kMemoryTarget = 1.25;
constexpr int kWarmUpRuns = 3;

// A fresh folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "tessaport-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            throw EBenchError("cannot create a temporary folder");
        }
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;
    const fs::path &Path() const { return path_; }

private:
    fs::path path_;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Probe {
    std::string program;
    std::vector<double> toFirstPaintMs;
    std::vector<double> toExitMs;
    std::vector<double> peakMib;
};

void Report(const char *platform, const char *measure, const char *unit,
            const std::vector<Probe> &probes, std::vector<double> Probe::*samples, double target) {
    const double bare = Median(probes[0].*samples);
    const double text = Median(probes[1].*samples);
    const double config = Median(probes[2].*samples);
    std::printf("%-9s %-11s | bare %6.1f %-3s | text %6.1f %-3s | config %6.1f %-3s | "
                "config/bare %.2fx %-4s | config/text %.2fx\n",
                platform, measure, bare, unit, text, unit, config, unit, config / bare,
                target == 0               ? ""
                : config / bare <= target ? "ok"
                                          : "OVER",
                config / text);
}

void Measure(const char *platform, const std::vector<std::string> &environment, int runs) {
    // In the order Report() expects.
    std::vector<Probe> probes{{TESSAPORT_BARE_PROBE, {}, {}, {}},
                              {TESSAPORT_TEXT_PROBE, {}, {}, {}},
                              {TESSAPORT_CONFIG_PROBE, {}, {}, {}}};
    for (int i = 0; i < kWarmUpRuns; ++i) {
        for (const Probe &probe : probes) {
            RunToCompletion(probe.program, environment);
        }
    }
    for (int i = 0; i < runs; ++i) {
        // Taking turns, with a different probe first each round, spreads drift over all.
        for (std::size_t turn = 0; turn < probes.size(); ++turn) {
            Probe &probe = probes[(i + turn) % probes.size()];
            const ChildRun run = RunToCompletion(probe.program, environment);
            probe.toFirstPaintMs.push_back(run.toFirstPaintMs);
            probe.toExitMs.push_back(run.toExitMs);
            probe.peakMib.push_back(run.peakResidentKib / 1024.0);
        }
    }
    Report(platform, "first paint", "ms", probes, &Probe::toFirstPaintMs, kTimeTarget);
    Report(platform, "peak memory", "MiB", probes, &Probe::peakMib, kMemoryTarget);
    Report(platform, "to exit", "ms", probes, &Probe::toExitMs, 0);
    std::fflush(stdout);
}

int Run(int runs) {
    TempFolder folder;
    const fs::path runtime = folder.Path() / "runtime";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    const std::string hive = (folder.Path() / "registry.reg").string();

    // The window loads real settings, as on a configured machine.
    ::setenv("TESSAPORT_REGISTRY", hive.c_str(), 1);
    tessaport::SettingsStore::WriteDriverSettings("Advantech", {3, 10, 20});

    std::printf("Medians of %d runs of each probe after %d warm-up runs. bare: an empty QWidget; "
                "text: the same with one label; config: the configuration window with its "
                "settings loaded.\nTargets: config/bare time to the first paint <= %.2fx, peak "
                "memory <= %.2fx. The time to exit includes tearing down.\n",
                runs, kWarmUpRuns, kTimeTarget, kMemoryTarget);

    Measure("offscreen",
            EnvironmentWith({{"QT_QPA_PLATFORM", "offscreen"},
                             {"XDG_RUNTIME_DIR", runtime.string()},
                             {"TESSAPORT_REGISTRY", hive}}),
            runs);

    const XvfbServer server;
    Measure("xvfb",
            EnvironmentWith({{"QT_QPA_PLATFORM", std::nullopt},
                             {"WAYLAND_DISPLAY", std::nullopt},
                             {"DISPLAY", server.Display()},
                             {"XDG_RUNTIME_DIR", runtime.string()},
                             {"TESSAPORT_REGISTRY", hive}}),
            runs);
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 40;
    if (runs < 1) {
        std::cerr << "usage: startup_bench [RUNS]\n";
        return 2;
    }
    try {
        return Run(runs);
    } catch (const std::exception &failure) {
        std::cerr << "startup_bench: " << failure.what() << "\n";
        return 1;
    }
}
