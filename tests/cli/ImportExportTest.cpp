// export and import through the tool: settings files carried from one machine to another.
#include "ScratchRegistry.h"
#include "ShellCommand.h"
#include "ToolRun.h"
#include "Utf8.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>

namespace tessaport {
namespace {

namespace fs = std::filesystem;

const std::string kSettings123 = "NumberOfCards=1\nPIIBeginAddress=2\nPIQBeginAddress=3\n";

std::string Quoted(const fs::path &path) {
    return testing::ShellQuoted(path);
}

class ImportExport : public ::testing::Test {
protected:
    // Beside the hive, so that the scratch folder takes it away.
    fs::path File(const std::string &name) const { return hive_.parent_path() / name; }

    testing::ScratchRegistry registry_;
    fs::path hive_ = testing::CurrentHive();
};

TEST_F(ImportExport, AnExportImportsIntoAnotherHiveAndAgainChangesNothing) {
    ASSERT_EQ(testing::RunTool("set Advantech 19 0 49").status, 0);
    ASSERT_EQ(testing::RunTool("set Adlink 1 2 3").status, 0);
    const fs::path exported = File("exported.reg");
    const testing::ToolOutcome exportRun = testing::RunTool("export " + Quoted(exported));
    ASSERT_EQ(exportRun.status, 0) << exportRun.err;
    EXPECT_EQ(exportRun.out, "");
    EXPECT_EQ(testing::RunTool("export").out, testing::ReadFile(exported));
    EXPECT_EQ(testing::RunTool("export -").out, testing::ReadFile(exported));

    fs::remove(hive_);
    const testing::ToolOutcome first = testing::RunTool("import " + Quoted(exported));
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "Advantech: changed\nAdlink: changed\n");
    EXPECT_EQ(testing::RunTool("get Adlink").out, kSettings123);
    EXPECT_EQ(testing::RunTool("get Advantech").out,
              "NumberOfCards=19\nPIIBeginAddress=0\nPIQBeginAddress=49\n");

    const std::optional<std::string> before = testing::ReadFile(hive_);
    const testing::ToolOutcome second = testing::RunTool("import " + Quoted(exported));
    EXPECT_EQ(second.out, "Advantech: unchanged\nAdlink: unchanged\n");
    EXPECT_EQ(testing::ReadFile(hive_), before);
}

TEST_F(ImportExport, ExportLeavesOutWhatIsNotConfiguredAndWritesNothingWithoutSettings) {
    const fs::path exported = File("exported.reg");
    const testing::ToolOutcome none = testing::RunTool("export " + Quoted(exported));
    EXPECT_EQ(none.status, 4);
    EXPECT_FALSE(fs::exists(exported));

    ASSERT_EQ(testing::RunTool("set Adlink 1 2 3").status, 0);
    const testing::ToolOutcome one = testing::RunTool("export");
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.out.find("Advantech"), std::string::npos) << one.out;
    EXPECT_NE(one.err.find("Advantech is not configured"), std::string::npos) << one.err;

