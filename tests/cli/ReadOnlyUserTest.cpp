// A user who may read the settings but not change them: get, export and the checks work, set
// and delete are refused and change nothing. As root, another user is switched to with setpriv;
// otherwise the file and its folder are made read-only for this user.
#include "ShellCommand.h"
#include "ToolRun.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace tessaport {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kReader = 60411;

const std::string kSettings =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Adlink]\n"
    "\"NumberOfCards\"=dword:00000001\n\"PIIBeginAddress\"=dword:00000002\n"
    "\"PIQBeginAddress\"=dword:00000003\n";

class ReadOnlyUser : public ::testing::Test {
protected:
    void SetUp() override {
        const bool root = ::geteuid() == 0;
        if (root && testing::RunShell("command -v setpriv >/dev/null").status != 0) {
            GTEST_SKIP() << "setpriv (util-linux) is missing";
        }
        std::string pattern = (fs::temp_directory_path() / "tessaport-reader-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        base_ = pattern;
        hive_ = base_ / "hive" / "registry.reg";
        fs::create_directory(hive_.parent_path());
        testing::WriteFile(hive_, kSettings);
        // The build folder may be closed to other users: a copy of the tool is not.
        tool_ = base_ / "tessaport-reg";
        fs::copy_file(TESSAPORT_REG_TOOL, tool_);
        const auto readable = fs::perms(root ? 0755 : 0555);
        fs::permissions(tool_, fs::perms(0755));
        fs::permissions(base_, fs::perms(0755));
        fs::permissions(hive_, fs::perms(root ? 0644 : 0444));
        fs::permissions(hive_.parent_path(), readable);
        prefix_ = "TESSAPORT_REGISTRY='" + hive_.string() + "' ";
        if (root) {
            prefix_ += "setpriv --reuid=" + std::to_string(kReader) +
                       " --regid=" + std::to_string(kReader) + " --clear-groups -- ";
        }
    }

    void TearDown() override {
        if (!base_.empty()) {
            std::error_code ignored;
            fs::permissions(hive_.parent_path(), fs::perms(0755), ignored);
            fs::remove_all(base_, ignored);
        }
    }

    testing::ShellOutcome Reader(const std::string &arguments) const {
        return testing::RunShell("cd / && " + prefix_ + "'" + tool_.string() + "' " + arguments +
                                 " 2>&1");
    }

    fs::path base_;
    fs::path hive_;
    fs::path tool_;
    std::string prefix_;
};

TEST_F(ReadOnlyUser, ReadsTheSettingsButCannotChangeThem) {
    const testing::ShellOutcome get = Reader("get Adlink");
    EXPECT_EQ(get.status, 0) << get.output;
    EXPECT_EQ(get.output, "NumberOfCards=1\nPIIBeginAddress=2\nPIQBeginAddress=3\n");

    const testing::ShellOutcome exported = Reader("export");
    EXPECT_EQ(exported.status, 0) << exported.output;
    EXPECT_NE(exported.output.find("\"PIQBeginAddress\"=dword:00000003"), std::string::npos)
        << exported.output;

    const testing::ShellOutcome check = Reader("set --check Adlink 1 2 4");
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_EQ(check.output, "would change\nPIQBeginAddress: 3 -> 4\n");

    const testing::ShellOutcome set = Reader("set Adlink 1 2 4");
    EXPECT_EQ(set.status, 1) << set.output;
    EXPECT_NE(set.output.find("Registry Not Created!!"), std::string::npos) << set.output;

    EXPECT_EQ(Reader("delete --check Adlink").output, "would delete\n");
    const testing::ShellOutcome deleted = Reader("delete Adlink");
    EXPECT_EQ(deleted.status, 1) << deleted.output;
    EXPECT_NE(deleted.output.find("Registry Not Deleted!!"), std::string::npos) << deleted.output;
    EXPECT_EQ(testing::ReadFile(hive_), kSettings);
}

} // namespace
} // namespace tessaport
