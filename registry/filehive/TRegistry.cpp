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
#include "RegParser.h"
#include "RegText.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tessaport {

namespace {

// The file as OpenKey read it, parsed for editing: CloseKey edits it without parsing it again
// when the file is still the same, byte for byte.
struct ParsedFile {
    FileBytes bytes;
    std::unique_ptr<RegText> text;
    std::unique_ptr<RegEditor> editor;
};

// What OpenKey found: served to ReadInteger without reading the file again.
struct OpenKeyState {
    FileHive hive;
    RegKeyPath key;
    KeySnapshot snapshot;
    // Writes not yet in the file: CloseKey makes them in one replacement, together with the
    // key itself when it is still to be created.
    std::vector<RegEditor::Assignment> held;
    std::unique_ptr<ParsedFile> parsed;
    bool create = false;
};

std::unique_ptr<ParsedFile> ParseForEditing(const FileHive &hive, FileBytes bytes,
                                            const RegKeyPath &key) {
    auto parsed = std::make_unique<ParsedFile>(ParsedFile{std::move(bytes), nullptr, nullptr});
    parsed->text = std::make_unique<RegText>(parsed->bytes.View(), hive.Path());
    parsed->editor =
        std::make_unique<RegEditor>(parsed->text.get(), key, RegEditor::Preparation::WhenNeeded);
    return parsed;
}

std::string Describe(const OpenKeyState &open, const std::string &name) {
    return open.hive.Path() + ": " + open.key.FullName() + ": value \"" + name + "\"";
}

std::string DescribeHeld(const OpenKeyState &open) {
    std::string names;
    for (const RegEditor::Assignment &write : open.held) {
        names += names.empty() ? "" : ", ";
        names += "\"" + write.name + "\"";
    }
    return open.hive.Path() + ": " + open.key.FullName() + ": " +
           (open.held.size() == 1 ? "value " : "values ") + names;
}

// All held writes of the key in one replacement of the file, read-modify-write under the lock.
void WriteHeld(const OpenKeyState &open) {
    std::optional<std::string_view> parsedBytes;
    if (open.parsed) {
        parsedBytes = open.parsed->bytes.View();
    }
    open.hive.Update(
        [&](const FileHive::Current &current) {
            if (!current.bytes && !open.create) {
                throw ERegistryError(DescribeHeld(open) +
                                     " cannot be written: the file has been removed; nothing was "
                                     "written");
            }
            std::optional<RegText> text;
            std::optional<RegEditor> reparsed;
            // OpenKey's parse serves as long as the file is as it was read.
            if (!current.bytes) {
                reparsed.emplace(nullptr, open.key);
            } else if (!current.unchangedSinceRead) {
                text.emplace(*current.bytes, open.hive.Path());
                reparsed.emplace(&*text, open.key, RegEditor::Preparation::WhenNeeded);
            }
            const RegEditor &editor = reparsed ? *reparsed : *open.parsed->editor;
            if (!editor.Key().exists && !open.create) {
                throw ERegistryError(DescribeHeld(open) +
                                     " cannot be written: the key has been deleted; nothing was "
                                     "written");
            }
            return open.held.empty() ? editor.CreateKey() : editor.SetValues(open.held);
        },
        parsedBytes);
}

KeySnapshot ScanKey(const FileHive &hive, std::string_view bytes, const RegKeyPath &key) {
    const RegText text(bytes, hive.Path());
    KeyScanner scanner(key);
    RegParser::Parse(text, scanner);
    return scanner.TakeSnapshot();
}

} // namespace

struct TRegistry::Impl {
    explicit Impl(RegAccess requested) : access(requested) {}

    RegAccess access;
    RegRootKey root = kHKeyCurrentUser;
    std::string currentPath;
    std::string openFailure;
    std::optional<OpenKeyState> open;
};

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
    FileHive hive(HiveLocation::Current());
    const std::string &file = hive.Path();
    const bool wantsWrite = RequestsWriteAccess(impl_->access);
    const std::string cannotWrite =
        file + ": this user may not replace it (that needs read and write access to the file, "
               "write access to its folder and read access to its lock file)";
    std::optional<KeySnapshot> snapshot;
    std::unique_ptr<ParsedFile> parsed;
    bool create = false;
    switch (hive.State()) {
    case HiveState::Denied:
        return fail(file + ": this user may not reach it (a folder on its path is closed)");
    case HiveState::Missing:
        if (!canCreate) {
            return fail(file + ": there is no such file");
        }
        if (!hive.MayWrite()) {
            return fail(file + ": there is no such file, and this user may not create it");
        }
        snapshot.emplace().exists = true;
        create = true;
        break;
    case HiveState::Present: {
        if (!hive.MayRead()) {
            return fail(file + ": this user may not read it");
        }
        if (wantsWrite && !hive.MayWrite()) {
            const std::string lockRefusal = hive.LockRefusal();
            return fail(lockRefusal.empty() ? cannotWrite : lockRefusal);
        }
        std::optional<FileBytes> bytes = hive.Read();
        if (bytes && canCreate && wantsWrite) {
            // Opened to be written: parsed once for reading and editing.
            parsed = ParseForEditing(hive, std::move(*bytes), *path);
            snapshot = parsed->editor->Key();
        } else if (bytes) {
            snapshot = ScanKey(hive, bytes->View(), *path);
        }
        if (!snapshot || !snapshot->exists) {
            if (!canCreate) {
                return fail(file + ": there is no key " + path->FullName());
            }
            if (!hive.MayWrite()) {
                return fail(cannotWrite);
            }
            snapshot.emplace().exists = true;
            create = true;
        }
        break;
    }
    }
    impl_->open.emplace(OpenKeyState{
        std::move(hive), std::move(*path), std::move(*snapshot), {}, std::move(parsed), create});
    impl_->currentPath = key;
    return true;
}

const std::string &TRegistry::OpenFailure() const {
    return impl_->openFailure;
}

void TRegistry::CloseKey() {
    std::optional<OpenKeyState> closing = std::exchange(impl_->open, std::nullopt);
    impl_->currentPath.clear();
    if (closing && (closing->create || !closing->held.empty())) {
        WriteHeld(*closing);
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
    const FileHive hive(HiveLocation::Current());
    switch (hive.State()) {
    case HiveState::Missing:
        return false;
    case HiveState::Denied:
        throw ERegistryError(hive.Path() +
                             ": this user may not reach it (a folder on its path is closed)");
    case HiveState::Present:
        break;
    }
    if (!hive.MayRead()) {
        throw ERegistryError(hive.Path() + ": this user may not read it");
    }
    const std::optional<FileBytes> bytes = hive.Read();
    return bytes && ScanKey(hive, bytes->View(), *path).exists;
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
        throw ERegistryError("cannot look for \"" + name + "\": no key is open");
    }
    return impl_->open->snapshot.Find(name) != nullptr;
}

std::int32_t TRegistry::ReadInteger(const std::string &name) {
    if (!impl_->open) {
        throw ERegistryError("cannot read \"" + name + "\": no key is open");
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
        throw ERegistryError("cannot write \"" + name + "\": no key is open");
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
