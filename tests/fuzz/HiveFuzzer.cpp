// Feeds arbitrary bytes to the hive reader and editor. A file either fails to parse with
// ERegSyntaxError or parses; an edit is either refused or reads back as the old file plus
// exactly the change. Anything else (a crash, a hang, a leak, a wrong edit) aborts.
#include "ERegSyntaxError.h"
#include "KeyScanner.h"
#include "RegDocument.h"
#include "RegEditor.h"
#include "RegParser.h"
#include "RegText.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace tessaport;

const std::string kKeyPath = "Software\\Korvanta\\Tessaport\\Advantech";

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The one-key scanner must agree with the whole-document model.
void CheckScanner(const RegText &text, const RegKeyPath &key, const KeySnapshot &snapshot) {
    const RegDocument document = RegDocument::FromText(text);
    Require(snapshot.exists == document.KeyExists(key.Root(), key.Relative()));
    for (const auto &[folded, entry] : snapshot.values) {
        Require(document.Value(key.Root(), key.Relative(), entry.name) == entry.value);
    }
}

void CheckEdit(const RegText &text, const std::optional<std::string> &edited,
               const std::string &name, const std::optional<RegValue> &value) {
    if (!edited) {
        return;
    }
    RegDocument expected = RegDocument::FromText(text);
    if (value) {
        expected.SetValue(kHKeyLocalMachine, kKeyPath, name, *value);
    } else {
        expected.CreateKey(kHKeyLocalMachine, kKeyPath);
    }
    const RegText after(*edited, "fuzz");
    Require(RegDocument::FromText(after) == expected);
}

// Several values in one edit, as a save makes them: the old file plus exactly all of them.
void CheckSave(const RegText &text, const RegEditor &editor,
               const std::vector<RegEditor::Assignment> &save) {
    const std::optional<RegEdit> edit = editor.SetValues(save);
    const std::optional<std::string> edited =
        edit ? std::optional<std::string>(edit->Text()) : std::nullopt;
    RegDocument expected = RegDocument::FromText(text);
    for (const RegEditor::Assignment &assignment : save) {
        expected.SetValue(kHKeyLocalMachine, kKeyPath, assignment.name, assignment.value);
    }
    if (edited) {
        Require(RegDocument::FromText(RegText(*edited, "fuzz")) == expected);
    } else {
        Require(RegDocument::FromText(text) == expected);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const RegKeyPath key = *RegKeyPath::Make(kHKeyLocalMachine, kKeyPath);
    try {
        const RegText text(bytes, "fuzz");
        const RegEditor editor(&text, key);
        CheckScanner(text, key, editor.Key());
        // The last byte picks the edit, so that every kind of value gets written.
        const std::uint8_t pick = size == 0 ? 0 : data[size - 1];
        const std::string name = pick & 1 ? "NumberOfCards" : "numberofcards";
        const RegValue value = pick & 2 ? RegValue::Dword(0x80000000u | pick)
                                        : RegValue{kRegBinary, std::string(pick % 40, '\x5a')};
        try {
            CheckEdit(text, editor.SetValue(name, value), name, value);
            CheckEdit(text, editor.CreateKey(), name, std::nullopt);
            CheckSave(text, editor, {{name, value}});
            CheckSave(text, editor,
                      {{name, value},
                       {"PIIBeginAddress", RegValue::Dword(7)},
                       {"Other", RegValue{kRegSz, "x"}}});
            const RegEditor lazy(&text, key, RegEditor::Preparation::WhenNeeded);
            CheckSave(text, lazy, {{name, value}, {"Other", RegValue{kRegSz, "x"}}});
        } catch (const ERegSyntaxError &) {
            std::abort(); // the file parsed once; an edit must not find it broken
        } catch (const ERegistryError &) {
            // A refused edit is a correct answer.
        }
    } catch (const ERegSyntaxError &) {
    }
    return 0;
}
