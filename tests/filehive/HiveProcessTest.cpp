// Several processes at one hive: a writer killed at any moment, and writers racing each other
// while a reader polls.
#include "ERegistryError.h"
#include "FileHive.h"
#include "HiveSandbox.h"
#include "RegDocument.h"
#include "RegText.h"
#include "SettingsStore.h"
#include "TRegistry.h"

#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <poll.h>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tessaport {
namespace {

using testing::HiveSandbox;

const std::string kKey = "Software\\Korvanta\\Tessaport\\Advantech";
const std::string kHeader = "[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Advantech]";
const std::string kOther = "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n\"Keep\"=\"this\"\r\n";

// Runs `body` in a child process; the child's exit status tells whether it threw.
pid_t Spawn(const std::function<void()> &body) {
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            body();
        } catch (const std::exception &failure) {
            std::fprintf(stderr, "child %d: %s\n", static_cast<int>(::getpid()), failure.what());
            std::_Exit(1);
        }
        std::_Exit(0);
    }
    return child;
}

int ExitStatusOf(pid_t child) {
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

std::int32_t ReadCounter() {
    TRegistry registry(kKeyRead);
    registry.RootKey(kHKeyLocalMachine);
    if (!registry.OpenKey(kKey, false)) {
        throw ERegistryError("the key is gone");
    }
    return registry.ReadInteger("Counter");
}

TEST(HiveProcesses, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
    HiveSandbox sandbox;
    sandbox.WriteHive("Windows Registry Editor Version 5.00\r\n\r\n" + kOther + "\r\n" + kHeader +
                      "\r\n\"Counter\"=dword:00000000\r\n");
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMicroseconds(0, 15000);
    std::int32_t next = 1;
    int killedMidWrite = 0;
    for (int round = 0; round < 60; ++round) {
        int reports[2];
        ASSERT_EQ(::pipe(reports), 0);
        const std::int32_t first = next;
        const pid_t writer = Spawn([&] {
            ::close(reports[0]);
            for (std::int32_t value = first;; ++value) {
                TRegistry registry;
                registry.RootKey(kHKeyLocalMachine);
                if (!registry.OpenKey(kKey, false)) {
                    std::_Exit(2);
                }
                registry.WriteInteger("Counter", value);
                registry.CloseKey();
                if (::write(reports[1], &value, sizeof value) != sizeof value) {
                    std::_Exit(3);
                }
            }
        });
        ASSERT_GT(writer, 0);
        ::close(reports[1]);
        ::usleep(static_cast<useconds_t>(delayMicroseconds(random)));
        ::kill(writer, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(writer, &status, 0), writer);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";

        std::int32_t lastReported = first - 1;
        std::int32_t reported = 0;
        while (::read(reports[0], &reported, sizeof reported) == sizeof reported) {
            lastReported = reported;
        }
        ::close(reports[0]);

        const std::int32_t stored = ReadCounter();
        EXPECT_TRUE(stored == lastReported || stored == lastReported + 1)
            << "stored " << stored << " after the writer reported " << lastReported;
        EXPECT_NE(sandbox.ReadHive().find(kOther), std::string::npos);
        killedMidWrite += sandbox.LeftoverTempFiles().empty() ? 0 : 1;
        next = stored + 1;
    }
    ::testing::Test::RecordProperty("killed_mid_write", killedMidWrite);

    TRegistry registry;
    registry.RootKey(kHKeyLocalMachine);
    ASSERT_TRUE(registry.OpenKey(kKey, false));
    registry.WriteInteger("Counter", next);
    registry.CloseKey();
    EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
    EXPECT_EQ(ReadCounter(), next);
}

TEST(HiveProcesses, RacingWritersLoseNothingAndAPollingReaderAlwaysParses) {
    HiveSandbox sandbox;
    sandbox.WriteHive("Windows Registry Editor Version 5.00\r\n\r\n");
    constexpr int kWrites = 60;
    const std::vector<std::string> keys{kKey + "\\First", kKey + "\\Second"};

    int stop[2];
    ASSERT_EQ(::pipe(stop), 0);
    const std::string hivePath = sandbox.Hive().string();
    const pid_t reader = Spawn([&] {
        ::close(stop[1]);
        const FileHive hive(hivePath);
        pollfd done{stop[0], POLLIN, 0};
        while (::poll(&done, 1, 0) == 0) {
            const std::optional<FileBytes> bytes = hive.Read();
            if (!bytes) {
                throw ERegistryError("the hive vanished");
            }
            RegDocument::FromText(RegText(bytes->View(), hivePath));
        }
    });
    ASSERT_GT(reader, 0);
    ::close(stop[0]);

    std::vector<pid_t> writers;
    for (const std::string &key : keys) {
        writers.push_back(Spawn([&] {
            for (int i = 0; i < kWrites; ++i) {
                TRegistry registry;
                registry.RootKey(kHKeyLocalMachine);
                if (!registry.OpenKey(key, true)) {
                    throw ERegistryError("cannot open " + key);
                }
                // A new value each time: a write based on a stale file would drop one.
                registry.WriteInteger("Value" + std::to_string(i), i);
                registry.WriteInteger("Last", i);
                registry.CloseKey();
            }
        }));
        ASSERT_GT(writers.back(), 0);
    }
    for (pid_t writer : writers) {
        EXPECT_EQ(ExitStatusOf(writer), 0);
    }
    ::close(stop[1]);
    EXPECT_EQ(ExitStatusOf(reader), 0) << "the reader met a file that did not parse";

    for (const std::string &key : keys) {
        SCOPED_TRACE(key);
        TRegistry registry(kKeyRead);
        registry.RootKey(kHKeyLocalMachine);
        ASSERT_TRUE(registry.OpenKey(key, false));
        EXPECT_EQ(registry.ReadInteger("Last"), kWrites - 1);
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_EQ(registry.ReadInteger("Value" + std::to_string(i)), i);
        }
    }
    EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
}

