#pragma once

#include "RegistryTypes.h"
#include "WinKeyHandle.h"

#include <cstdint>
#include <string>
#include <windows.h>

namespace tessaport {

// The view flag added to every access request: the 32-bit view in a 64-bit build, so that the
// settings stay where the 32-bit driver tools find them, unless built with
// TESSAPORT_REGISTRY_NATIVE_VIEW.
REGSAM SettingsViewFlag();

// How a process meets the registry's views: 64-bit code, 32-bit code on 64-bit Windows (WOW64,
// which redirects it to the 32-bit view), or 32-bit Windows, which has one view only.
enum class RegistryProcess { Bits64, Bits32OnWow64, Bits32 };
RegistryProcess ThisRegistryProcess();
// The view that such a process reaches when it asks for `access`: KEY_WOW64_32KEY or
// KEY_WOW64_64KEY, or 0 where there is one view only. Two builds that reach the same view of a
// key reach the same key, whatever flags they asked with.
REGSAM ViewReached(REGSAM access, RegistryProcess process);
// " (32-bit view)", " (64-bit view)" or nothing, after a key's name.
std::string ViewLabel(REGSAM view);

// The predefined key for one of the roots in RegistryTypes.h, or nullptr for any other value.
HKEY PredefinedRootKey(RegRootKey root);

// What the status of a key's or a value's lookup says of it. Only a missing one is absent: a key
// this user may not open is there all the same, and any other status is a failure, never taken
// for "not configured".
enum class WinLookup { Present, Absent, Failed };
WinLookup LookupOutcome(LONG status);

// `where` names the key in failure messages. All three raise ERegistryError carrying the
// system's own error text.
WinKeyHandle OpenWinKey(HKEY root, const std::string &path, REGSAM access, bool create,
                        const std::string &where);
// A key that this user may not open exists all the same: only a missing key answers false.
bool WinKeyExists(HKEY root, const std::string &path, REGSAM access, const std::string &where);
// False when the key does not exist; a key with subkeys is not deleted (the system refuses).
bool DeleteWinKey(HKEY root, const std::string &path, REGSAM view, const std::string &where);
bool HasValue(HKEY key, const std::string &name, const std::string &where);
std::uint32_t QueryDword(HKEY key, const std::string &name, const std::string &where);
void SetDword(HKEY key, const std::string &name, std::uint32_t value, const std::string &where);

} // namespace tessaport
