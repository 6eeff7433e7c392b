// TRegistry over a .reg file hive (see FileHive.h).
#include "TRegistry.h"

#include "ERegistryError.h"
#include "FileHive.h"
#include "HiveLocation.h"
#include "KeyScanner.h"
#include "KeySnapshot.h"
#include "RegEditor.h"
#include "RegKeyPath.h"
#include "RegNames.h"
#include "RegText.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tessaport {

namespace {

// What OpenKey found: served to ReadInteger without reading the file again. A key opened to be
// written keeps the writers' lock and the file as read under it until CloseKey, which edits that
// parse and replaces the file once, whatever was written.
struct OpenKeyState {
    std::shared_ptr<const FileHive> hive;
    RegKeyPath key;
    KeySnapshot snapshot;
    // Writes not yet in the file: CloseKey makes them in one replacement, together with the
    // key itself when it is still to be created.
    std::vector<RegEditor::Assignment> held;
    std::unique_ptr<FileHive::Writer> writer;
    std::unique_ptr<RegText> text;
    std::unique_ptr<RegEditor> editor;
    bool create = false;
};

std::string Describe(const OpenKeyState &open, const std::string &name) {
    return open.hive->Path() + ": " + open.key.FullName() + ": value \"" + name + "\"";
}

// Why this user may not read the file, or empty when it may or there is none.
std::string ReadRefusal(const FileHive &hive) {
    if (hive.State() == HiveState::Denied) {
        return hive.Path() + ": this user may not reach it (a folder on its path is closed)";
    }
    if (hive.State() == HiveState::Present && !hive.MayRead()) {
        return hive.Path() + ": this user may not read it";
    }
    return {};
}

} // namespace

// One object serves one operation: the hive's path is resolved once, and the file read once for
// as long as it stays the same file.
struct TRegistry::Impl {
    explicit Impl(RegAccess requested) : access(requested) {}

    // The location is read at each use; the path is resolved again only when it changed.
    const std::shared_ptr<const FileHive> &Hive() {
        std::string location = HiveLocation::Current();
        if (!hive || hive->Path() != location) {
            hive = std::make_shared<const FileHive>(std::move(location));
            bytes.reset();
            bytesRead = false;
            scanned.reset();
        }
        return hive;
    }
    // The file's bytes, read once per object, or nullopt when there is none.
    const std::optional<FileBytes> &Bytes() {
        if (!bytesRead) {
            bytes = Hive()->Read();
            bytesRead = true;
        }
        return bytes;
    }
    // Takes the writers' lock, unless held, and parses the file as read under it for editing.
    void LockForWriting(OpenKeyState &state);

    RegAccess access;
    RegRootKey root = kHKeyCurrentUser;
    std::string currentPath;
    std::string openFailure;
    std::shared_ptr<const FileHive> hive;
    std::optional<FileBytes> bytes;
    bool bytesRead = false;
    // The last key scanned, so that KeyExists after a failed OpenKey reads nothing again.
    std::optional<std::pair<RegKeyPath, bool>> scanned;
    std::optional<OpenKeyState> open;
};

void TRegistry::Impl::LockForWriting(OpenKeyState &state) {
    if (!state.writer) {
        state.writer = std::make_unique<FileHive::Writer>(*state.hive);
    }
    // What was read before is read again under the lock.
    bytes.reset();
    bytesRead = false;
    const std::optional<std::string_view> &current = state.writer->Content().bytes;
    state.editor.reset();
    state.text.reset();
    if (current) {
        state.text = std::make_unique<RegText>(*current, state.hive->Path());
    }
    state.editor = std::make_unique<RegEditor>(state.text.get(), state.key,
                                               RegEditor::Preparation::WhenNeeded);
}

TRegistry::TRegistry(RegAccess access) : impl_(std::make_unique<Impl>(access)) {}