// Each writer saves triples of one number over and over; mixing two saves would show as a triple
// of two different numbers, in a reader's view or in the file at the end.
TEST(HiveProcesses, ConcurrentSavesAndReadsSeeWholeSettings) {
    HiveSandbox sandbox;
    SettingsStore::WriteDriverSettings("Advantech", {0, 0, 0});
    constexpr int kSaves = 150;

    int stop[2];
    ASSERT_EQ(::pipe(stop), 0);
    const pid_t reader = Spawn([&] {
        ::close(stop[1]);
        pollfd done{stop[0], POLLIN, 0};
        while (::poll(&done, 1, 0) == 0) {
            const DriverSettings seen = SettingsStore::ReadDriverSettings("Advantech");
            if (seen.numberOfCards != seen.diStartAddress ||
                seen.numberOfCards != seen.doStartAddress) {
                throw ERegistryError("read a mixed triple");
            }
        }
    });
    ASSERT_GT(reader, 0);
    ::close(stop[0]);

    std::vector<pid_t> writers;
    for (std::int32_t base : {1, 10}) {
        writers.push_back(Spawn([base] {
            for (int i = 0; i < kSaves; ++i) {
                const std::int32_t value = base + i % 9;
                SettingsStore::WriteDriverSettings("Advantech", {value, value, value});
            }
        }));
        ASSERT_GT(writers.back(), 0);
    }
    for (pid_t writer : writers) {
        EXPECT_EQ(ExitStatusOf(writer), 0);
    }
    ::close(stop[1]);
    EXPECT_EQ(ExitStatusOf(reader), 0) << "the reader saw settings nobody saved";

    const DriverSettings last = SettingsStore::ReadDriverSettings("Advantech");
    EXPECT_EQ(last.diStartAddress, last.numberOfCards);
    EXPECT_EQ(last.doStartAddress, last.numberOfCards);
    EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
}

} // namespace
} // namespace tessaport
