// Times the settings store on hives of growing size, each beside a baseline measured in the same
// run: reading the same file's bytes (for reads) and replacing a file of the same size durably
// (for writes). Run: build/bench/store/store_bench --benchmark_repetitions=9
//                         --benchmark_report_aggregates_only=true
#include "SettingsStore.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tessaport;

// A hive of `keys` provider keys with three dwords each; Advantech sits in the middle.
fs::path MakeHive(std::int64_t keys) {
    const fs::path folder =
        fs::temp_directory_path() / ("tessaport-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path hive = folder / ("hive-" + std::to_string(keys) + ".reg");
    std::ofstream out(hive, std::ios::binary);
    out << "Windows Registry Editor Version 5.00\r\n";
    char line[128];
    for (std::int64_t i = 0; i < keys; ++i) {
        const bool target = i == keys / 2;
        if (target) {
            out << "\r\n[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Advantech]\r\n";
        } else {
            std::snprintf(line, sizeof line,
                          "\r\n[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Card%07lld]\r\n",
                          static_cast<long long>(i));
            out << line;
        }
        std::snprintf(line, sizeof line,
                      "\"NumberOfCards\"=dword:%08llx\r\n\"PIIBeginAddress\"=dword:%08llx\r\n"
                      "\"PIQBeginAddress\"=dword:%08llx\r\n",
                      static_cast<long long>(i % 20), static_cast<long long>(i % 50),
                      static_cast<long long>((i + 1) % 50));
        out << line;
    }
    out << "\r\n";
    return hive;
}

void UseHive(const fs::path &hive) {
    ::setenv("TESSAPORT_REGISTRY", hive.c_str(), 1);
}

void BM_ReadDriverSettings(benchmark::State &state) {
    UseHive(MakeHive(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(SettingsStore::ReadDriverSettings("Advantech"));
    }
}

void BM_WriteDriverSettings(benchmark::State &state) {
    UseHive(MakeHive(state.range(0)));
    std::int32_t value = 0;
    for (auto _ : state) {
        value = (value + 1) % 20;
        SettingsStore::WriteDriverSettings("Advantech", {value, 10, 20});
    }
}

// Baseline for reads: the bytes of the same file, read whole and nothing parsed.
void BM_BaselineReadFile(benchmark::State &state) {
    const fs::path hive = MakeHive(state.range(0));
    for (auto _ : state) {
        std::ifstream in(hive, std::ios::binary);
        std::string bytes(fs::file_size(hive), '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        benchmark::DoNotOptimize(bytes);
    }
}

// Baseline for writes: one durable replacement of a file of the same size (write, fsync, rename,
// fsync of the folder). A store write does this once, for all three values.
void BM_BaselineReplaceFile(benchmark::State &state) {
    const fs::path hive = MakeHive(state.range(0));
    std::ifstream in(hive, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const fs::path temporary = hive.string() + ".new";
    for (auto _ : state) {
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 ||
            ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
            ::fsync(fd) != 0 || ::close(fd) != 0 ||
            ::rename(temporary.c_str(), hive.c_str()) != 0) {
            state.SkipWithError("baseline replacement failed");
            break;
        }
        const int folder = ::open(hive.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
        ::fsync(folder);
        ::close(folder);
    }
}

BENCHMARK(BM_BaselineReadFile)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadDriverSettings)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BaselineReplaceFile)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteDriverSettings)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(fs::temp_directory_path() / ("tessaport-bench-" + std::to_string(::getpid())),
                   ignored);
}
