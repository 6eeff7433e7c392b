// Reading .reg text: the value grammar, the replayed state, and the errors for input that an
// importer would not take as written.
#include "RegParser.h"

#include "ERegSyntaxError.h"
#include "KeyScanner.h"
#include "RegDocument.h"
#include "RegText.h"
#include "Utf16Export.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace tessaport {
namespace {

using namespace std::string_literals;
using testing::Utf16Export;

RegDocument Parse(std::string_view bytes) {
    return RegDocument::FromText(RegText(bytes, "t.reg"));
}

// The line an ERegSyntaxError names, or 0 when the text parses.
std::size_t FailingLine(std::string_view bytes, std::string *message = nullptr) {
    try {
        Parse(bytes);
    } catch (const ERegSyntaxError &failure) {
        if (message != nullptr) {
            *message = failure.what();
        }
        return failure.Line();
    }
    return 0;
}

struct DwordCase {
    std::string data;
    std::optional<std::uint32_t> expected; // nullopt: the line is rejected
};

TEST(RegParser, DwordGrammar) {
    const std::vector<DwordCase> cases{
        {"dword:00000003", 3u},
        {"dword:3", 3u},
        {"dword:FfFfFfFf", 0xFFFFFFFFu},
        {"dword:80000000", 0x80000000u},
        {"dword:  0000000a", 10u},
        {"dword:0000000a   ", 10u},
        {"dword:0000000a;comment", 10u},
        {"dword:0000000a ; comment", 10u},
        {"dword:", std::nullopt},
        {"dword:   ", std::nullopt},
        {"dword:000000001", std::nullopt},
        {"dword:0000000g", std::nullopt},
        {"dword:0000g000", std::nullopt},
        {"dword:0x1", std::nullopt},
        {"dword:-1", std::nullopt},
        {"dword:+1", std::nullopt},
        {"dword:00 01", std::nullopt},
        {"dword:1g", std::nullopt},
        {"DWORD:1", std::nullopt},
        {"dword :1", std::nullopt},
        {"dword:1,", std::nullopt},
    };
    for (const DwordCase &c : cases) {
        SCOPED_TRACE(c.data);
        const std::string file = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=" + c.data + "\n";
        if (c.expected) {
            const std::optional<RegValue> value = Parse(file).Value(kHKeyLocalMachine, "K", "v");
            ASSERT_TRUE(value);
            EXPECT_EQ(value->AsDword(), c.expected);
        } else {
            EXPECT_EQ(FailingLine(file), 3u);
        }
    }
}

struct MalformedCase {
    std::string name;
    std::string bytes;
    std::size_t line;
    std::string reason; // a fragment of the message
};

TEST(RegParser, MalformedInputNamesFileAndLine) {
    const std::string head =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n";
    const std::string utf16 = Utf16Export(head + "\"a\"=dword:1\r\n");
    const std::vector<MalformedCase> cases{
        {"empty file", "", 1, "empty"},
        {"lower-case header", "regedit4\n", 1, "header"},
        {"spaced header", "REGEDIT 4\n[HKEY_LOCAL_MACHINE\\K]\n", 1, "header"},
        {"blank line before header", "\nREGEDIT4\n", 1, "header"},
        {"text after header", "REGEDIT4 \n", 1, "header"},
        {"UTF-8 byte order mark", "\xEF\xBB\xBFREGEDIT4\n", 1, "UTF-8"},
        {"UTF-16 big-endian", "\xFE\xFF\0R"s, 1, "big-endian"},
        {"UTF-16 without byte order mark", std::string("R\0E\0G\0", 6), 1, "NUL"},
        {"truncated UTF-16", utf16.substr(0, utf16.size() - 1), 5, "half a character"},
        {"unpaired surrogate", Utf16Export(head) + std::string("\x00\xD8\x41\x00", 4), 4,
         "surrogate"},
        {"NUL byte", head + "\"a\"=dword:1\0\r\n"s, 4, "NUL"},
        {"NUL byte in a long line", head + "\"NumberOfCards\"=dword:00000001\0\r\n"s, 4, "NUL"},
        {"CR in a long line", head + "\"NumberOfCards\"=dword:00000001\rx\r\n", 5, "neither"},
        {"binary",
         "\x7F"
         "ELF\x02\x01\x01",
         1, "header"},
        {"value before any section", "REGEDIT4\n\"a\"=dword:1\n", 2, "before any section"},
        {"unknown line", head + "hello\r\n", 4, "neither"},
        {"header without ]", head + "[HKEY_LOCAL_MACHINE\\X\r\n", 4, "']'"},
        {"text after header", head + "[HKEY_LOCAL_MACHINE\\X] x\r\n", 4, "after the section"},
        {"doubled backslash", head + "[HKEY_LOCAL_MACHINE\\a\\\\b]\r\n", 4, "empty name"},
        {"leading backslash", head + "[HKEY_LOCAL_MACHINE\\\\a]\r\n", 4, "empty name"},
        {"trailing backslashes", head + "[HKEY_LOCAL_MACHINE\\a\\\\]\r\n", 4, "empty name"},
        {"name without quote", head + "\"a=dword:1\r\n", 4, "closing quote"},
        {"missing =", head + "\"a\" dword:1\r\n", 4, "'='"},
        {"quote inside a name", head + "\"a\"b\"=dword:00000001\r\n", 4, "'='"},
        {"name ending in an escaped quote", head + "\"a\\\"=dword:00000001\r\n", 4,
         "closing quote"},
        {"string without quote", head + "\"a\"=\"text\r\n", 4, "closing quote"},
        {"string ending in an escaped quote", head + "\"a\"=\"text\\\"\r\n", 4, "closing quote"},
        {"text after string", head + "\"a\"=\"text\" x\r\n", 4, "after the string"},
        {"text after -", head + "\"a\"=-1\r\n", 4, "after '-'"},
        {"unknown type", head + "\"a\"=str(2):x\r\n", 4, "unknown kind"},
        {"bad hex type", head + "\"a\"=hex(4x):00\r\n", 4, "hex(N)"},
        {"hex type without digits", head + "\"a\"=hex():00\r\n", 4, "hex(N)"},
        {"three-digit byte", head + "\"a\"=hex:100\r\n", 4, "two digits"},
        {"missing comma", head + "\"a\"=hex:01 02\r\n", 4, "invalid hex"},
        {"empty byte", head + "\"a\"=hex:01,,02\r\n", 4, "invalid hex"},
        {"dangling continuation", head + "\"a\"=hex:01,\\\r\n\r\n[HKEY_LOCAL_MACHINE\\Y]\r\n", 6,
         "continuation"},
        {"text after continuation", head + "\"a\"=hex:01,\\ x\r\n  02\r\n", 4, "continuation"},
        {"later line with error", head + "\"a\"=dword:1\r\n\"b\"=dword:1\r\n\"c\"=dword:\r\n", 6,
         "1 to 8"},
        {"too deep",
         head + "[HKEY_LOCAL_MACHINE" +
             [] {
                 std::string path;
                 for (int i = 0; i < 513; ++i) {
                     path += "\\k";
                 }
                 return path;
             }() +
             "]\r\n",
         4, "512"},
        {"overlong line", head + "; " + std::string(RegText::kMaxLineBytes, 'x') + "\r\n", 4,
         "1 MiB"},
    };
    for (const MalformedCase &c : cases) {
        SCOPED_TRACE(c.name);
        std::string message;
        EXPECT_EQ(FailingLine(c.bytes, &message), c.line);
        EXPECT_NE(message.find("t.reg, line " + std::to_string(c.line) + ": "), std::string::npos)
            << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    }
}

struct ExpectedValue {
    std::string name;
    std::optional<RegValue> value; // nullopt: absent
};

struct ReplayCase {
    std::string name;
    std::string body; // after the header line
    RegRootKey root;
    std::string key;
    bool exists;
    std::vector<ExpectedValue> values;
};

RegValue Dword(std::uint32_t number) {
    return RegValue::Dword(number);
}

// Both readers of a file, the one-key scanner and the whole-document model, must agree with
// what an importer would leave in the registry.
TEST(RegParser, ReplaysTheFileInOrder) {
    const RegRootKey lm = kHKeyLocalMachine;
    const std::vector<ReplayCase> cases{
        {"repeated sections merge, last line wins",
         "[HKEY_LOCAL_MACHINE\\K]\n\"a\"=dword:1\n\"b\"=dword:2\n[HKEY_LOCAL_MACHINE\\K]\n"
         "\"a\"=dword:3\n",
         lm,
         "K",
         true,
         {{"a", Dword(3)}, {"b", Dword(2)}}},
        {"later deletion of the key",
         "[HKEY_LOCAL_MACHINE\\K]\n\"a\"=dword:1\n[-HKEY_LOCAL_MACHINE\\K]\n\"b\"=dword:2\n",
         lm,
         "K",
         false,
         {{"a", std::nullopt}, {"b", std::nullopt}}},
        {"deletion of an ancestor",
         "[HKEY_LOCAL_MACHINE\\K\\S]\n\"a\"=dword:1\n[-HKEY_LOCAL_MACHINE\\K]\n",
         lm,
         "K\\S",
         false,
         {}},
        {"recreated after deletion",
         "[HKEY_LOCAL_MACHINE\\K]\n\"a\"=dword:1\n[-HKEY_LOCAL_MACHINE\\K]\n"
         "[HKEY_LOCAL_MACHINE\\K]\n\"b\"=dword:2\n",
         lm,
         "K",
         true,
         {{"a", std::nullopt}, {"b", Dword(2)}}},
        {"a subkey's section creates its parents",
         "[HKEY_LOCAL_MACHINE\\A\\B\\C]\n",
         lm,
         "A\\B",
         true,
         {}},
        {"deleting a key whose name begins the key's name deletes no parent of it",
         "[HKLM\\Software\\Tessaport\\Advantech]\n\"a\"=dword:1\n"
         "[-HKLM\\Software\\Tessaport\\Adv]\n[-HKLM\\Software\\Tess]\n",
         lm,
         "Software\\Tessaport\\Advantech",
         true,
         {{"a", Dword(1)}}},
        {"a sibling with a longer name is no subkey",
         "[HKEY_LOCAL_MACHINE\\AB]\n",
         lm,
         "A",
         false,
         {}},
        {"aliases and case",
         "[hklm\\SOFTWARE\\Korvanta]\n\"NUMBER\"=dword:7\n",
         lm,
         "Software\\korvanta",
         true,
         {{"number", Dword(7)}}},
        {"other roots are other keys",
         "[HKEY_CURRENT_USER\\K]\n\"a\"=dword:1\n",
         lm,
         "K",
         false,
         {}},
        {"unknown root is skipped",
         "[HKEY_NOWHERE\\K]\n\"a\"=dword:1\n[HKCU\\K]\n",
         kHKeyCurrentUser,
         "K",
         true,
         {{"a", std::nullopt}}},
        {"value deletion",
         "[HKLM\\K]\n\"a\"=dword:1\n\"a\"=-\n\"b\"=dword:2\n\"c\"=- ;gone\n",
         lm,
         "K",
         true,
         {{"a", std::nullopt}, {"b", Dword(2)}}},
        {"blank inside the bracket deletes nothing",
         "[HKLM\\K]\n\"a\"=dword:1\n[ -HKLM\\K]\n[- HKLM\\K]\n",
         lm,
         "K",
         true,
         {{"a", Dword(1)}}},
        {"a root cannot be deleted",
         "[HKLM\\K]\n[-HKEY_LOCAL_MACHINE]\n[-HKLM\\]\n",
         lm,
         "K",
         true,
         {}},
        {"default value both ways",
         "[HKLM\\K]\n@=\"one\"\n\"\"=\"two\"\n",
         lm,
         "K",
         true,
         {{"", RegValue{kRegSz, "two"}}}},
        {"trailing backslash in a header",
         "[HKLM\\K\\]\n\"a\"=dword:1\n",
         lm,
         "K",
         true,
         {{"a", Dword(1)}}},
        {"escapes",
         "[HKLM\\K]\n\"say \\\"hi\\\"\"=\"C:\\\\dir\\\\\"\n",
         lm,
         "K",
         true,
         {{"say \"hi\"", RegValue{kRegSz, "C:\\dir\\"}}}},
        {"other types",
         "[HKLM\\K]\n\"d\"=hex(4):0a,00,00,00\n\"q\"=hex(b):01,00,00,00,00,00,00,00\n"
         "\"s\"=hex(4):0a,00,00\n\"b\"=hex:\n",
         lm,
         "K",
         true,
         {{"d", Dword(10)},
          {"q", RegValue{kRegQword, std::string("\x01\0\0\0\0\0\0\0", 8)}},
          {"s", RegValue{kRegDword, std::string("\x0a\0\0", 3)}},
          {"b", RegValue{kRegBinary, ""}}}},
        {"continuation over blank and comment lines",
         "[HKLM\\K]\n\"m\"=hex(7):41,00,\\ ;ab\n\n ; cd\n  42,00,\\\n  00,00\n\"n\"=dword:1\n",
         lm,
         "K",
         true,
         {{"m", RegValue{7, std::string("A\0B\0\0\0", 6)}}, {"n", Dword(1)}}},
        {"a continuation may end the file",
         "[HKLM\\K]\n\"m\"=hex:01,02,\\\n",
         lm,
         "K",
         true,
         {{"m", RegValue{kRegBinary, "\x01\x02"}}}},
        {"blanks and comments around data",
         "[HKLM\\K] ; c\n  \"a\" = dword:1 ;c\n\t\"b\"=\"x;y\" ;z\n",
         lm,
         "K",
         true,
         {{"a", Dword(1)}, {"b", RegValue{kRegSz, "x;y"}}}},
        {"CR-only line ends",
         "[HKLM\\K]\r\"a\"=dword:1\r\"b\"=dword:2",
         lm,
         "K",
         true,
         {{"a", Dword(1)}, {"b", Dword(2)}}},
        {"mixed line ends",
         "[HKLM\\K]\r\n\"a\"=dword:1\r\"b\"=dword:2\n",
         lm,
         "K",
         true,
         {{"a", Dword(1)}, {"b", Dword(2)}}},
    };
    for (const ReplayCase &c : cases) {
        SCOPED_TRACE(c.name);
        for (std::string header : {"REGEDIT4\n", "Windows Registry Editor Version 5.00\n"}) {
            const std::string file = header + c.body;
            const RegDocument document = Parse(file);
            EXPECT_EQ(document.KeyExists(c.root, c.key), c.exists);

            const RegText text(file, "t.reg");
            const std::optional<RegKeyPath> key = RegKeyPath::Make(c.root, c.key);
            ASSERT_TRUE(key);
            KeyScanner scanner(*key);
            RegParser::Parse(text, scanner);
            EXPECT_EQ(scanner.Snapshot().exists, c.exists);
            for (const ExpectedValue &expected : c.values) {
                SCOPED_TRACE(expected.name);
                EXPECT_EQ(document.Value(c.root, c.key, expected.name), expected.value);
                const KeySnapshot::Entry *entry = scanner.Snapshot().Find(expected.name);
                EXPECT_EQ(entry ? std::optional<RegValue>(entry->value) : std::nullopt,
                          expected.value);
            }
        }
    }
}

TEST(RegParser, ReadsAWindowsExportInUtf16) {
    const std::string exported = Utf16Export(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvanta\\Tessaport\\Advantech]\r\n"
        "@=\"Cards \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80\"\r\n"
        "\"NumberOfCards\"=dword:00000003\r\n"
        "\"Path\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,\\\r\n"
        "  74,00,25,00,00,00\r\n"
        "\r\n");
    const RegDocument document = Parse(exported);
    const std::string key = "Software\\Korvanta\\Tessaport\\Advantech";
    EXPECT_EQ(document.Value(kHKeyLocalMachine, key, "numberofcards"), RegValue::Dword(3));
    EXPECT_EQ(document.Value(kHKeyLocalMachine, key, ""),
              (RegValue{kRegSz, "Cards \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"}));
    const std::optional<RegValue> path = document.Value(kHKeyLocalMachine, key, "Path");
    ASSERT_TRUE(path);
    EXPECT_EQ(path->type, 2u);
    EXPECT_EQ(path->data, std::string("%\0S\0y\0s\0t\0e\0m\0R\0o\0o\0t\0%\0\0\0", 26));
}

} // namespace
} // namespace tessaport
