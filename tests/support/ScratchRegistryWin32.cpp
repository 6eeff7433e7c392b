// The system registry itself. Tests that share it cannot run in parallel.
#include "ScratchRegistry.h"
#include "WinKeyHandle.h"
#include "WinRegistryApi.h"
#include "WinText.h"

#include <stdexcept>
#include <windows.h>

namespace tessaport::testing {
namespace {

const wchar_t kVendorKey[] = L"Software\\Korvanta";
const wchar_t kProductName[] = L"Tessaport";

std::wstring Wide(const std::string &text) {
    std::optional<std::wstring> wide = WidenUtf8(text);
    if (!wide) {
        throw std::runtime_error("scratch registry: not UTF-8: " + text);
    }
    return *wide;
}

void Check(LONG status, const std::string &what) {
    if (status != ERROR_SUCCESS) {
        throw std::runtime_error("scratch registry: " + what + ": " +
                                 SystemErrorText(static_cast<DWORD>(status)));
    }
}

// Removes the product's key, and the vendor's key once nothing else is left in it.
void RemoveSettings(REGSAM view) {
    WinKeyHandle vendor;
    const LONG status =
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kVendorKey, 0, KEY_ALL_ACCESS | view, vendor.Receive());
    if (status == ERROR_FILE_NOT_FOUND) {
        return;
    }
    Check(status, "open Software\\Korvanta");
    const LONG deleted = ::RegDeleteTreeW(vendor.Get(), kProductName);
    if (deleted != ERROR_FILE_NOT_FOUND) {
        Check(deleted, "delete Software\\Korvanta\\Tessaport");
    }
    DWORD subkeys = 0;
    DWORD values = 0;
    Check(::RegQueryInfoKeyW(vendor.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                             &values, nullptr, nullptr, nullptr, nullptr),
          "inspect Software\\Korvanta");
    vendor.Reset();
    if (subkeys == 0 && values == 0) {
        Check(::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kVendorKey, view, 0),
              "delete Software\\Korvanta");
    }
}

void RemoveSettingsFromBothViews() {
    RemoveSettings(KEY_WOW64_32KEY);
    RemoveSettings(KEY_WOW64_64KEY);
}

struct Location {
    std::wstring path;
    REGSAM view = 0;
};

// Where a key under HKLM\Software must be, worked out from where the driver's 32-bit tools look
// and not from the registry layer's own view setting, so that a wrong view fails the tests.
Location Where(const std::string &key) {
#if defined(_WIN64) && !defined(TESSAPORT_REGISTRY_NATIVE_VIEW)
    // A 32-bit program's HKLM\Software is Software\WOW6432Node in the 64-bit view.
    const std::string software = "Software\\";
    if (key.size() < software.size() ||
        ::CompareStringOrdinal(Wide(key.substr(0, software.size())).c_str(), -1,
                               Wide(software).c_str(), -1, TRUE) != CSTR_EQUAL) {
        throw std::runtime_error("scratch registry: not under Software: " + key);
    }
    return {L"Software\\WOW6432Node\\" + Wide(key.substr(software.size())), KEY_WOW64_64KEY};
#elif defined(_WIN64)
    return {Wide(key), KEY_WOW64_64KEY};
#else
    return {Wide(key), 0};
#endif
}

WinKeyHandle CreateOrOpen(const std::string &key) {
    const Location where = Where(key);
    WinKeyHandle handle;
    Check(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, where.path.c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | where.view, nullptr,
                            handle.Receive(), nullptr),
          "create " + key);
    return handle;
}

// Nothing when the key does not exist.
WinKeyHandle OpenForReading(const std::string &key) {
    const Location where = Where(key);
    WinKeyHandle handle;
    const LONG status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, where.path.c_str(), 0,
                                        KEY_READ | where.view, handle.Receive());
    if (status != ERROR_FILE_NOT_FOUND) {
        Check(status, "open " + key);
    }
    return handle;
}

void SetValue(const std::string &key, const std::string &name, DWORD type, const void *data,
              std::size_t size) {
    WinKeyHandle handle = CreateOrOpen(key);
    Check(::RegSetValueExW(handle.Get(), Wide(name).c_str(), 0, type,
                           static_cast<const BYTE *>(data), static_cast<DWORD>(size)),
          "set " + name + " in " + key);
}

} // namespace

// Nothing to keep: the registry itself is the state.
struct ScratchRegistry::State {};

ScratchRegistry::ScratchRegistry() {
    RemoveSettingsFromBothViews();
}

ScratchRegistry::~ScratchRegistry() {
    try {
        RemoveSettingsFromBothViews();
    } catch (const std::exception &) {
        // The next test's constructor tries again and fails loudly.
    }
}

void ScratchRegistry::CreateKey(const std::string &key) {
    CreateOrOpen(key);
}

void ScratchRegistry::SetDword(const std::string &key, const std::string &name,
                               std::uint32_t value) {
    const DWORD data = value;
    SetValue(key, name, REG_DWORD, &data, sizeof data);
}

void ScratchRegistry::SetString(const std::string &key, const std::string &name,
                                const std::string &value) {
    const std::wstring data = Wide(value);
    SetValue(key, name, REG_SZ, data.c_str(), (data.size() + 1) * sizeof(wchar_t));
}

void ScratchRegistry::SetBinary(const std::string &key, const std::string &name,
                                const std::string &bytes) {
    SetValue(key, name, REG_BINARY, bytes.data(), bytes.size());
}

void ScratchRegistry::SetDwordBytes(const std::string &key, const std::string &name,
                                    const std::string &bytes) {
    SetValue(key, name, REG_DWORD, bytes.data(), bytes.size());
}

bool ScratchRegistry::KeyExists(const std::string &key) const {
    return static_cast<bool>(OpenForReading(key));
}

std::optional<std::uint32_t> ScratchRegistry::Dword(const std::string &key,
                                                    const std::string &name) const {
    WinKeyHandle handle = OpenForReading(key);
    if (!handle) {
        return std::nullopt;
    }
    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD size = sizeof data;
    const LONG status = ::RegQueryValueExW(handle.Get(), Wide(name).c_str(), nullptr, &type,
                                           reinterpret_cast<BYTE *>(&data), &size);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data) {
        return std::nullopt;
    }
    return data;
}

std::optional<std::string> ScratchRegistry::String(const std::string &key,
                                                   const std::string &name) const {
    WinKeyHandle handle = OpenForReading(key);
    if (!handle) {
        return std::nullopt;
    }
    const std::wstring wideName = Wide(name);
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (::RegQueryValueExW(handle.Get(), wideName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    Check(::RegQueryValueExW(handle.Get(), wideName.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE *>(data.data()), &size),
          "read " + name + " in " + key);
    data.resize(size / sizeof(wchar_t));
    while (!data.empty() && data.back() == L'\0') {
        data.pop_back();
    }
    return NarrowToUtf8(data);
}

} // namespace tessaport::testing
