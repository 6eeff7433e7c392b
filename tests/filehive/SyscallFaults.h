#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace tessaport::testing {

// Failures injected into the system calls a hive write makes. The test executable that links
// SyscallFaults.cpp defines write, fsync, renameat, close, fchmod, openat and mkdirat itself and
// forwards them to the C library (writev too, counted as a write), failing or exiting at the
// planned call.
enum class FaultCall { Write, Fsync, Rename, Close, Fchmod };
// RunBefore runs `before` just before the planned call, which is then made: another process
// acting at that moment.
enum class FaultAction { Fail, ExitBefore, ExitAfter, RunBefore };

struct FaultPlan {
    FaultCall call = FaultCall::Write;
    int at = 1; // the first call is 1
    FaultAction action = FaultAction::Fail;
    int error = 0; // errno for FaultAction::Fail
    std::function<void()> before = {};
};

std::string NameOf(FaultCall call);

class SyscallFaults {
public:
    static constexpr int kExitStatus = 99;

    static void Arm(const FaultPlan &plan);
    // Lets each write() take at most `bytes` bytes.
    static void ArmShortWrites(std::size_t bytes);
    // Calls `hook` with the name and flags of each openat() while armed, just before it is made:
    // a stand-in for another process changing the folder at that moment.
    static void BeforeEachOpen(std::function<void(const char *name, int flags)> hook);
    static void Disarm();
    // Whether the planned call was reached while armed.
    static bool Triggered();
    // Whether a rename succeeded while armed.
    static bool Renamed();
    // Whether a folder was synced after that rename, so that the new name survives a power cut.
    static bool FolderSyncedAfterRename();
    // Whether the file renamed into place was synced after its last write, so that its data
    // survives a power cut too.
    static bool RenamedFileSynced();
    // Folders made while armed, and those whose parent folder was not synced after.
    static int FoldersMade();
    static int FoldersMadeUnsynced();
};

} // namespace tessaport::testing
