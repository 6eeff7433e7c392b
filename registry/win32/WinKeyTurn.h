#pragma once

#include "WinRegistryApi.h"

#include <string>
#include <windows.h>

namespace tessaport {

// Our programs' turn at one key: a named mutex in the global namespace, held from OpenKey to
// CloseKey, so that the three writes of a save, or the three reads of a load, never interleave
// with another of our programs'. Each write is still made at once; programs that are not ours,
// such as the driver, do not take turns and are not held up.
class WinKeyTurn {
public:
    // As long as the file hive waits for its lock.
    static constexpr DWORD kPatienceMilliseconds = 10000;

    // `key` names the key with its root; `access` is what it is opened with. One mutex for each
    // key in each registry view, whatever the case of its letters, and whichever build asks:
    // 32-bit code redirected by WOW64 and 64-bit code asking for the 32-bit view take the same.
    // Raises ERegistryError when the turn cannot be had in time. A turn that its holder left by
    // ending during it is taken, and reported as a RegistryNotices notice.
    WinKeyTurn(const std::string &key, REGSAM access);
    ~WinKeyTurn();
    WinKeyTurn(const WinKeyTurn &) = delete;
    WinKeyTurn &operator=(const WinKeyTurn &) = delete;

    // The mutex's name for `key` opened with `access` by a process of the kind `process`.
    static std::wstring MutexName(const std::string &key, REGSAM access, RegistryProcess process);

private:
    HANDLE mutex_ = nullptr;
};

} // namespace tessaport
