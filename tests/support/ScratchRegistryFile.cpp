// ScratchRegistry over a temporary hive file. Set-up goes through the hive's own editor, so the
// file stays a valid .reg export; reads replay the file.
#include "FileHive.h"
#include "HiveLocation.h"
#include "KeyScanner.h"
#include "RegEditor.h"
#include "RegKeyPath.h"
#include "RegParser.h"
#include "RegText.h"
#include "RegValue.h"
#include "ScratchRegistry.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <vector>

namespace tessaport::testing {

namespace {

std::filesystem::path MakeTempFolder() {
    const char *base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/tessaport-scratch-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder from " + pattern);
    }
    return name.data();
}

RegKeyPath KeyFor(const std::string &key) {
    std::optional<RegKeyPath> path = RegKeyPath::Make(kHKeyLocalMachine, key);
    if (!path) {
        throw std::invalid_argument("not a key path that can be written: " + key);
    }
    return *path;
}

void Edit(const std::string &hivePath, const std::string &key,
          const std::function<std::optional<std::string>(const RegEditor &)> &change) {
    const FileHive hive(hivePath);
    const RegKeyPath path = KeyFor(key);
    hive.Update([&](const FileHive::Current &current) {
        std::optional<RegText> text;
        if (current.bytes) {
            text.emplace(*current.bytes, hive.Path());
        }
        return change(RegEditor(text ? &*text : nullptr, path));
    });
}

KeySnapshot Scan(const std::string &hivePath, const std::string &key) {
    const FileHive hive(hivePath);
    const std::optional<FileBytes> bytes = hive.Read();
    if (!bytes) {
        return {};
    }
    const RegText text(bytes->View(), hive.Path());
    const RegKeyPath path = KeyFor(key);
    KeyScanner scanner(path);
    RegParser::Parse(text, scanner);
    return scanner.TakeSnapshot();
}

std::optional<RegValue> ValueOf(const std::string &hivePath, const std::string &key,
                                const std::string &name) {
    const KeySnapshot snapshot = Scan(hivePath, key);
    const KeySnapshot::Entry *entry = snapshot.exists ? snapshot.Find(name) : nullptr;
    return entry == nullptr ? std::nullopt : std::optional<RegValue>(entry->value);
}

} // namespace

struct ScratchRegistry::State {
    std::filesystem::path folder;
    std::string hive;
    std::optional<std::string> previousVariable;
};

ScratchRegistry::ScratchRegistry() : state_(std::make_unique<State>()) {
    state_->folder = MakeTempFolder();
    state_->hive = (state_->folder / "registry.reg").string();
    if (const char *previous = std::getenv(HiveLocation::kVariable)) {
        state_->previousVariable = previous;
    }
    ::setenv(HiveLocation::kVariable, state_->hive.c_str(), 1);
}

ScratchRegistry::~ScratchRegistry() {
    if (state_->previousVariable) {
        ::setenv(HiveLocation::kVariable, state_->previousVariable->c_str(), 1);
    } else {
        ::unsetenv(HiveLocation::kVariable);
    }
    std::error_code ignored;
    std::filesystem::remove_all(state_->folder, ignored);
}

void ScratchRegistry::CreateKey(const std::string &key) {
    Edit(state_->hive, key, [](const RegEditor &editor) { return editor.CreateKey(); });
}

void ScratchRegistry::SetDword(const std::string &key, const std::string &name,
                               std::uint32_t value) {
    Edit(state_->hive, key,
         [&](const RegEditor &editor) { return editor.SetValue(name, RegValue::Dword(value)); });
}

void ScratchRegistry::SetString(const std::string &key, const std::string &name,
                                const std::string &value) {
    Edit(state_->hive, key, [&](const RegEditor &editor) {
        return editor.SetValue(name, RegValue{kRegSz, value});
    });
}

void ScratchRegistry::SetBinary(const std::string &key, const std::string &name,
                                const std::string &bytes) {
    Edit(state_->hive, key, [&](const RegEditor &editor) {
        return editor.SetValue(name, RegValue{kRegBinary, bytes});
    });
}

void ScratchRegistry::SetDwordBytes(const std::string &key, const std::string &name,
                                    const std::string &bytes) {
    Edit(state_->hive, key, [&](const RegEditor &editor) {
        return editor.SetValue(name, RegValue{kRegDword, bytes});
    });
}

bool ScratchRegistry::KeyExists(const std::string &key) const {
    return Scan(state_->hive, key).exists;
}

std::optional<std::uint32_t> ScratchRegistry::Dword(const std::string &key,
                                                    const std::string &name) const {
    const std::optional<RegValue> value = ValueOf(state_->hive, key, name);
    return value ? value->AsDword() : std::nullopt;
}

std::optional<std::string> ScratchRegistry::String(const std::string &key,
                                                   const std::string &name) const {
    const std::optional<RegValue> value = ValueOf(state_->hive, key, name);
    return value && value->type == kRegSz ? std::optional<std::string>(value->data) : std::nullopt;
}

} // namespace tessaport::testing
