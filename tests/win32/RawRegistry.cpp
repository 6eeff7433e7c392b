#include "RawRegistry.h"

#include "WinKeyHandle.h"
#include "WinRegistryApi.h"

#include <array>
#include <stdexcept>

namespace tessaport::testing {
namespace {

void Check(LONG status, const char *what) {
    if (status != ERROR_SUCCESS) {
        throw std::runtime_error(std::string(what) + " failed with error " +
                                 std::to_string(status));
    }
}

WinKeyHandle Open(HKEY root, const std::wstring &key, REGSAM access) {
    WinKeyHandle handle;
    const LONG status = ::RegOpenKeyExW(root, key.c_str(), 0, access, handle.Receive());
    if (status != ERROR_FILE_NOT_FOUND) {
        Check(status, "RegOpenKeyExW");
    }
    return handle;
}

} // namespace

REGSAM OurView() {
#if defined(_WIN64) && defined(TESSAPORT_REGISTRY_NATIVE_VIEW)
    return KEY_WOW64_64KEY;
#else
    // Where the driver's 32-bit tools keep the settings; not read from the code under test.
    return KEY_WOW64_32KEY;
#endif
}

REGSAM OtherView() {
    return OurView() == KEY_WOW64_32KEY ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

void CreateRawKey(HKEY root, const std::wstring &key, REGSAM view) {
    WinKeyHandle handle;
    Check(::RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS | view, nullptr, handle.Receive(), nullptr),
          "RegCreateKeyExW");
}

bool RawKeyExists(HKEY root, const std::wstring &key, REGSAM view) {
    return static_cast<bool>(Open(root, key, KEY_READ | view));
}

void SetRawValue(HKEY root, const std::wstring &key, REGSAM view, const std::wstring &name,
                 DWORD type, const std::string &bytes) {
    CreateRawKey(root, key, view);
    WinKeyHandle handle = Open(root, key, KEY_ALL_ACCESS | view);
    Check(::RegSetValueExW(handle.Get(), name.c_str(), 0, type,
                           reinterpret_cast<const BYTE *>(bytes.data()),
                           static_cast<DWORD>(bytes.size())),
          "RegSetValueExW");
}

std::optional<DWORD> RawDword(HKEY root, const std::wstring &key, REGSAM view,
                              const std::wstring &name) {
    WinKeyHandle handle = Open(root, key, KEY_READ | view);
    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (!handle ||
        ::RegQueryValueExW(handle.Get(), name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE *>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data) {
        return std::nullopt;
    }
    return data;
}

void DeleteRawTree(HKEY root, const std::wstring &key, REGSAM view) {
    WinKeyHandle handle = Open(root, key, KEY_ALL_ACCESS | view);
    if (handle) {
        Check(::RegDeleteTreeW(handle.Get(), nullptr), "RegDeleteTreeW");
        handle.Reset();
        Check(::RegDeleteKeyExW(root, key.c_str(), view, 0), "RegDeleteKeyExW");
    }
}

std::string SystemMessage(DWORD code) {
    std::array<char, 512> buffer{};
    DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         0, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
    std::string message(buffer.data(), length);
    while (!message.empty() && std::string("\r\n .").find(message.back()) != std::string::npos) {
        message.pop_back();
    }
    if (message.empty()) {
        throw std::runtime_error("no system message for error " + std::to_string(code));
    }
    return message;
}

} // namespace tessaport::testing
