// Editing a .reg file: the exact bytes each edit produces, and edits that are refused because
// they would change how the rest of the file reads.
#include "RegEditor.h"

#include "ERegistryError.h"
#include "RegDocument.h"
#include "RegParser.h"
#include "RegText.h"
#include "StateFingerprint.h"
#include "Utf16Export.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace tessaport {
namespace {

using testing::Utf16Export;

const std::string kKey = "Software\\Korvanta\\Tessaport\\Advantech";
const std::string kHeader = "[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Advantech]";
const std::string kV5 = "Windows Registry Editor Version 5.00";

std::string Repeat(std::string_view text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

RegKeyPath Key() {
    return *RegKeyPath::Make(kHKeyLocalMachine, kKey);
}

struct EditCase {
    std::string name;
    std::string before;
    std::string valueName;
    RegValue value;
    std::optional<std::string> after; // nullopt: the edit is refused
};

// Besides the exact bytes: the edited file must read as the old one plus the change.
void ExpectOnlyTheChange(const std::string &before, const std::string &after,
                         const std::string &name, const RegValue &value) {
    RegDocument expected = RegDocument::FromText(RegText(before, "t.reg"));
    expected.SetValue(kHKeyLocalMachine, kKey, name, value);
    EXPECT_TRUE(RegDocument::FromText(RegText(after, "t.reg")) == expected);
}

TEST(RegEditor, SetValueChangesOnlyWhatDecidesTheValue) {
    const RegValue ten = RegValue::Dword(10);
    const std::string other = "[HKEY_LOCAL_MACHINE\\Software\\Other]";
    const std::vector<EditCase> cases{
        {"rewrites the deciding line, keeping its comment",
         kV5 + "\r\n\r\n; settings\r\n" + kHeader +
             "\r\n@=\"default\"\r\n"
             "\"NumberOfCards\"=dword:00000003 ; three\r\n\"Other\"=\"x\"\r\n\r\n" +
             other + "\r\n\"NumberOfCards\"=dword:00000001\r\n",
         "NumberOfCards", ten,
         kV5 + "\r\n\r\n; settings\r\n" + kHeader +
             "\r\n@=\"default\"\r\n"
             "\"NumberOfCards\"=dword:0000000a ; three\r\n\"Other\"=\"x\"\r\n\r\n" +
             other + "\r\n\"NumberOfCards\"=dword:00000001\r\n"},
        {"keeps the file's spelling and blanks",
         "REGEDIT4\n[hklm\\SOFTWARE\\korvanta\\Tessaport\\ADVANTECH]\n  \"numberofcards\" =  "
         "dword:3\n",
         "NumberOfCards", ten,
         "REGEDIT4\n[hklm\\SOFTWARE\\korvanta\\Tessaport\\ADVANTECH]\n  \"numberofcards\" =  "
         "dword:0000000a\n"},
        {"a string becomes a dword", "REGEDIT4\n" + kHeader + "\n\"NumberOfCards\"=\"3\"\n",
         "NumberOfCards", ten, "REGEDIT4\n" + kHeader + "\n\"NumberOfCards\"=dword:0000000a\n"},
        {"a continued hex value becomes one line, keeping the comment lines within it",
         kV5 + "\r\n" + kHeader +
             "\r\n\"NumberOfCards\"=hex(4):03,\\\r\n ; note\r\n\r\n  00,00,00\r\n"
             "\"Next\"=dword:1\r\n",
         "NumberOfCards", ten,
         kV5 + "\r\n" + kHeader +
             "\r\n\"NumberOfCards\"=dword:0000000a\r\n ; note\r\n\"Next\"=dword:1\r\n"},
        {"of a repeated value only the last line counts",
         "REGEDIT4\n" + kHeader + "\n\"NumberOfCards\"=dword:1\n" + kHeader +
             "\n\"NumberOfCards\"=dword:2\n",
         "NumberOfCards", ten,
         "REGEDIT4\n" + kHeader + "\n\"NumberOfCards\"=dword:1\n" + kHeader +
             "\n\"NumberOfCards\"=dword:0000000a\n"},
        {"a missing value goes after the key's last value",
         "REGEDIT4\n\n[HKLM\\Software\\Korvanta\\Tessaport\\Advantech]\n\"A\"=dword:1\n\n" + other +
             "\n",
         "NumberOfCards", ten,
         "REGEDIT4\n\n[HKLM\\Software\\Korvanta\\Tessaport\\Advantech]\n\"A\"=dword:1\n"
         "\"NumberOfCards\"=dword:0000000a\n\n" +
             other + "\n"},
        {"a deleted value comes back after its deletion",
         "REGEDIT4\n" + kHeader + "\n\"NumberOfCards\"=dword:1\n\"NumberOfCards\"=-\n",
         "NumberOfCards", ten,
         "REGEDIT4\n" + kHeader +
             "\n\"NumberOfCards\"=dword:1\n\"NumberOfCards\"=-\n"
             "\"NumberOfCards\"=dword:0000000a\n"},
        {"after a deletion only the key's later section counts",
         "REGEDIT4\n" + kHeader + "\n\"A\"=dword:1\n[-HKEY_LOCAL_MACHINE\\Software\\Korvanta]\n" +
             kHeader + "\n",
         "NumberOfCards", ten,
         "REGEDIT4\n" + kHeader + "\n\"A\"=dword:1\n[-HKEY_LOCAL_MACHINE\\Software\\Korvanta]\n" +
             kHeader + "\n\"NumberOfCards\"=dword:0000000a\n"},
        {"a key kept alive by a subkey gets a new section",
         kV5 + "\r\n" + kHeader + "\r\n\"A\"=dword:1\r\n[-" + kHeader.substr(1) + "\r\n" +
             "[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Advantech\\Sub]\r\n",
         "NumberOfCards", ten,
         kV5 + "\r\n" + kHeader + "\r\n\"A\"=dword:1\r\n[-" + kHeader.substr(1) + "\r\n" +
             "[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Advantech\\Sub]\r\n\r\n" +
             kHeader + "\r\n\"NumberOfCards\"=dword:0000000a\r\n\r\n"},
        {"a missing key is appended after a missing final newline",
         "REGEDIT4\n" + other + "\n\"a\"=dword:1", "NumberOfCards", ten,
         "REGEDIT4\n" + other + "\n\"a\"=dword:1\n\n" + kHeader +
             "\n\"NumberOfCards\"=dword:0000000a\n\n"},
        {"an export's closing blank line is reused", kV5 + "\r\n\r\n" + other + "\r\n\r\n",
         "NumberOfCards", ten,
         kV5 + "\r\n\r\n" + other + "\r\n\r\n" + kHeader +
             "\r\n\"NumberOfCards\"=dword:0000000a\r\n\r\n"},
        {"CR-only files get CR", "REGEDIT4\r\r" + other + "\r", "NumberOfCards", ten,
         "REGEDIT4\r\r" + other + "\r\r" + kHeader + "\r\"NumberOfCards\"=dword:0000000a\r\r"},
        {"a last value without a line end", "REGEDIT4\n" + kHeader + "\n\"A\"=dword:1",
         "NumberOfCards", ten,
         "REGEDIT4\n" + kHeader + "\n\"A\"=dword:1\n\"NumberOfCards\"=dword:0000000a\n"},
        {"rewriting a value cut off by the end of the file drops its dangling backslash",
         "REGEDIT4\n" + kHeader + "\n\"NumberOfCards\"=hex:01,\\", "NumberOfCards", ten,
         "REGEDIT4\n" + kHeader + "\n\"NumberOfCards\"=dword:0000000a"},
        {"nothing can follow another key's dangling backslash",
         "REGEDIT4\n" + other + "\n\"b\"=hex:01,\\\n", "NumberOfCards", ten, std::nullopt},
        {"after the key's own a new value goes right below its header",
         "REGEDIT4\n" + kHeader + "\n\"A\"=hex:01,\\\n", "NumberOfCards", ten,
         "REGEDIT4\n" + kHeader + "\n\"NumberOfCards\"=dword:0000000a\n\"A\"=hex:01,\\\n"},
        {"negative numbers as two's complement", "REGEDIT4\n" + kHeader + "\n\"N\"=dword:1\n", "N",
         RegValue::Dword(static_cast<std::uint32_t>(-1)),
         "REGEDIT4\n" + kHeader + "\n\"N\"=dword:ffffffff\n"},
        {"long binary data wraps like an export", "REGEDIT4\n" + kHeader + "\n", "Blob",
         RegValue{kRegBinary, std::string(30, '\xAB')},
         "REGEDIT4\n" + kHeader + "\n\"Blob\"=hex:" + Repeat("ab,", 21) + "\\\n  " +
             Repeat("ab,", 8) + "ab\n"},
        {"names and strings are escaped", "REGEDIT4\n" + kHeader + "\n", "a \"b\" \\c",
         RegValue{kRegSz, "C:\\d \"e\""},
         "REGEDIT4\n" + kHeader + "\n\"a \\\"b\\\" \\\\c\"=\"C:\\\\d \\\"e\\\"\"\n"},
    };
    for (const EditCase &c : cases) {
        SCOPED_TRACE(c.name);
        const RegText text(c.before, "t.reg");
        const RegEditor editor(&text, Key());
        if (!c.after) {
            EXPECT_THROW(editor.SetValue(c.valueName, c.value), ERegistryError);
            continue;
        }
        const std::optional<std::string> after = editor.SetValue(c.valueName, c.value);
        ASSERT_TRUE(after);
        EXPECT_EQ(*after, *c.after);
        ExpectOnlyTheChange(c.before, *after, c.valueName, c.value);
    }
}

TEST(RegEditor, SetValuesMakesAllChangesInOneEdit) {
    const std::vector<RegEditor::Assignment> three{{"NumberOfCards", RegValue::Dword(2)},
                                                   {"PIIBeginAddress", RegValue::Dword(3)},
                                                   {"PIQBeginAddress", RegValue::Dword(4)}};
    struct Case {
        std::string name;
        std::string before;
        std::optional<std::string> after; // nullopt: nothing to do
    };
    const std::string other = "[HKEY_LOCAL_MACHINE\\Software\\Other]";
    const std::vector<Case> cases{
        {"rewritten where they are, a missing one added after the last",
         "REGEDIT4\n" + kHeader +
             "\n\"PIQBeginAddress\"=dword:9 ; q\n\"NumberOfCards\"=dword:9\n\n" + other + "\n",
         "REGEDIT4\n" + kHeader +
             "\n\"PIQBeginAddress\"=dword:00000004 ; q\n\"NumberOfCards\"=dword:00000002\n"
             "\"PIIBeginAddress\"=dword:00000003\n\n" +
             other + "\n"},
        {"a key whose last value is continued at the end of the file",
         "REGEDIT4\n\n" + kHeader + "\n\"NumberOfCards\"=dword:1\n\"x\"=hex:01,\\",
         "REGEDIT4\n\n" + kHeader +
             "\n\"PIIBeginAddress\"=dword:00000003\n\"PIQBeginAddress\"=dword:00000004\n"
             "\"NumberOfCards\"=dword:00000002\n\"x\"=hex:01,\\"},
        {"a missing key gets one new section", "REGEDIT4\n" + other + "\n",
         "REGEDIT4\n" + other + "\n\n" + kHeader +
             "\n\"NumberOfCards\"=dword:00000002\n\"PIIBeginAddress\"=dword:00000003\n"
             "\"PIQBeginAddress\"=dword:00000004\n\n"},
        {"all three rewritten, a continued one with its comment line and one cut off at the end",
         kV5 + "\r\n\r\n" + kHeader +
             "\r\n\"NumberOfCards\"=hex(4):09,\\\r\n; four bytes\r\n  00,00,00 ; n\r\n"
             "\"PIIBeginAddress\"=\"9\"\r\n[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n\"y\"=dword:"
             "1\r\n" +
             kHeader + "\r\n\"PIQBeginAddress\"=hex:01,\\",
         kV5 + "\r\n\r\n" + kHeader +
             "\r\n\"NumberOfCards\"=dword:00000002 ; n\r\n; four bytes\r\n"
             "\"PIIBeginAddress\"=dword:00000003\r\n[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
             "\"y\"=dword:1\r\n" +
             kHeader + "\r\n\"PIQBeginAddress\"=dword:00000004"},
        {"all three already so",
         "REGEDIT4\n" + kHeader +
             "\n\"NumberOfCards\"=dword:2\n\"PIIBeginAddress\"=dword:3\n\"PIQBeginAddress\"=dword:"
             "4\n",
         std::nullopt},
    };
    // Whether the rest of the file is fingerprinted first or only when an edit needs it, the
    // edit is the same.
    for (const auto preparation :
         {RegEditor::Preparation::Now, RegEditor::Preparation::WhenNeeded}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(c.name);
            const RegText text(c.before, "t.reg");
            const std::optional<RegEdit> edit =
                RegEditor(&text, Key(), preparation).SetValues(three);
            const std::optional<std::string> after =
                edit ? std::optional<std::string>(edit->Text()) : std::nullopt;
            EXPECT_EQ(after, c.after);
            if (after) {
                RegDocument expected = RegDocument::FromText(text);
                for (const RegEditor::Assignment &assignment : three) {
                    expected.SetValue(kHKeyLocalMachine, kKey, assignment.name, assignment.value);
                }
                EXPECT_TRUE(RegDocument::FromText(RegText(*after, "t.reg")) == expected);
            }
        }
    }

    // Nothing is made when one of them cannot be placed.
    const std::string blocked = "REGEDIT4\n" + other + "\n\"b\"=hex:01,\\\n";
    const RegText text(blocked, "t.reg");
    try {
        RegEditor(&text, Key()).SetValues(three);
        ADD_FAILURE() << "placed values after another key's dangling backslash";
    } catch (const ERegistryError &failure) {
        EXPECT_NE(std::string(failure.what()).find("NumberOfCards"), std::string::npos);
        EXPECT_NE(std::string(failure.what()).find("left as it is"), std::string::npos);
    }
}

// Names of other keys are compared as the registry compares them, ASCII letters alone folded:
// an edit next to them passes only when they read the same.
TEST(RegEditor, OtherKeysCountAsChangedExactlyWhenTheyReadDifferently) {
    const auto fingerprint = [](const std::string &rest) {
        const std::string file = "REGEDIT4\n" + kHeader + "\n" + rest;
        const RegText text(file, "t.reg");
        const RegKeyPath key = Key();
        StateFingerprint print(key);
        RegParser::Parse(text, print);
        return print.Value();
    };
    const std::string base = "[HKLM\\Software\\AbcXyz@[`{]\n\"NameZ\"=\"Data\"\n";
    EXPECT_EQ(fingerprint(base), fingerprint("[hklm\\SOFTWARE\\aBCxYZ@[`{]\n\"namez\"=\"Data\"\n"));
    EXPECT_EQ(fingerprint(base),
              fingerprint(base + kHeader + "\n\"Own\"=dword:1\n")); // the key itself is left out
    for (const std::string changed :
         {"[HKLM\\Software\\AbcXyz`[`{]\n\"NameZ\"=\"Data\"\n",
          "[HKLM\\Software\\AbcXyz@{`{]\n\"NameZ\"=\"Data\"\n",
          "[HKLM\\Software\\AbcXyz@[`{]\n\"NameZ\"=\"data\"\n",
          "[HKLM\\Software\\AbcXyz@[`{]\n\"Name\xC3\x84\"=\"Data\"\n",
          "[HKLM\\Software\\AbcXyz@[`{]\n\"NameZ\"=\"Data\"\n\"Second\"=dword:1\n"}) {
        SCOPED_TRACE(changed);
        EXPECT_NE(fingerprint(base), fingerprint(changed));
    }
    EXPECT_NE(fingerprint("[HKLM\\Software\\A]\n\"\xC3\x84\"=dword:1\n"),
              fingerprint("[HKLM\\Software\\A]\n\"\xC3\xA4\"=dword:1\n"));
}

TEST(RegEditor, EditsAWindowsExportInItsOwnEncoding) {
    const std::string exportText =
        kV5 + "\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvanta]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvanta\\Tessaport\\Advantech]\r\n"
              "@=\"Cart\xC3\xA9s\"\r\n"
              "\"NumberOfCards\"=dword:00000003\r\n"
              "\"Path\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,\\\r\n"
              "  74,00,25,00,00,00\r\n"
              "\"Limit\"=hex(b):00,01,00,00,00,00,00,00\r\n"
              "\r\n";
    struct Utf16Case {
        std::string name;
        std::string valueName;
        std::string expected;
    };
    const std::vector<Utf16Case> cases{
        {"replace", "NumberOfCards",
         kV5 + "\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvanta]\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvanta\\Tessaport\\Advantech]\r\n"
               "@=\"Cart\xC3\xA9s\"\r\n"
               "\"NumberOfCards\"=dword:0000000a\r\n"
               "\"Path\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,\\\r\n"
               "  74,00,25,00,00,00\r\n"
               "\"Limit\"=hex(b):00,01,00,00,00,00,00,00\r\n"
               "\r\n"},
        {"add", "PIIBeginAddress",
         kV5 + "\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvanta]\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvanta\\Tessaport\\Advantech]\r\n"
               "@=\"Cart\xC3\xA9s\"\r\n"
               "\"NumberOfCards\"=dword:00000003\r\n"
               "\"Path\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,\\\r\n"
               "  74,00,25,00,00,00\r\n"
               "\"Limit\"=hex(b):00,01,00,00,00,00,00,00\r\n"
               "\"PIIBeginAddress\"=dword:0000000a\r\n"
               "\r\n"},
    };
    const std::string before = Utf16Export(exportText);
    {
        SCOPED_TRACE("new key");
        const std::string withoutKey =
            kV5 + "\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvanta]\r\n\"A\"=dword:1\r\n";
        const std::string utf16 = Utf16Export(withoutKey);
        const RegText text(utf16, "t.reg");
        EXPECT_EQ(RegEditor(&text, Key()).SetValue("N", RegValue::Dword(10)),
                  Utf16Export(withoutKey + "\r\n" + kHeader + "\r\n\"N\"=dword:0000000a\r\n\r\n"));
    }
    for (const Utf16Case &c : cases) {
        SCOPED_TRACE(c.name);
        const RegText text(before, "t.reg");
        const std::optional<std::string> after =
            RegEditor(&text, Key()).SetValue(c.valueName, RegValue::Dword(10));
        ASSERT_TRUE(after);
        EXPECT_EQ(*after, Utf16Export(c.expected));
        ExpectOnlyTheChange(before, *after, c.valueName, RegValue::Dword(10));
    }
}

TEST(RegEditor, LeavesAFileAloneWhenItAlreadySaysSo) {
    const std::vector<std::string> files{
        "REGEDIT4\n" + kHeader + "\n\"N\"=dword:0000000a\n",
        "REGEDIT4\n" + kHeader + "\n\"n\"=hex(4):0a,00,00,00\n",
        "REGEDIT4\n[HKLM\\Software\\Korvanta\\Tessaport\\Advantech]\n\"N\"=dword:a\n",
    };
    for (const std::string &file : files) {
        SCOPED_TRACE(file);
        const RegText text(file, "t.reg");
        EXPECT_EQ(RegEditor(&text, Key()).SetValue("N", RegValue::Dword(10)), std::nullopt);
    }
}

TEST(RegEditor, CreatesKeys) {
    struct CreateCase {
        std::string name;
        std::optional<std::string> before; // nullopt: no file yet
        std::optional<std::string> after;  // nullopt: nothing to do
    };
    const std::vector<CreateCase> cases{
        {"new file", std::nullopt, kV5 + "\r\n\r\n" + kHeader + "\r\n\r\n"},
        {"existing key", "REGEDIT4\n" + kHeader + "\n", std::nullopt},
        {"existing through a subkey", "REGEDIT4\n[HKLM\\" + kKey + "\\Sub]\n", std::nullopt},
        {"appended", "REGEDIT4\n[HKLM\\Software]\n",
         "REGEDIT4\n[HKLM\\Software]\n\n" + kHeader + "\n\n"},
        {"deleted key comes back", "REGEDIT4\n" + kHeader + "\n\"A\"=dword:1\n[-HKLM\\Software]\n",
         "REGEDIT4\n" + kHeader + "\n\"A\"=dword:1\n[-HKLM\\Software]\n\n" + kHeader + "\n\n"},
    };
    for (const CreateCase &c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<RegText> text;
        if (c.before) {
            text.emplace(*c.before, "t.reg");
        }
        const RegEditor editor(text ? &*text : nullptr, Key());
        EXPECT_EQ(editor.CreateKey(), c.after);
    }
}

TEST(RegEditor, NewFilesLookLikeAnExport) {
    const std::optional<std::string> created =
        RegEditor(nullptr, Key()).SetValue("NumberOfCards", RegValue::Dword(3));
    EXPECT_EQ(created, kV5 + "\r\n\r\n" + kHeader + "\r\n\"NumberOfCards\"=dword:00000003\r\n\r\n");
}

} // namespace
} // namespace tessaport
