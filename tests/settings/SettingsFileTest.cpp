// Settings files: what an import takes from a .reg file, and what it refuses.
#include "ESettingsError.h"
#include "SettingsStore.h"
#include "Utf8.h"

#include <charconv>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace tessaport {
namespace {

const std::string kNative = "[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\";
const std::string kWow64 = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Korvanta\\Tessaport\\";

std::string Hex(unsigned number) {
    char digits[8];
    return std::string(digits, std::to_chars(digits, digits + 8, number, 16).ptr);
}

std::string Values(unsigned cards, unsigned di, unsigned dout) {
    return "\"NumberOfCards\"=dword:" + Hex(cards) + "\n\"PIIBeginAddress\"=dword:" + Hex(di) +
           "\n\"PIQBeginAddress\"=dword:" + Hex(dout) + "\n";
}

std::string Utf16(const std::string &text) {
    return "\xFF\xFE" + Utf8ToUtf16Le(text);
}

struct ImportCase {
    const char *label;
    std::string file;
    std::vector<ProviderSettings> expected;
    std::string failure; // part of the message when refused
};

TEST(SettingsFile, ImportTakesOnlyTheProviderKeysAsAnImporterReplaysThem) {
    const std::string v4 = "REGEDIT4\n\n";
    const std::string v5 = "Windows Registry Editor Version 5.00\r\n\r\n";
    const ImportCase cases[] = {
        {"8-bit, without Wow6432Node",
         v4 + kNative + "Adlink]\n" + Values(1, 2, 3),
         {{"Adlink", {1, 2, 3}}},
         ""},
        {"UTF-16 export of the 32-bit view, names in other cases",
         Utf16(v5 + kWow64 +
               "ADLINK]\r\n\"numberofcards\"=dword:00000013\r\n"
               "\"PIIBEGINADDRESS\"=hex(4):31,00,00,00\r\n"
               "\"PIQBeginAddress\"=dword:00000000\r\n\r\n"),
         {{"Adlink", {19, 49, 0}}},
         ""},
        {"both views: the driver's wins; catalogue order",
         v4 + kWow64 + "Advantech]\n" + Values(7, 7, 7) + kNative + "Advantech]\n" +
             Values(1, 1, 1) + kNative + "Adlink]\n" + Values(2, 2, 2),
         {{"Advantech", {7, 7, 7}}, {"Adlink", {2, 2, 2}}},
         ""},
        {"a later deletion of an ancestor drops what came before",
         v4 + kNative + "Adlink]\n" + Values(1, 2, 3) +
             "[-HKEY_LOCAL_MACHINE\\Software\\Korvanta]\n" + kNative + "Advantech]\n" +
             Values(4, 5, 6) + kNative + "Advantech]\n\"NumberOfCards\"=dword:8\n",
         {{"Advantech", {8, 5, 6}}},
         ""},
        {"other keys, roots, providers and values are ignored",
         v4 + "[HKEY_CURRENT_USER\\Software\\Korvanta\\Tessaport\\Adlink]\n" + Values(99, 99, 99) +
             kNative + "Other]\n" + Values(99, 99, 99) + kNative + "Adlink\\Sub]\n" +
             Values(99, 99, 99) + kNative + "Adlink]\n\"Extra\"=\"text\"\n" + Values(0, 0, 0),
         {{"Adlink", {0, 0, 0}}},
         ""},
        {"nothing of ours", v4 + "[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"A\"=dword:1\n", {}, ""},
        {"a value outside its list",
         v4 + kNative + "Adlink]\n" + Values(1, 2, 3) + kNative + "Advantech]\n" + Values(20, 0, 0),
         {},
         "line 8: " + kNative +
             "Advantech]: value \"NumberOfCards\" is 20, "
             "outside 0 to 19"},
        {"a negative value",
         v4 + kNative + "Adlink]\n" + Values(1, 2, 0) + "\"PIQBeginAddress\"=dword:ffffffff\n",
         {},
         "line 7: " + kNative + "Adlink]: value \"PIQBeginAddress\" is -1, outside 0 to 49"},
        {"a value of another type, even if a later line mends it",
         v4 + kNative + "Adlink]\n\"NumberOfCards\"=\"3\"\n" + Values(1, 2, 3),
         {},
         "line 4: " + kNative + "Adlink]: value \"NumberOfCards\" is not a DWORD"},
        {"a value deleted later",
         v4 + kNative + "Adlink]\n" + Values(1, 2, 3) + "\"PIIBeginAddress\"=-\n",
         {},
         "line 3: " + kNative + "Adlink] has no DWORD value \"PIIBeginAddress\""},
        {"a file that does not parse",
         v4 + kNative + "Adlink]\n" + Values(1, 2, 3) + "junk\n",
         {},
         "line 7"},
    };
    for (const ImportCase &c : cases) {
        SCOPED_TRACE(c.label);
        try {
            EXPECT_EQ(SettingsStore::Import(c.file, "in.reg"), c.expected);
            EXPECT_EQ(c.failure, "") << "accepted";
        } catch (const ESettingsFileError &failure) {
            EXPECT_NE(c.failure, "") << failure.what();
            EXPECT_NE(std::string(failure.what()).find("in.reg, " + c.failure), std::string::npos)
                << failure.what();
        }
    }
}

TEST(SettingsFile, ExportIsAVersion5FileThatImportsAsItWasWritten) {
    const std::vector<ProviderSettings> providers{{"Advantech", {19, 0, 49}},
                                                  {"Adlink", {0, 1, 2}}};
    // Windows' own importers put each where the driver reads: the 32-bit view.
    const std::pair<ExportTarget, std::string> targets[] = {
        {ExportTarget::Windows64, "Software\\WOW6432Node\\Korvanta"},
        {ExportTarget::Windows32, "Software\\Korvanta"},
    };
    for (const auto &[target, keys] : targets) {
        SCOPED_TRACE(keys);
        const std::string file = SettingsStore::Export(providers, target);
        EXPECT_EQ(file.substr(0, file.find("Advantech]") + 12),
                  "Windows Registry Editor Version 5.00\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\" +
                      keys + "\\Tessaport\\Advantech]\r\n");
        EXPECT_NE(file.find("\"PIQBeginAddress\"=dword:00000031\r\n"), std::string::npos) << file;
        EXPECT_TRUE(file.ends_with("dword:00000002\r\n\r\n")) << file;
        EXPECT_EQ(SettingsStore::Import(file, "out.reg"), providers);
    }
}

} // namespace
} // namespace tessaport
