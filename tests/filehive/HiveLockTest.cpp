// The writers' lock when someone removes its file: two writers must still never overlap.
#include "HiveLock.h"

#include "ERegistryError.h"
#include "FileHive.h"
#include "HiveSandbox.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tessaport {
namespace {

namespace fs = std::filesystem;
using testing::HiveSandbox;

const std::string kBefore = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\K]\n\"A\"=dword:1\n";
const std::string kAfter = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\K]\n\"A\"=dword:2\n";

void WriteAfter(const std::string &hive) {
    FileHive(hive).Update([](const FileHive::Current &) { return kAfter; });
}

// flock on the file now named by `path`, held until destruction.
class PlainLock {
public:
    explicit PlainLock(const fs::path &path)
        : fd_(::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644)) {
        EXPECT_GE(fd_, 0);
        EXPECT_EQ(::flock(fd_, LOCK_EX), 0);
    }
    ~PlainLock() { ::close(fd_); }
    PlainLock(const PlainLock &) = delete;
    PlainLock &operator=(const PlainLock &) = delete;

private:
    int fd_;
};

// Whether `hive` holds `bytes` within a little while.
bool Becomes(const HiveSandbox &sandbox, const std::string &bytes) {
    for (int i = 0; i < 100; ++i) {
        if (sandbox.ReadHive() == bytes) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST(HiveLock, AWriterWaitingOnARemovedLockFileTakesTheNewOne) {
    HiveSandbox sandbox;
    sandbox.WriteHive(kBefore);
    const fs::path lockPath = sandbox.Hive().string() + ".lock";
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    std::fflush(stdout);
    const pid_t writer = ::fork();
    ASSERT_NE(writer, -1);
    if (writer == 0) {
        char signal = 0;
        if (::read(go[0], &signal, 1) != 1) {
            std::_Exit(2);
        }
        try {
            WriteAfter(sandbox.Hive().string());
        } catch (const std::exception &failure) {
            std::fprintf(stderr, "%s\n", failure.what());
            std::_Exit(1);
        }
        std::_Exit(0);
    }
    // Locked after the fork, so that the writer does not share this lock.
    std::optional<PlainLock> first(std::in_place, lockPath);
    ASSERT_EQ(::write(go[1], "x", 1), 1);
    ::close(go[0]);
    ::close(go[1]);
    // The writer is now waiting on the first lock file; someone removes it and another writer
    // locks the file that takes its name.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    fs::remove(lockPath);
    std::optional<PlainLock> second(std::in_place, lockPath);
    first.reset();
    EXPECT_FALSE(Becomes(sandbox, kAfter)) << "wrote while another writer held the lock";
    second.reset();

    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(sandbox.ReadHive(), kAfter);
}

TEST(HiveLock, ALockFileRemovedDuringAWriteStopsIt) {
    HiveSandbox sandbox;
    sandbox.WriteHive(kBefore);
    const fs::path lockPath = sandbox.Hive().string() + ".lock";
    try {
        FileHive(sandbox.Hive().string()).Update([&](const FileHive::Current &) {
            fs::remove(lockPath);
            return kAfter;
        });
        ADD_FAILURE() << "wrote after the lock file was removed";
    } catch (const ERegistryError &failure) {
        EXPECT_NE(std::string(failure.what()).find("removed or replaced"), std::string::npos)
            << failure.what();
    }
    EXPECT_EQ(sandbox.ReadHive(), kBefore);
    EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
}

TEST(HiveLock, TheLockFileModeDoesNotFollowTheUmask) {
    HiveSandbox sandbox;
    sandbox.WriteHive(kBefore);
    const mode_t previous = ::umask(077);
    WriteAfter(sandbox.Hive().string());
    ::umask(previous);
    struct stat info {};
    ASSERT_EQ(::stat((sandbox.Hive().string() + ".lock").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, HiveLock::kMode);
    // The hive keeps its own mode, whatever the umask.
    ASSERT_EQ(::stat(sandbox.Hive().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
}

} // namespace
} // namespace tessaport
