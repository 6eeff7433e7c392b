// TRegistry on the system registry, through the W functions of advapi32.
#include "TRegistry.h"

#include "ERegistryError.h"
#include "RegKeyPath.h"
#include "RegNames.h"
#include "WinKeyHandle.h"
#include "WinKeyTurn.h"
#include "WinRegistryApi.h"

#include <optional>

namespace tessaport {
namespace {

// A caller that names a view itself keeps it.
REGSAM WithSettingsView(RegAccess access) {
    const REGSAM requested = access;
    return (requested & (KEY_WOW64_32KEY | KEY_WOW64_64KEY)) != 0 ? requested
                                                                  : requested | SettingsViewFlag();
}

} // namespace

struct TRegistry::Impl {
    explicit Impl(RegAccess requested) : access(WithSettingsView(requested)) {}

    // As asked for, in the settings' view unless the caller named one.
    REGSAM access;
    RegRootKey root = kHKeyCurrentUser;
    // Released after the key is closed.
    std::optional<WinKeyTurn> turn;
    WinKeyHandle key;
    std::string path;
    std::string openFailure;

    std::string KeyName(const std::string &keyPath) const {
        return std::string(RootKeyName(root)) + "\\" + keyPath;
    }
    std::string Where(const std::string &keyPath) const {
        return KeyName(keyPath) + ViewLabel(ViewReached(access, ThisRegistryProcess()));
    }
};

TRegistry::TRegistry(RegAccess access) : impl_(std::make_unique<Impl>(access)) {}

TRegistry::~TRegistry() = default;

RegRootKey TRegistry::RootKey() const {
    return impl_->root;
}

void TRegistry::RootKey(RegRootKey root) {
    CloseKey();
    impl_->root = root;
}

bool TRegistry::OpenKey(const std::string &key, bool canCreate) {
    CloseKey();
    impl_->openFailure.clear();
    const HKEY root = PredefinedRootKey(impl_->root);
    // The system would take "\Software", "Software\\Korvanta" or a name with "[" too; both back
    // ends must agree on which keys can exist, so the file hive's rule applies.
    if (root == nullptr || !RegKeyPath::Make(impl_->root, key)) {
        impl_->openFailure = "\"" + key + "\" is not a valid key path under this root";
        return false;
    }
    // Held until the key is closed: what is read or written meanwhile is one whole.
    impl_->turn.emplace(impl_->KeyName(key), impl_->access);
    try {
        impl_->key = OpenWinKey(root, key, impl_->access, canCreate, impl_->Where(key));
    } catch (const ERegistryError &failure) {
        impl_->turn.reset();
        // Only success is reported: the store turns a false into its own message.
        impl_->openFailure = failure.what();
        return false;
    }
    impl_->path = key;
    return true;
}

const std::string &TRegistry::OpenFailure() const {
    return impl_->openFailure;
}

void TRegistry::CloseKey() {
    impl_->key.Reset();
    impl_->turn.reset();
    impl_->path.clear();
}

bool TRegistry::HasCurrentKey() const {
    return static_cast<bool>(impl_->key);
}

const std::string &TRegistry::CurrentPath() const {
    return impl_->path;
}

bool TRegistry::KeyExists(const std::string &key) {
    const HKEY root = PredefinedRootKey(impl_->root);
    if (root == nullptr || !RegKeyPath::Make(impl_->root, key)) {
        return false;
    }
    return WinKeyExists(root, key, WithSettingsView(kKeyQueryValue), impl_->Where(key));
}

bool TRegistry::DeleteKey(const std::string &key) {
    CloseKey();
    const HKEY root = PredefinedRootKey(impl_->root);
    if (root == nullptr || !RegKeyPath::Make(impl_->root, key)) {
        return false;
    }
    if (!RequestsWriteAccess(impl_->access)) {
        throw ERegistryError("Cannot delete " + impl_->Where(key) + ": opened for reading only");
    }
    const WinKeyTurn turn(impl_->KeyName(key), impl_->access);
    return DeleteWinKey(root, key, impl_->access & KEY_WOW64_RES, impl_->Where(key));
}

bool TRegistry::ValueExists(const std::string &name) {
    if (!impl_->key) {
        throw ERegistryError::NoKeyOpen("look for", name);
    }
    return HasValue(impl_->key.Get(), name, impl_->Where(impl_->path));
}

std::int32_t TRegistry::ReadInteger(const std::string &name) {
    if (!impl_->key) {
        throw ERegistryError::NoKeyOpen("read", name);
    }
    return static_cast<std::int32_t>(QueryDword(impl_->key.Get(), name, impl_->Where(impl_->path)));
}

void TRegistry::WriteInteger(const std::string &name, std::int32_t value) {
    if (!impl_->key) {
        throw ERegistryError::NoKeyOpen("write", name);
    }
    SetDword(impl_->key.Get(), name, static_cast<std::uint32_t>(value), impl_->Where(impl_->path));
}

} // namespace tessaport
