#include "WinRegistryApi.h"

#include "ERegistryError.h"
#include "WinText.h"

#include <optional>

namespace tessaport {
namespace {

std::wstring WideName(const std::string &name, const std::string &what) {
    std::optional<std::wstring> wide = WidenUtf8(name);
    if (!wide) {
        throw ERegistryError(what + ": the name is not valid UTF-8");
    }
    return *wide;
}

[[noreturn]] void RaiseSystemError(const std::string &what, LONG status) {
    throw ERegistryError(what + ": " + SystemErrorText(static_cast<DWORD>(status)));
}

bool Found(LONG status, const std::string &what) {
    switch (LookupOutcome(status)) {
    case WinLookup::Present:
        return true;
    case WinLookup::Absent:
        return false;
    case WinLookup::Failed:
        break;
    }
    RaiseSystemError(what, status);
}

std::string TypeName(DWORD type) {
    switch (type) {
    case REG_NONE:
        return "REG_NONE";
    case REG_SZ:
        return "REG_SZ";
    case REG_EXPAND_SZ:
        return "REG_EXPAND_SZ";
    case REG_BINARY:
        return "REG_BINARY";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN:
        return "REG_DWORD_BIG_ENDIAN";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    case REG_QWORD:
        return "REG_QWORD";
    default:
        return "type " + std::to_string(type);
    }
}

} // namespace

WinLookup LookupOutcome(LONG status) {
    switch (status) {
    case ERROR_SUCCESS:
    case ERROR_ACCESS_DENIED:
        return WinLookup::Present;
    case ERROR_FILE_NOT_FOUND:
        return WinLookup::Absent;
    default:
        return WinLookup::Failed;
    }
}

REGSAM SettingsViewFlag() {
#if defined(_WIN64) && !defined(TESSAPORT_REGISTRY_NATIVE_VIEW)
    return KEY_WOW64_32KEY;
#else
    // A 32-bit build is redirected to the 32-bit view by the system itself.
    return 0;
#endif
}

RegistryProcess ThisRegistryProcess() {
#if defined(_WIN64)
    return RegistryProcess::Bits64;
#else
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64 ? RegistryProcess::Bits32OnWow64
                                                                    : RegistryProcess::Bits32;
#endif
}

REGSAM ViewReached(REGSAM access, RegistryProcess process) {
    if (process == RegistryProcess::Bits32) {
        return 0;
    }
    const REGSAM asked = access & KEY_WOW64_RES;
    if (asked == KEY_WOW64_32KEY || asked == KEY_WOW64_64KEY) {
        return asked;
    }
    return process == RegistryProcess::Bits64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

std::string ViewLabel(REGSAM view) {
    switch (view) {
    case KEY_WOW64_32KEY:
        return " (32-bit view)";
    case KEY_WOW64_64KEY:
        return " (64-bit view)";
    default:
        return "";
    }
}

HKEY PredefinedRootKey(RegRootKey root) {
    switch (root) {
    case kHKeyClassesRoot:
        return HKEY_CLASSES_ROOT;
    case kHKeyCurrentUser:
        return HKEY_CURRENT_USER;
    case kHKeyLocalMachine:
        return HKEY_LOCAL_MACHINE;
    case kHKeyUsers:
        return HKEY_USERS;
    case kHKeyCurrentConfig:
        return HKEY_CURRENT_CONFIG;
    default:
        return nullptr;
    }
}

WinKeyHandle OpenWinKey(HKEY root, const std::string &path, REGSAM access, bool create,
                        const std::string &where) {
    const std::string what = (create ? "Cannot open or create " : "Cannot open ") + where;
    const std::wstring widePath = WideName(path, what);
    WinKeyHandle key;
    const LONG status =
        create ? ::RegCreateKeyExW(root, widePath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   access, nullptr, key.Receive(), nullptr)
               : ::RegOpenKeyExW(root, widePath.c_str(), 0, access, key.Receive());
    if (status != ERROR_SUCCESS) {
        RaiseSystemError(what, status);
    }
    return key;
}

bool WinKeyExists(HKEY root, const std::string &path, REGSAM access, const std::string &where) {
    const std::string what = "Cannot look for " + where;
    const std::wstring widePath = WideName(path, what);
    WinKeyHandle key;
    const LONG status = ::RegOpenKeyExW(root, widePath.c_str(), 0, access, key.Receive());
    return Found(status, what);
}

bool DeleteWinKey(HKEY root, const std::string &path, REGSAM view, const std::string &where) {
    const std::string what = "Cannot delete " + where;
    const std::wstring widePath = WideName(path, what);
    const LONG status = ::RegDeleteKeyExW(root, widePath.c_str(), view, 0);
    if (status == ERROR_FILE_NOT_FOUND) {
        return false;
    }
    if (status != ERROR_SUCCESS) {
        RaiseSystemError(what, status);
    }
    return true;
}

bool HasValue(HKEY key, const std::string &name, const std::string &where) {
    const std::string what = "Cannot look for \"" + name + "\" in " + where;
    const std::wstring wideName = WideName(name, what);
    const LONG status =
        ::RegQueryValueExW(key, wideName.c_str(), nullptr, nullptr, nullptr, nullptr);
    return Found(status, what);
}

std::uint32_t QueryDword(HKEY key, const std::string &name, const std::string &where) {
    const std::string what = "Cannot read \"" + name + "\" in " + where;
    const std::wstring wideName = WideName(name, what);
    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD size = sizeof data;
    const LONG status = ::RegQueryValueExW(key, wideName.c_str(), nullptr, &type,
                                           reinterpret_cast<BYTE *>(&data), &size);
    // A longer value reports its real size with ERROR_MORE_DATA, and is no DWORD either.
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
        RaiseSystemError(what, status);
    }
    if (type != REG_DWORD || size != sizeof data) {
        throw ERegistryError(what + ": not a DWORD (" + TypeName(type) + ", " +
                             std::to_string(size) + " bytes)");
    }
    return data;
}

void SetDword(HKEY key, const std::string &name, std::uint32_t value, const std::string &where) {
    const std::string what = "Cannot write \"" + name + "\" in " + where;
    const std::wstring wideName = WideName(name, what);
    const DWORD data = value;
    const LONG status = ::RegSetValueExW(key, wideName.c_str(), 0, REG_DWORD,
                                         reinterpret_cast<const BYTE *>(&data), sizeof data);
    if (status != ERROR_SUCCESS) {
        RaiseSystemError(what, status);
    }
}

} // namespace tessaport