    testing::WriteFile(hive_, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\njunk\n");
    const testing::ToolOutcome damaged = testing::RunTool("export " + Quoted(exported));
    EXPECT_EQ(damaged.status, 1);
    EXPECT_FALSE(fs::exists(exported));
}

TEST_F(ImportExport, ExportsForEitherWindowsImportWithCheckJsonAndQuietAsSetDoes) {
    ASSERT_EQ(testing::RunTool("set Adlink 1 2 3").status, 0);
    const fs::path for64 = File("64.reg");
    const fs::path for32 = File("32.reg");
    ASSERT_EQ(testing::RunTool("export -q " + Quoted(for64)).status, 0);
    ASSERT_EQ(testing::RunTool("export --32-bit-windows " + Quoted(for32)).status, 0);
    const std::string wow = "[HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Korvanta\\";
    EXPECT_NE(testing::ReadFile(for64).value_or("").find(wow), std::string::npos);
    EXPECT_EQ(testing::ReadFile(for32).value_or(wow).find(wow), std::string::npos);

    ASSERT_EQ(testing::RunTool("set Adlink 1 2 4").status, 0);
    const std::optional<std::string> before = testing::ReadFile(hive_);
    const testing::ToolOutcome check = testing::RunTool("import --check --json " + Quoted(for64));
    EXPECT_EQ(check.status, 0) << check.err;
    const nlohmann::json adlink = nlohmann::json::parse(check.out)["Adlink"];
    EXPECT_EQ(adlink["status"], "would change");
    EXPECT_EQ(adlink["previous"]["PIQBeginAddress"], 4);
    EXPECT_EQ(testing::RunTool("import --check " + Quoted(for32)).out,
              "Adlink: would change\nPIQBeginAddress: 4 -> 3\n");
    EXPECT_EQ(testing::ReadFile(hive_), before);

    const testing::ToolOutcome quiet = testing::RunTool("import -q " + Quoted(for32));
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(testing::RunTool("get Adlink").out, kSettings123);

    const testing::ToolOutcome missing = testing::RunTool("import --json " + Quoted(File("no")));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(nlohmann::json::parse(missing.out)["status"], "failed");
}

struct ImportCase {
    const char *label;
    std::string file;
    int status;
    std::string adlink; // get Adlink afterwards; empty: the hive is as it was
    std::string err;    // part of standard error
    std::string hive;   // the hive before; empty: both providers set to 7 7 7
};

TEST_F(ImportExport, ImportTakesWindowsExportsAndRefusesABadFileWhole) {
    const std::string keys = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Korvanta\\Tessaport\\";
    const std::string values = "\"NumberOfCards\"=dword:00000001\r\n"
                               "\"PIIBeginAddress\"=dword:00000002\r\n"
                               "\"PIQBeginAddress\"=dword:00000003\r\n";
    const ImportCase cases[] = {
        {"UTF-16 export of the 32-bit view",
         "\xFF\xFE" + Utf8ToUtf16Le("Windows Registry Editor Version 5.00\r\n\r\n" + keys +
                                    "Adlink]\r\n" + values + "\r\n"),
         0, kSettings123, "", ""},
        {"a bad value after a good provider",
         "REGEDIT4\r\n\r\n" + keys + "Adlink]\r\n" + values + keys + "Advantech]\r\n" + values +
             "\"PIIBeginAddress\"=dword:00000032\r\n",
         2, "",
         "line 11: " + keys +
             "Advantech]: value \"PIIBeginAddress\" is 50, outside 0 to 49; "
             "nothing was imported",
         ""},
        {"no provider", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n", 2, "",
         "holds no Tessaport provider settings", ""},
        {"not a .reg file", "NumberOfCards=1\n", 2, "", "nothing was imported", ""},
        // Advantech's key cannot be added after Adlink's value cut off at the end of the hive,
        // while Adlink's own values could still be written.
        {"a failed save stops the import",
         "REGEDIT4\r\n\r\n" + keys + "Advantech]\r\n" + values + keys + "Adlink]\r\n" + values, 1,
         "", "; the import stopped there: Adlink was not imported",
         "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Adlink]"
         "\n\"NumberOfCards\"=dword:7\n\"PIIBeginAddress\"=dword:7\n"
         "\"PIQBeginAddress\"=dword:7\n\"x\"=hex:01,\\"},
    };
    for (const ImportCase &c : cases) {
        SCOPED_TRACE(c.label);
        if (c.hive.empty()) {
            ASSERT_EQ(testing::RunTool("set Adlink 7 7 7").status, 0);
            ASSERT_EQ(testing::RunTool("set Advantech 7 7 7").status, 0);
        } else {
            testing::WriteFile(hive_, c.hive);
        }
        const std::optional<std::string> before = testing::ReadFile(hive_);
        const fs::path file = File("import.reg");
        testing::WriteFile(file, c.file);

        const testing::ToolOutcome outcome = testing::RunTool("import " + Quoted(file));
        EXPECT_EQ(outcome.status, c.status) << outcome.err;
        EXPECT_NE(outcome.err.find(c.err), std::string::npos) << outcome.err;
        if (c.adlink.empty()) {
            EXPECT_EQ(outcome.out, "");
            EXPECT_EQ(testing::ReadFile(hive_), before);
        } else {
            EXPECT_EQ(testing::RunTool("get Adlink").out, c.adlink);
        }
    }
    const testing::ToolOutcome missing = testing::RunTool("import " + Quoted(File("none.reg")));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot read"), std::string::npos) << missing.err;
}

// What is at the name (made by `make`, shell commands in the scratch folder, as root) decides
// whether the file is read or written; `check` (shell, there too) must hold afterwards. "@" is the
// scratch folder. A refusal leaves the settings as they were.
struct FileKindCase {
    const char *label;
    std::string make;
    std::string command;
    int status;
    std::string err;
    std::string check;
};

TEST_F(ImportExport, OnlyRegularFilesAreReadAndWrittenAndLinksFollowTheStoresRule) {
    const std::string untouched = "[ \"$(cat victim)\" = precious ]";
    const FileKindCase cases[] = {
        {"export onto a link another user planted",
         "mkdir d && ln -s ../victim d/x.reg && chown -h 60402 d/x.reg && chown 60401 d",
         "export @/d/x.reg", 1, "only links made by root", untouched},
        {"export onto a hard link", "ln victim x.reg", "export @/x.reg", 1, "2 hard links",
         untouched},
        {"export onto a FIFO", "mkfifo x.reg", "export @/x.reg", 1, "is a FIFO", "[ -p x.reg ]"},
        {"export onto the settings file", "", "export @/registry.reg", 1,
         "is the settings file itself", ""},
        {"export over an old export keeps its mode", "printf old > x.reg && chmod 0640 x.reg",
         "export @/x.reg", 0, "", "[ \"$(stat -c %a x.reg)\" = 640 ] && grep -q Adlink x.reg"},
        {"import of a FIFO", "mkfifo x.reg", "import @/x.reg", 1, "is a FIFO", ""},
        {"import of a device", "", "import /dev/zero", 1, "is a device", ""},
        {"import of a folder", "mkdir x.reg", "import @/x.reg", 1, "is a folder", ""},
        {"import of a file over 256 MiB", "truncate -s 268435457 x.reg", "import @/x.reg", 2,
         "larger than 256 MiB", ""},
        {"import of standard input over 256 MiB", "", "import - </dev/zero", 2,
         "standard input: is larger than 256 MiB", ""},
        {"import of standard input", "", "import - <@/registry.reg", 0, "", ""},
    };
    ASSERT_EQ(testing::RunTool("set Adlink 1 2 3").status, 0);
    const std::string folder = Quoted(hive_.parent_path());
    for (const FileKindCase &c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_EQ(testing::RunShell("cd " + folder +
                                    " && rm -rf d x.reg && printf precious >victim" +
                                    (c.make.empty() ? "" : " && " + c.make))
                      .status,
                  0);
        const std::optional<std::string> before = testing::ReadFile(hive_);
        std::string command = c.command;
        for (std::size_t at; (at = command.find('@')) != std::string::npos;) {
            command.replace(at, 1, folder);
        }
        const testing::ToolOutcome outcome = testing::RunTool(command);
        EXPECT_EQ(outcome.status, c.status) << outcome.err;
        EXPECT_NE(outcome.err.find(c.err), std::string::npos) << outcome.err;
        EXPECT_EQ(testing::ReadFile(hive_), before);
        if (!c.check.empty()) {
            EXPECT_EQ(testing::RunShell("cd " + folder + " && " + c.check).status, 0);
        }
    }
}

} // namespace
} // namespace tessaport
