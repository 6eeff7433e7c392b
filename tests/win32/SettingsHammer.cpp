// One of several of our programs at one provider's key at once, saving or loading over and over:
//   SettingsHammer write FIRST COUNT   saves (v, v, v) COUNT times, v running FIRST to FIRST + 8
//   SettingsHammer read COUNT          loads COUNT times; the exit status is how many loads saw
//                                      a triple nobody saved (at most 200)
// Any failure ends it with kFailed.
#include "SettingsStore.h"

#include <cstdio>
#include <exception>
#include <string>

namespace {

constexpr int kFailed = 250; // as ConcurrentSavesTest expects
constexpr int kMostMixed = 200;

int Write(int first, int count) {
    for (int i = 0; i < count; ++i) {
        const std::int32_t value = first + i % 9;
        tessaport::SettingsStore::WriteDriverSettings("Advantech", {value, value, value});
    }
    return 0;
}

int Read(int count) {
    int mixed = 0;
    for (int i = 0; i < count; ++i) {
        const tessaport::DriverSettings seen =
            tessaport::SettingsStore::ReadDriverSettings("Advantech");
        if (seen.diStartAddress != seen.numberOfCards ||
            seen.doStartAddress != seen.numberOfCards) {
            ++mixed;
        }
    }
    return mixed < kMostMixed ? mixed : kMostMixed;
}

} // namespace

int main(int argc, char **argv) {
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "write" && argc == 4) {
            return Write(std::stoi(argv[2]), std::stoi(argv[3]));
        }
        if (mode == "read" && argc == 3) {
            return Read(std::stoi(argv[2]));
        }
        std::fprintf(stderr, "usage: SettingsHammer write FIRST COUNT | read COUNT\n");
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "SettingsHammer: %s\n", failure.what());
    }
    return kFailed;
}