// Writes still held here were not closed by CloseKey, most likely because a failure is unwinding
// past this object; they are dropped, as a failed save must change nothing.
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
    const auto fail = [&](const std::string &reason) {
        impl_->openFailure = reason;
        return false;
    };
    std::optional<RegKeyPath> path = RegKeyPath::Make(impl_->root, key);
    if (!path) {
        return fail("\"" + key + "\" is not a valid key path");
    }
    const std::shared_ptr<const FileHive> opened = impl_->Hive();
    const FileHive &hive = *opened;
    const std::string &file = hive.Path();
    const std::string cannotWrite =
        file + ": this user may not replace it (that needs read and write access to the file, "
               "write access to its folder and read access to its lock file)";
    if (const std::string refusal = ReadRefusal(hive); !refusal.empty()) {
        return fail(refusal);
    }
    if (hive.State() == HiveState::Missing) {
        if (!canCreate) {
            return fail(file + ": there is no such file");
        }
        if (!hive.MayWrite()) {
            return fail(file + ": there is no such file, and this user may not create it");
        }
    } else if (RequestsWriteAccess(impl_->access) && !hive.MayWrite()) {
        const std::string lockRefusal = hive.LockRefusal();
        return fail(lockRefusal.empty() ? cannotWrite : lockRefusal);
    }
    OpenKeyState state{opened, std::move(*path), {}, {}, nullptr, nullptr, nullptr, false};
    // A file still to be made, and its folders, wait for CloseKey, as does the lock.
    if (canCreate && hive.State() == HiveState::Present && hive.MayWrite()) {
        // Opened to be written: parsed once, under the lock, for reading and editing.
        impl_->LockForWriting(state);
        state.snapshot = state.editor->Key();
    } else if (const std::optional<FileBytes> &bytes = impl_->Bytes()) {
        state.snapshot = KeyScanner::Scan(RegText(bytes->View(), hive.Path()), state.key);
        impl_->scanned.emplace(state.key, state.snapshot.exists);
    }
    if (!state.snapshot.exists) {
        if (!canCreate) {
            return fail(file + ": there is no key " + state.key.FullName());
        }
        if (!hive.MayWrite()) {
            return fail(cannotWrite);
        }
        state.snapshot.exists = true;
        state.create = true;
    }
    impl_->open.emplace(std::move(state));
    impl_->currentPath = key;
    return true;
}

const std::string &TRegistry::OpenFailure() const {
    return impl_->openFailure;
}

void TRegistry::CloseKey() {
    std::optional<OpenKeyState> closing = std::exchange(impl_->open, std::nullopt);
    impl_->currentPath.clear();
    if (!closing || (!closing->create && closing->held.empty())) {
        return;
    }
    OpenKeyState &open = *closing;
    if (!open.writer || open.writer->Refresh()) {
        impl_->LockForWriting(open);
    }
    if (!open.editor->Key().exists && !open.create) {
        std::string names;
        for (const RegEditor::Assignment &write : open.held) {
            names += (names.empty() ? "\"" : ", \"") + write.name + "\"";
        }
        throw ERegistryError(open.hive->Path() + ": " + open.key.FullName() + ": " +
                             (open.held.size() == 1 ? "value " : "values ") + names +
                             " cannot be written: the key has been deleted; nothing was written");
    }
    if (open.held.empty()) {
        if (const std::optional<std::string> created = open.editor->CreateKey()) {
            open.writer->Replace(*created);
        }
    } else if (const std::optional<RegEdit> edited = open.editor->SetValues(open.held)) {
        open.writer->Replace(edited->Pieces());
    }
}

bool TRegistry::HasCurrentKey() const {
    return impl_->open.has_value();
}

const std::string &TRegistry::CurrentPath() const {
    return impl_->currentPath;
}

