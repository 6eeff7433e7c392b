#pragma once

#include <optional>
#include <string>
#include <windows.h>

namespace tessaport::testing {

// Direct registry calls for setting up and checking, past the code under test.

// The view the registry layer uses and the other one, as explicit flags.
REGSAM OurView();
REGSAM OtherView();

void CreateRawKey(HKEY root, const std::wstring &key, REGSAM view);
bool RawKeyExists(HKEY root, const std::wstring &key, REGSAM view);
void SetRawValue(HKEY root, const std::wstring &key, REGSAM view, const std::wstring &name,
                 DWORD type, const std::string &bytes);
std::optional<DWORD> RawDword(HKEY root, const std::wstring &key, REGSAM view,
                              const std::wstring &name);
void DeleteRawTree(HKEY root, const std::wstring &key, REGSAM view);

// The system's message for a code, as FormatMessage gives it, without the final period.
std::string SystemMessage(DWORD code);

} // namespace tessaport::testing
