#include "WinKeyTurn.h"

#include "ERegistryError.h"
#include "RegistryNotices.h"
#include "WinText.h"

#include <cstdint>
#include <cstdio>
#include <sddl.h>

namespace tessaport {
namespace {

// SYSTEM and administrators may do anything with it; any other signed-in user may take turns
// (SYNCHRONIZE and MUTEX_MODIFY_STATE), as reading the settings may need no more.
constexpr wchar_t kSecurity[] = L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;AU)";

// The longest name kept readable; longer key names are hashed, as a mutex name is limited.
constexpr std::size_t kReadableLength = 160;

std::wstring Hashed(const std::wstring &text) {
    std::uint64_t hash = 14695981039346656037ULL; // FNV-1a
    for (wchar_t c : text) {
        hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ULL;
    }
    wchar_t digits[17];
    std::swprintf(digits, 17, L"%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

class SecurityDescriptor {
public:
    SecurityDescriptor() {
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kSecurity, SDDL_REVISION_1,
                                                                    &descriptor_, nullptr)) {
            descriptor_ = nullptr; // the default: the creator's own
        }
    }
    ~SecurityDescriptor() { ::LocalFree(descriptor_); }
    SecurityDescriptor(const SecurityDescriptor &) = delete;
    SecurityDescriptor &operator=(const SecurityDescriptor &) = delete;

    SECURITY_ATTRIBUTES Attributes() const {
        return {sizeof(SECURITY_ATTRIBUTES), descriptor_, FALSE};
    }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// The key's name with its view: one mutex for each.
std::wstring NameFor(const std::string &where) {
    std::wstring key = WidenUtf8(where).value_or(L"");
    // Key names ignore case; a mutex name may hold no backslash after the namespace's.
    ::CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    for (wchar_t &c : key) {
        c = c == L'\\' ? L'/' : c;
    }
    return L"Global\\TessaportConfig.Key." + (key.size() <= kReadableLength ? key : Hashed(key));
}

} // namespace

std::wstring WinKeyTurn::MutexName(const std::string &key, REGSAM access, RegistryProcess process) {
    return NameFor(key + ViewLabel(ViewReached(access, process)));
}

WinKeyTurn::WinKeyTurn(const std::string &key, REGSAM access) {
    const std::string where = key + ViewLabel(ViewReached(access, ThisRegistryProcess()));
    const SecurityDescriptor security;
    SECURITY_ATTRIBUTES attributes = security.Attributes();
    const std::wstring name = NameFor(where);
    mutex_ = ::CreateMutexExW(&attributes, name.c_str(), 0, SYNCHRONIZE | MUTEX_MODIFY_STATE);
    if (mutex_ == nullptr) {
        throw ERegistryError(where +
                             ": cannot take turns with our other programs at this key "
                             "(mutex " +
                             NarrowToUtf8(name) + "): " + SystemErrorText(::GetLastError()) +
                             "; nothing was read or written");
    }
    // Abandoned: its holder ended during its turn, and the turn is now this one's.
    const DWORD waited = ::WaitForSingleObject(mutex_, kPatienceMilliseconds);
    if (waited == WAIT_OBJECT_0) {
        return;
    }
    if (waited == WAIT_ABANDONED) {
        RegistryNotices::Report(where + ": one of our programs ended while it held this key, so "
                                        "a save it was making may be part-done: check these "
                                        "settings, and set them again if they are wrong");
        return;
    }
    const DWORD error = ::GetLastError();
    ::CloseHandle(mutex_);
    mutex_ = nullptr;
    if (waited == WAIT_TIMEOUT) {
        throw ERegistryError(where + ": another of our programs has held this key for over " +
                             std::to_string(kPatienceMilliseconds / 1000) +
                             " seconds; nothing was read or written");
    }
    throw ERegistryError(
        where + ": cannot wait for our other programs at this key: " + SystemErrorText(error));
}

WinKeyTurn::~WinKeyTurn() {
    if (mutex_ != nullptr) {
        ::ReleaseMutex(mutex_);
        ::CloseHandle(mutex_);
    }
}

} // namespace tessaport
