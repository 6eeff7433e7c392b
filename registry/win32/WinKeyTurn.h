#pragma once

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

    // `where` names the key, its root and registry view: one mutex for each such key, whatever
    // the case of its letters. Raises ERegistryError when the turn cannot be had in time.
    explicit WinKeyTurn(const std::string &where);
    ~WinKeyTurn();
    WinKeyTurn(const WinKeyTurn &) = delete;
    WinKeyTurn &operator=(const WinKeyTurn &) = delete;

    // The mutex's name for the key `where`.
    static std::wstring MutexName(const std::string &where);

private:
    HANDLE mutex_ = nullptr;
};

} // namespace tessaport
