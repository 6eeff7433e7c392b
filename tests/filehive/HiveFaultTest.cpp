// Every system call of a write failing in turn, or the process ending right at it: the hive is
// the old or the new file, never anything else, and no temporary file stays behind.
#include "DriverSettings.h"
#include "ERegistryError.h"
#include "ERegistryUnconfirmedWrite.h"
#include "ESettingsError.h"
#include "ExchangeFile.h"
#include "FileHive.h"
#include "HiveSandbox.h"
#include "SettingsStore.h"
#include "SyscallFaults.h"
#include "TRegistry.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tessaport {
namespace {

namespace fs = std::filesystem;
using testing::FaultAction;
using testing::FaultCall;
using testing::FaultPlan;
using testing::HiveSandbox;
using testing::SyscallFaults;

const std::string kKey = "Software\\Korvanta\\Tessaport\\Advantech";
const std::string kHeader = "[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Advantech]";
const std::string kBefore = "Windows Registry Editor Version 5.00\r\n\r\n" + kHeader +
                            "\r\n\"NumberOfCards\"=dword:00000001\r\n\r\n";
const std::string kAfter = "Windows Registry Editor Version 5.00\r\n\r\n" + kHeader +
                           "\r\n\"NumberOfCards\"=dword:0000000a\r\n\r\n";
const std::string kCreated = "Windows Registry Editor Version 5.00\r\n\r\n" + kHeader + "\r\n\r\n";
const std::vector<FaultCall> kCalls{FaultCall::Write, FaultCall::Fsync, FaultCall::Rename,
                                    FaultCall::Close, FaultCall::Fchmod};
constexpr int kMaxCalls = 32;

struct Outcome {
    bool threw = false;
    bool unconfirmed = false; // the new file is in place, not confirmed on disk
    std::string message;
    bool triggered = false;
    bool renamed = false;
};

Outcome RunArmed(const FaultPlan &plan, const std::function<void()> &action) {
    Outcome outcome;
    SyscallFaults::Arm(plan);
    try {
        action();
    } catch (const ERegistryUnconfirmedWrite &failure) {
        outcome.threw = true;
        outcome.unconfirmed = true;
        outcome.message = failure.what();
    } catch (const ESettingsSavedUnconfirmed &failure) {
        // The same, as the settings store passes it on.
        outcome.threw = true;
        outcome.unconfirmed = true;
        outcome.message = failure.what();
    } catch (const ERegistryError &failure) {
        outcome.threw = true;
        outcome.message = failure.what();
    }
    outcome.triggered = SyscallFaults::Triggered();
    outcome.renamed = SyscallFaults::Renamed();
    SyscallFaults::Disarm();
    return outcome;
}

// Runs `action` armed with `plan` in a child process: its exit status, 0 when it succeeded,
// SyscallFaults::kExitStatus when it ended at the planned call, -1 when it did not exit.
int RunArmedInChild(const FaultPlan &plan, const std::function<void()> &action) {
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        SyscallFaults::Arm(plan);
        try {
            action();
        } catch (...) {
            std::_Exit(1);
        }
        std::_Exit(0);
    }
    int status = 0;
    if (child == -1 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

void WriteTen() {
    TRegistry registry;
    registry.RootKey(kHKeyLocalMachine);
    if (!registry.OpenKey(kKey, false)) {
        throw ERegistryError("cannot open the key");
    }
    registry.WriteInteger("NumberOfCards", 10);
    registry.CloseKey();
}

TEST(HiveFaults, AFailedCallLeavesTheOldFileAndReportsIt) {
    for (FaultCall call : kCalls) {
        for (int at = 1;; ++at) {
            SCOPED_TRACE(testing::NameOf(call) + " #" + std::to_string(at));
            ASSERT_LE(at, kMaxCalls);
            HiveSandbox sandbox;
            sandbox.WriteHive(kBefore);
            const Outcome outcome = RunArmed({call, at, FaultAction::Fail, EIO}, WriteTen);
            EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
            if (!outcome.triggered) {
                EXPECT_GT(at, 1) << "the call was never made: is it intercepted?";
                EXPECT_FALSE(outcome.threw) << outcome.message;
                EXPECT_EQ(sandbox.ReadHive(), kAfter);
                break;
            }
            if (outcome.threw) {
                EXPECT_EQ(sandbox.ReadHive(), outcome.renamed ? kAfter : kBefore);
                // After the rename the new file is in place: no failed write, and said so.
                EXPECT_EQ(outcome.unconfirmed, outcome.renamed) << outcome.message;
                EXPECT_NE(outcome.message.find(std::strerror(EIO)), std::string::npos)
                    << outcome.message;
                EXPECT_NE(outcome.message.find(sandbox.Folder().string()), std::string::npos)
                    << outcome.message;
            } else {
                // Only closing a descriptor that was read, or the lock's, may fail unnoticed.
                EXPECT_EQ(call, FaultCall::Close);
                EXPECT_EQ(sandbox.ReadHive(), kAfter);
            }
        }
    }
}

TEST(HiveFaults, TheFolderIsSyncedAfterTheRename) {
    HiveSandbox sandbox;
    sandbox.WriteHive(kBefore);
    const Outcome outcome =
        RunArmed({FaultCall::Write, kMaxCalls + 1, FaultAction::Fail, EIO}, WriteTen);
    ASSERT_TRUE(outcome.renamed);
    EXPECT_TRUE(SyscallFaults::FolderSyncedAfterRename());
}

const std::string kSaved = "REGEDIT4\n" + kHeader +
                           "\n\"NumberOfCards\"=dword:1\n\"PIIBeginAddress\"=dword:2\n"
                           "\"PIQBeginAddress\"=dword:3\n";
const DriverSettings kOld{1, 2, 3};
const DriverSettings kNew{10, 20, 30};

void Save() {
    SettingsStore::WriteDriverSettings("Advantech", kNew);
}

// A save into an existing key, into a key not there yet, and into no file at all.
const std::vector<std::string> kBeforeSaves{kSaved, "REGEDIT4\n", ""};

TEST(HiveFaults, ASaveIsOneReplacementOfTheFile) {
    for (const std::string &before : kBeforeSaves) {
        SCOPED_TRACE(before);
        HiveSandbox sandbox;
        if (!before.empty()) {
            sandbox.WriteHive(before);
        }
        const Outcome outcome = RunArmed({FaultCall::Rename, 2, FaultAction::Fail, EIO}, Save);
        EXPECT_FALSE(outcome.triggered) << "a save renamed more than once";
        EXPECT_TRUE(outcome.renamed);
        EXPECT_EQ(SettingsStore::ReadDriverSettings("Advantech"), kNew);
    }
}

// Renamed unsynced, the new name could survive a power cut with the data lost: an empty hive.
TEST(HiveFaults, TheNewFileIsSyncedBeforeTheRename) {
    HiveSandbox sandbox;
    for (const std::string &before : {kBefore, kSaved}) {
        sandbox.WriteHive(before);
        const Outcome outcome = RunArmed({FaultCall::Write, kMaxCalls + 1, FaultAction::Fail, EIO},
                                         before == kSaved ? Save : WriteTen);
        ASSERT_TRUE(outcome.renamed) << outcome.message;
        EXPECT_TRUE(SyscallFaults::RenamedFileSynced());
    }
}

TEST(HiveFaults, ASaveThatFailsChangesNothing) {
    for (const std::string &before : kBeforeSaves) {
        for (FaultCall call : kCalls) {
            for (int at = 1;; ++at) {
                SCOPED_TRACE(before + testing::NameOf(call) + " #" + std::to_string(at));
                ASSERT_LE(at, kMaxCalls);
                HiveSandbox sandbox;
                if (!before.empty()) {
                    sandbox.WriteHive(before);
                }
                const Outcome outcome = RunArmed({call, at, FaultAction::Fail, ENOSPC}, Save);
                EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
                if (outcome.threw && !outcome.renamed) {
                    EXPECT_EQ(fs::exists(sandbox.Hive()), !before.empty());
                    if (!before.empty()) {
                        EXPECT_EQ(sandbox.ReadHive(), before);
                    }
                } else {
                    EXPECT_EQ(SettingsStore::ReadDriverSettings("Advantech"), kNew)
                        << outcome.message;
                }
                if (!outcome.triggered) {
                    break;
                }
            }
        }
    }
}

TEST(HiveFaults, AProcessEndingAtAnyCallOfASaveLeavesTheOldOrTheNewSettings) {
    for (FaultCall call : kCalls) {
        for (int at = 1;; ++at) {
            SCOPED_TRACE(testing::NameOf(call) + " #" + std::to_string(at));
            ASSERT_LE(at, kMaxCalls);
            HiveSandbox sandbox;
            sandbox.WriteHive(kSaved);
            const int exitStatus = RunArmedInChild({call, at, FaultAction::ExitAfter, 0}, Save);
            ASSERT_TRUE(exitStatus == 0 || exitStatus == SyscallFaults::kExitStatus);
            const DriverSettings after = SettingsStore::ReadDriverSettings("Advantech");
            EXPECT_TRUE(after == kOld || after == kNew);
            if (exitStatus == 0) {
                break;
            }
        }
    }
}

// A file bind-mounted on its own (as into a container) can be read but never renamed over.
TEST(HiveFaults, AHiveThatIsAMountPointSaysWhyItCannotBeWritten) {
    HiveSandbox sandbox;
    sandbox.WriteHive(kSaved);
    const Outcome outcome = RunArmed({FaultCall::Rename, 1, FaultAction::Fail, EBUSY}, Save);
    EXPECT_TRUE(outcome.threw);
    EXPECT_NE(outcome.message.find("mount point"), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find("mount its folder instead"), std::string::npos);
    EXPECT_EQ(sandbox.ReadHive(), kSaved);
}

TEST(HiveFaults, AFailedCreationLeavesNoFile) {
    for (FaultCall call : kCalls) {
        for (int at = 1;; ++at) {
            SCOPED_TRACE(testing::NameOf(call) + " #" + std::to_string(at));
            ASSERT_LE(at, kMaxCalls);
            HiveSandbox sandbox;
            const fs::path hive = sandbox.Folder() / "new" / "registry.reg";
            sandbox.PointAt(hive);
            bool opened = false;
            const Outcome outcome = RunArmed({call, at, FaultAction::Fail, ENOSPC}, [&] {
                TRegistry registry;
                registry.RootKey(kHKeyLocalMachine);
                if (registry.OpenKey(kKey, true)) {
                    registry.CloseKey();
                    opened = true;
                }
            });
            for (const auto &entry : fs::directory_iterator(sandbox.Folder() / "new")) {
                EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
            }
            if (outcome.threw && !outcome.renamed) {
                EXPECT_FALSE(fs::exists(hive));
                EXPECT_NE(outcome.message.find(std::strerror(ENOSPC)), std::string::npos);
            } else {
                EXPECT_EQ(testing::ReadBytes(hive), kCreated);
                EXPECT_EQ(opened, !outcome.threw);
            }
            if (!outcome.triggered) {
                EXPECT_GT(at, 1) << "the call was never made: is it intercepted?";
                EXPECT_TRUE(opened);
                break;
            }
        }
    }
}

// An export written over an old one: whichever call fails, the old file stays whole.
TEST(HiveFaults, AFailedExportLeavesTheOldOneWhole) {
    for (FaultCall call : kCalls) {
        for (int at = 1;; ++at) {
            SCOPED_TRACE(testing::NameOf(call) + " #" + std::to_string(at));
            ASSERT_LE(at, kMaxCalls);
            HiveSandbox sandbox;
            const fs::path file = sandbox.Folder() / "export.reg";
            testing::WriteBytes(file, kBefore);
            const Outcome outcome = RunArmed({call, at, FaultAction::Fail, ENOSPC},
                                             [&] { ExchangeFile::Write(file.string(), kAfter); });
            EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
            EXPECT_EQ(testing::ReadBytes(file),
                      outcome.threw && !outcome.renamed ? kBefore : kAfter);
            if (!outcome.triggered) {
                EXPECT_GT(at, 1) << "the call was never made: is it intercepted?";
                EXPECT_FALSE(outcome.threw) << outcome.message;
                break;
            }
        }
    }
}

TEST(HiveFaults, ShortAndInterruptedWritesAreCompleted) {
    HiveSandbox sandbox;
    sandbox.WriteHive(kBefore);
    SyscallFaults::ArmShortWrites(3);
    WriteTen();
    SyscallFaults::Disarm();
    EXPECT_EQ(sandbox.ReadHive(), kAfter);

    sandbox.WriteHive(kBefore);
    const Outcome outcome = RunArmed({FaultCall::Write, 1, FaultAction::Fail, EINTR}, WriteTen);
    EXPECT_TRUE(outcome.triggered);
    EXPECT_FALSE(outcome.threw) << outcome.message;
    EXPECT_EQ(sandbox.ReadHive(), kAfter);
}

TEST(HiveFaults, AProcessEndingAtAnyCallLeavesTheOldOrTheNewFile) {
    for (FaultCall call : kCalls) {
        for (FaultAction action : {FaultAction::ExitBefore, FaultAction::ExitAfter}) {
            for (int at = 1;; ++at) {
                SCOPED_TRACE(testing::NameOf(call) + " #" + std::to_string(at) +
                             (action == FaultAction::ExitBefore ? " before" : " after"));
                ASSERT_LE(at, kMaxCalls);
                HiveSandbox sandbox;
                sandbox.WriteHive(kBefore);
                const int exitStatus = RunArmedInChild({call, at, action, 0}, WriteTen);
                ASSERT_TRUE(exitStatus == 0 || exitStatus == SyscallFaults::kExitStatus);
                const std::string left = sandbox.ReadHive();
                EXPECT_TRUE(left == kBefore || left == kAfter) << left;
                // The next writer clears up after the one that died.
                WriteTen();
                EXPECT_EQ(sandbox.ReadHive(), kAfter);
                EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
                if (exitStatus == 0) {
                    EXPECT_GT(at, 1) << "the call was never made: is it intercepted?";
                    break;
                }
            }
        }
    }
}

// Power cut after a folder is made: unless its parent was synced, the folder and the file in it
// could both be lost.
TEST(HiveFaults, EachFolderMadeIsSyncedInItsParent) {
    HiveSandbox sandbox;
    sandbox.PointAt(sandbox.Folder() / "new" / "deeper" / "registry.reg");
    const Outcome outcome =
        RunArmed({FaultCall::Write, kMaxCalls + 1, FaultAction::Fail, EIO}, Save);
    ASSERT_FALSE(outcome.threw) << outcome.message;
    EXPECT_EQ(SyscallFaults::FoldersMade(), 2);
    EXPECT_EQ(SyscallFaults::FoldersMadeUnsynced(), 0);
    EXPECT_EQ(SettingsStore::ReadDriverSettings("Advantech"), kNew);
}

// The folder's sync after the rename fails: the new settings are in place, and the failure says
// so rather than that nothing changed.
TEST(HiveFaults, AFolderSyncFailingAfterTheRenameIsNoFailedSave) {
    for (int error : {EIO, ENOSPC}) {
        HiveSandbox sandbox;
        sandbox.WriteHive(kSaved);
        // The first sync is the new file's, before the rename; the second the folder's.
        const Outcome outcome = RunArmed({FaultCall::Fsync, 2, FaultAction::Fail, error}, Save);
        ASSERT_TRUE(outcome.renamed);
        EXPECT_TRUE(outcome.unconfirmed) << outcome.message;
        EXPECT_NE(outcome.message.find("the new settings are in place"), std::string::npos)
            << outcome.message;
        EXPECT_NE(outcome.message.find(std::strerror(error)), std::string::npos);
        EXPECT_EQ(SettingsStore::ReadDriverSettings("Advantech"), kNew);
        EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
    }
}

// A link put in the file's place between the path's resolution and the file's opening, as by
// another user at that moment: the open must not follow it, for reading or writing.
TEST(HiveFaults, AFileThatBecameALinkJustBeforeItsOpeningIsRefused) {
    for (const bool writing : {false, true}) {
        SCOPED_TRACE(writing ? "writing" : "reading");
        HiveSandbox sandbox;
        sandbox.WriteHive(kSaved);
        const fs::path elsewhere = sandbox.Folder() / "elsewhere.reg";
        testing::WriteBytes(elsewhere, kBefore);
        const fs::path decoy = sandbox.Folder() / "decoy";
        fs::create_symlink(elsewhere, decoy);
        const std::string hive = sandbox.Hive().string();
        bool swapped = false;
        const Outcome outcome = RunArmed({FaultCall::Write, kMaxCalls + 1}, [&] {
            SyscallFaults::BeforeEachOpen([&](const char *name, int flags) {
                if (!swapped && (flags & O_PATH) == 0 && std::string(name) == "registry.reg") {
                    swapped = true;
                    fs::rename(decoy, hive);
                }
            });
            const FileHive file(hive);
            if (writing) {
                file.Update([](const FileHive::Current &) { return kAfter; });
            } else {
                file.Read();
            }
        });
        EXPECT_TRUE(swapped) << "the file was never opened";
        EXPECT_TRUE(outcome.threw);
        EXPECT_NE(outcome.message.find(hive + ": became a symbolic link"), std::string::npos)
            << outcome.message;
        EXPECT_EQ(testing::ReadBytes(elsewhere), kBefore);
        EXPECT_TRUE(fs::is_symlink(hive));
        EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
    }
}

// Another writer (one that found the lock file gone) cleared the folder of temporary files.
TEST(HiveFaults, ATemporaryFileRemovedByAnotherWriterIsNamedAsSuch) {
    HiveSandbox sandbox;
    sandbox.WriteHive(kSaved);
    const auto removeTemporaryFiles = [&] {
        for (const std::string &name : sandbox.LeftoverTempFiles()) {
            fs::remove(sandbox.Folder() / name);
        }
    };
    const Outcome outcome =
        RunArmed({FaultCall::Rename, 1, FaultAction::RunBefore, 0, removeTemporaryFiles}, Save);
    EXPECT_TRUE(outcome.threw);
    EXPECT_FALSE(outcome.unconfirmed);
    EXPECT_NE(outcome.message.find("was removed by someone else"), std::string::npos)
        << outcome.message;
    EXPECT_EQ(outcome.message.find("No such file"), std::string::npos) << outcome.message;
    EXPECT_EQ(sandbox.ReadHive(), kSaved);
}

} // namespace
} // namespace tessaport
