#include "SyscallFaults.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tessaport::testing {

namespace {

struct State {
    bool armed = false;
    FaultPlan plan;
    std::array<int, 5> calls{};
    bool triggered = false;
    bool renamed = false;
    bool folderSyncedAfterRename = false;
    bool renamedFileSynced = false;
    // Files synced and not written since, by device and inode.
    std::vector<std::pair<dev_t, ino_t>> synced;
    // Folders in which a folder was made, not synced since.
    std::vector<std::pair<dev_t, ino_t>> unsyncedParents;
    int foldersMade = 0;
    std::function<void(const char *, int)> beforeOpen;
    std::size_t shortWrites = 0;
};

State &Faults() {
    static State state;
    return state;
}

// The C library's own function, found past this executable's definition.
template <typename Function> Function *Next(const char *name) {
    void *symbol = ::dlsym(RTLD_NEXT, name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "dlsym(%s) failed\n", name);
        std::_Exit(98);
    }
    Function *function = nullptr;
    std::memcpy(&function, &symbol, sizeof function);
    return function;
}

// True when this call is to fail (errno is then set).
bool BeforeCall(FaultCall call) {
    State &state = Faults();
    if (!state.armed) {
        return false;
    }
    const int count = ++state.calls[static_cast<std::size_t>(call)];
    if (call != state.plan.call || count != state.plan.at) {
        return false;
    }
    state.triggered = true;
    if (state.plan.action == FaultAction::ExitBefore) {
        std::_Exit(SyscallFaults::kExitStatus);
    }
    if (state.plan.action == FaultAction::Fail) {
        errno = state.plan.error;
        return true;
    }
    if (state.plan.action == FaultAction::RunBefore) {
        state.plan.before();
    }
    return false;
}

std::pair<dev_t, ino_t> IdOf(const struct stat &info) {
    return {info.st_dev, info.st_ino};
}

void AfterCall(FaultCall call) {
    const State &state = Faults();
    if (state.armed && state.triggered && call == state.plan.call &&
        state.calls[static_cast<std::size_t>(call)] == state.plan.at &&
        state.plan.action == FaultAction::ExitAfter) {
        std::_Exit(SyscallFaults::kExitStatus);
    }
}

} // namespace

std::string NameOf(FaultCall call) {
    static constexpr std::array<const char *, 5> kNames{"write", "fsync", "renameat", "close",
                                                        "fchmod"};
    return kNames[static_cast<std::size_t>(call)];
}

void SyscallFaults::Arm(const FaultPlan &plan) {
    Faults() = State{};
    Faults().plan = plan;
    Faults().armed = true;
}

void SyscallFaults::ArmShortWrites(std::size_t bytes) {
    Faults() = State{};
    Faults().plan.at = 0;
    Faults().shortWrites = bytes;
    Faults().armed = true;
}

void SyscallFaults::BeforeEachOpen(std::function<void(const char *, int)> hook) {
    Faults().beforeOpen = std::move(hook);
}

int SyscallFaults::FoldersMade() {
    return Faults().foldersMade;
}

int SyscallFaults::FoldersMadeUnsynced() {
    return static_cast<int>(Faults().unsyncedParents.size());
}

void SyscallFaults::Disarm() {
    Faults().armed = false;
}

bool SyscallFaults::Triggered() {
    return Faults().triggered;
}

bool SyscallFaults::Renamed() {
    return Faults().renamed;
}

bool SyscallFaults::FolderSyncedAfterRename() {
    return Faults().folderSyncedAfterRename;
}

bool SyscallFaults::RenamedFileSynced() {
    return Faults().renamedFileSynced;
}

} // namespace tessaport::testing

using namespace tessaport::testing;

extern "C" {

ssize_t write(int fd, const void *buffer, size_t count) {
    const iovec piece{const_cast<void *>(buffer), count};
    return writev(fd, &piece, 1);
}

// Both kinds of write fail, stop short and unsync the file alike.
ssize_t writev(int fd, const iovec *pieces, int count) {
    static auto *real = Next<ssize_t(int, const iovec *, int)>("writev");
    if (BeforeCall(FaultCall::Write)) {
        return -1;
    }
    std::vector<iovec> taken(pieces, pieces + count);
    if (const std::size_t limit = Faults().armed ? Faults().shortWrites : 0; limit != 0) {
        std::size_t room = limit;
        std::size_t kept = 0;
        for (; kept < taken.size() && room > 0; ++kept) {
            taken[kept].iov_len = std::min(taken[kept].iov_len, room);
            room -= taken[kept].iov_len;
        }
        taken.resize(kept);
    }
    const ssize_t result = real(fd, taken.data(), static_cast<int>(taken.size()));
    struct stat info {};
    if (result > 0 && Faults().armed && ::fstat(fd, &info) == 0) {
        std::erase(Faults().synced, IdOf(info));
    }
    AfterCall(FaultCall::Write);
    return result;
}

int fsync(int fd) {
    static auto *real = Next<int(int)>("fsync");
    if (BeforeCall(FaultCall::Fsync)) {
        return -1;
    }
    const int result = real(fd);
    struct stat info {};
    if (result == 0 && Faults().armed && ::fstat(fd, &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            Faults().folderSyncedAfterRename = Faults().renamed;
            std::erase(Faults().unsyncedParents, IdOf(info));
        } else {
            Faults().synced.push_back(IdOf(info));
        }
    }
    AfterCall(FaultCall::Fsync);
    return result;
}

int renameat(int fromFolder, const char *from, int toFolder, const char *to) noexcept {
    static auto *real = Next<int(int, const char *, int, const char *)>("renameat");
    if (BeforeCall(FaultCall::Rename)) {
        return -1;
    }
    struct stat info {};
    const bool synced = Faults().armed && ::fstatat(fromFolder, from, &info, 0) == 0 &&
                        std::ranges::find(Faults().synced, IdOf(info)) != Faults().synced.end();
    const int result = real(fromFolder, from, toFolder, to);
    if (result == 0 && Faults().armed) {
        Faults().renamed = true;
        Faults().renamedFileSynced = synced;
    }
    AfterCall(FaultCall::Rename);
    return result;
}

int openat(int folder, const char *name, int flags, ...) {
    static auto *real = Next<int(int, const char *, int, ...)>("openat");
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, int));
        va_end(arguments);
    }
    if (Faults().armed && Faults().beforeOpen) {
        Faults().beforeOpen(name, flags);
    }
    return real(folder, name, flags, mode);
}

int mkdirat(int folder, const char *name, mode_t mode) noexcept {
    static auto *real = Next<int(int, const char *, mode_t)>("mkdirat");
    const int result = real(folder, name, mode);
    struct stat info {};
    if (result == 0 && Faults().armed && ::fstat(folder, &info) == 0) {
        Faults().unsyncedParents.push_back(IdOf(info));
        ++Faults().foldersMade;
    }
    return result;
}

int close(int fd) {
    static auto *real = Next<int(int)>("close");
    if (BeforeCall(FaultCall::Close)) {
        // Linux frees the descriptor even when close reports an error.
        real(fd);
        return -1;
    }
    const int result = real(fd);
    AfterCall(FaultCall::Close);
    return result;
}

int fchmod(int fd, mode_t mode) noexcept {
    static auto *real = Next<int(int, mode_t)>("fchmod");
    if (BeforeCall(FaultCall::Fchmod)) {
        return -1;
    }
    const int result = real(fd, mode);
    AfterCall(FaultCall::Fchmod);
    return result;
}

} // extern "C"