bool TRegistry::KeyExists(const std::string &key) {
    const std::optional<RegKeyPath> path = RegKeyPath::Make(impl_->root, key);
    if (!path) {
        return false;
    }
    if (impl_->scanned &&
        RelationOf({path->Root(), path->Relative()}, impl_->scanned->first) == KeyRelation::Same) {
        return impl_->scanned->second;
    }
    const FileHive &hive = *impl_->Hive();
    if (const std::string refusal = ReadRefusal(hive); !refusal.empty()) {
        throw ERegistryError(refusal);
    }
    if (hive.State() == HiveState::Missing) {
        return false;
    }
    const std::optional<FileBytes> &bytes = impl_->Bytes();
    return bytes && KeyScanner::Scan(RegText(bytes->View(), hive.Path()), *path).exists;
}

bool TRegistry::DeleteKey(const std::string &key) {
    CloseKey();
    const std::optional<RegKeyPath> path = RegKeyPath::Make(impl_->root, key);
    if (!path) {
        return false;
    }
    const FileHive hive(HiveLocation::Current());
    const std::string what = hive.Path() + ": " + path->FullName() + " cannot be deleted: ";
    if (!RequestsWriteAccess(impl_->access)) {
        throw ERegistryError(what + "opened for reading only");
    }
    switch (hive.State()) {
    case HiveState::Missing:
        return false;
    case HiveState::Denied:
        throw ERegistryError(what + "this user may not reach the file (a folder on its path is "
                                    "closed)");
    case HiveState::Present:
        break;
    }
    if (!hive.MayRead() || !hive.MayWrite()) {
        throw ERegistryError(what + "this user may not replace the file (that needs read and "
                                    "write access to the file, write access to its folder and "
                                    "read access to its lock file)");
    }
    bool deleted = false;
    hive.Update([&](const FileHive::Current &current) -> std::optional<std::string> {
        if (!current.bytes) {
            return std::nullopt;
        }
        const RegText text(*current.bytes, hive.Path());
        std::optional<std::string> edited =
            RegEditor(&text, *path, RegEditor::Preparation::WhenNeeded).DeleteKey();
        deleted = edited.has_value();
        return edited;
    });
    return deleted;
}

bool TRegistry::ValueExists(const std::string &name) {
    if (!impl_->open) {
        throw ERegistryError::NoKeyOpen("look for", name);
    }
    return impl_->open->snapshot.Find(name) != nullptr;
}

std::int32_t TRegistry::ReadInteger(const std::string &name) {
    if (!impl_->open) {
        throw ERegistryError::NoKeyOpen("read", name);
    }
    const OpenKeyState &open = *impl_->open;
    const KeySnapshot::Entry *entry = open.snapshot.Find(name);
    if (entry == nullptr) {
        throw ERegistryError(Describe(open, name) + " does not exist");
    }
    const std::optional<std::uint32_t> number = entry->value.AsDword();
    if (!number) {
        std::string actual = RegTypeName(entry->value.type);
        if (entry->value.type == kRegDword) {
            actual += " of " + std::to_string(entry->value.data.size()) + " bytes";
        }
        throw ERegistryError(Describe(open, name) + " is not a DWORD (it is " + actual + ")");
    }
    return static_cast<std::int32_t>(*number);
}

void TRegistry::WriteInteger(const std::string &name, std::int32_t value) {
    if (!impl_->open) {
        throw ERegistryError::NoKeyOpen("write", name);
    }
    OpenKeyState &open = *impl_->open;
    if (!RequestsWriteAccess(impl_->access)) {
        throw ERegistryError(Describe(open, name) +
                             " cannot be written: the key was opened for reading only");
    }
    if (!IsWritableValueName(name)) {
        throw ERegistryError(Describe(open, name) +
                             " cannot be written: the name holds a control character or is "
                             "not valid UTF-8");
    }
    const RegValue dword = RegValue::Dword(static_cast<std::uint32_t>(value));
    open.held.push_back({name, dword});
    // Reads through this key see the write before it reaches the file.
    auto [entry, added] = open.snapshot.values.try_emplace(Folded(name));
    if (added) {
        entry->second.name = name;
    }
    entry->second.value = dword;
}

} // namespace tessaport
