// Several users at one hive, set up as the README describes: a folder and file of root's, in a
// group whose members edit the settings. Users are switched with setpriv by number, so they need
// no entry in /etc/passwd; switching needs root, as in CI.
#include "ShellCommand.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tessaport {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kAlice = 60401; // member of kGroup
constexpr uid_t kBob = 60402;   // member of kGroup, or named in an ACL
constexpr uid_t kCarol = 60403; // in no group of the hive's
constexpr gid_t kGroup = 60400;

const std::string kSettings =
    "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Advantech]\n"
    "\"NumberOfCards\"=dword:1\n\"PIIBeginAddress\"=dword:1\n\"PIQBeginAddress\"=dword:1\n";

using Outcome = testing::ShellOutcome;

// `command` through the shell as root; its standard output and error.
Outcome Shell(const std::string &command) {
    return testing::RunShell(command + " 2>&1");
}

// Appended piece by piece: GCC 12 at -O3 gives a false -Wrestrict for "'" + path.string().
std::string Quoted(const fs::path &path) {
    std::string quoted = "'";
    quoted += path.string();
    quoted += '\'';
    return quoted;
}

struct stat StatOf(const fs::path &path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

std::string Contents(const fs::path &path) {
    return Shell("cat " + Quoted(path)).output;
}

class SharedHive : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "switching to other users needs root";
        }
        if (Shell("command -v setpriv && command -v setfacl && command -v setfattr").status != 0) {
            GTEST_SKIP() << "setpriv (util-linux), setfacl (acl) or setfattr (attr) is missing";
        }
        std::string pattern = (fs::temp_directory_path() / "tessaport-shared-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        base_ = pattern;
        fs::permissions(base_, fs::perms(0755));
        // The build folder may be closed to other users.
        tool_ = base_ / "tessaport-reg";
        fs::copy_file(TESSAPORT_REG_TOOL, tool_);
        fs::permissions(tool_, fs::perms(0755));
        folder_ = base_ / "hive";
        hive_ = folder_ / "registry.reg";
        fs::create_directory(folder_);
        Own(folder_, 0, kGroup, 0770);
    }

    void TearDown() override {
        if (!base_.empty()) {
            std::error_code ignored;
            fs::remove_all(base_, ignored);
        }
    }

    static void Own(const fs::path &path, uid_t owner, gid_t group, mode_t mode) {
        ASSERT_EQ(::lchown(path.c_str(), owner, group), 0) << path;
        ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
    }

    // The tool run by `user` (root when nullopt), with umask 077, the strictest a user may have.
    Outcome Tool(std::optional<uid_t> user, const std::string &arguments,
                 bool inGroup = true) const {
        std::string command = "cd / && umask 077 && TESSAPORT_REGISTRY=" + Quoted(hive_) + " ";
        if (user) {
            command +=
                "setpriv --reuid=" + std::to_string(*user) + " --regid=" + std::to_string(*user) +
                (inGroup ? " --groups=" + std::to_string(kGroup) : " --clear-groups") + " -- ";
        }
        return Shell(command + Quoted(tool_) + " " + arguments);
    }

    Outcome Acl(const fs::path &path) const {
        return Shell("getfacl --numeric --omit-header " + Quoted(path));
    }

    fs::path base_;
    fs::path tool_;
    fs::path folder_;
    fs::path hive_;
};

TEST_F(SharedHive, GroupMembersTakeTurnsAndTheFileStaysTheGroups) {
    for (const mode_t folderMode : {0770, 02770}) {
        SCOPED_TRACE("folder mode " + std::to_string(folderMode));
        Own(folder_, 0, kGroup, folderMode);
        fs::remove(hive_);
        fs::remove(hive_.string() + ".lock");
        Shell("printf '' > " + Quoted(hive_));
        Own(hive_, 0, kGroup, 0660);

        const Outcome alice = Tool(kAlice, "set Advantech 1 2 3");
        EXPECT_EQ(alice.status, 0) << alice.output;
        // The file may become the writer's: with the same rights for owner and group that
        // changes nobody's access. Its group and mode stay, and the lock file's mode is fixed,
        // whatever the writer's umask.
        EXPECT_EQ(StatOf(hive_).st_gid, kGroup);
        EXPECT_EQ(StatOf(hive_).st_mode & 07777, 0660u);
        const struct stat lock = StatOf(hive_.string() + ".lock");
        EXPECT_EQ(lock.st_mode & 07777, 0644u);
        EXPECT_EQ(lock.st_gid, kGroup);

        const Outcome bob = Tool(kBob, "set Advantech 4 5 6");
        EXPECT_EQ(bob.status, 0) << bob.output;
        const Outcome read = Tool(kAlice, "get Advantech");
        EXPECT_EQ(read.status, 0) << read.output;
        EXPECT_EQ(read.output, "NumberOfCards=4\nPIIBeginAddress=5\nPIQBeginAddress=6\n");
        EXPECT_EQ(StatOf(hive_).st_gid, kGroup);
        EXPECT_EQ(StatOf(hive_).st_mode & 07777, 0660u);
    }
}

TEST_F(SharedHive, RootKeepsTheOwnerTheGroupAndTheSetIdBits) {
    Shell("printf '%s' '" + kSettings + "' > " + Quoted(hive_));
    Own(hive_, kAlice, kGroup, 06770);
    const Outcome root = Tool(std::nullopt, "set Advantech 1 2 3");
    EXPECT_EQ(root.status, 0) << root.output;
    const struct stat info = StatOf(hive_);
    EXPECT_EQ(info.st_uid, kAlice);
    EXPECT_EQ(info.st_gid, kGroup);
    EXPECT_EQ(info.st_mode & 07777, 06770u);
}

TEST_F(SharedHive, AWriterWhoCannotKeepTheGroupIsRefused) {
    Own(folder_, 0, kGroup, 0777);
    Shell("printf '%s' '" + kSettings + "' > " + Quoted(hive_));
    Own(hive_, 0, kGroup, 0666);
    const Outcome carol = Tool(kCarol, "set Advantech 1 2 3", false);
    EXPECT_EQ(carol.status, 1) << carol.output;
    EXPECT_NE(carol.output.find(hive_.string()), std::string::npos) << carol.output;
    EXPECT_NE(carol.output.find("group"), std::string::npos) << carol.output;
    EXPECT_EQ(Contents(hive_), kSettings);
    EXPECT_EQ(StatOf(hive_).st_gid, kGroup);
}

TEST_F(SharedHive, TheAclAndExtendedAttributesAreKept) {
    Shell("printf '%s' '" + kSettings + "' > " + Quoted(hive_));
    Own(hive_, 0, kGroup, 0660);
    // Bob alone, named in the ACLs, may use the hive; the group may not.
    const std::string bob = std::to_string(kBob);
    ASSERT_EQ(Shell("setfacl -m u:" + bob + ":rwx " + Quoted(folder_)).status, 0);
    ASSERT_EQ(Shell("setfacl -m u:" + bob + ":rw-,g::--- " + Quoted(hive_)).status, 0);
    ASSERT_EQ(Shell("setfattr -n user.origin -v installer " + Quoted(hive_)).status, 0);
    const std::string aclBefore = Acl(hive_).output;

    const Outcome root = Tool(std::nullopt, "set Advantech 1 2 3");
    EXPECT_EQ(root.status, 0) << root.output;
    EXPECT_EQ(Acl(hive_).output, aclBefore);
    EXPECT_EQ(
        Shell("getfattr --absolute-names --only-values -n user.origin " + Quoted(hive_)).output,
        "installer");

    const Outcome named = Tool(kBob, "get Advantech", false);
    EXPECT_EQ(named.status, 0) << named.output;
    const Outcome member = Tool(kAlice, "get Advantech");
    EXPECT_EQ(member.status, 1) << "the group gained access: " << member.output;
}

TEST_F(SharedHive, TheFoldersDefaultAclGivesTheFileNobody) {
    Shell("printf '%s' '" + kSettings + "' > " + Quoted(hive_));
    Own(hive_, 0, kGroup, 0660);
    // New files in the folder would let Carol read them; the hive, which did not, must not.
    ASSERT_EQ(Shell("setfacl -d -m u:" + std::to_string(kCarol) + ":rw " + Quoted(folder_)).status,
              0);
    const std::string aclBefore = Acl(hive_).output;
    const Outcome root = Tool(std::nullopt, "set Advantech 1 2 3");
    EXPECT_EQ(root.status, 0) << root.output;
    EXPECT_EQ(Acl(hive_).output, aclBefore);
    EXPECT_EQ(StatOf(hive_).st_mode & 07777, 0660u);
}

TEST_F(SharedHive, RootDoesNotFollowALinkAMemberPlanted) {
    const fs::path secret = base_ / "secret";
    fs::create_directory(secret);
    Own(secret, 0, 0, 0700);
    for (const std::string &content : {kSettings, std::string()}) {
        SCOPED_TRACE(content.empty() ? "empty file" : "a file that parses");
        const fs::path target = secret / "root-only.reg";
        Shell("printf '%s' '" + content + "' > " + Quoted(target));
        Own(target, 0, 0, 0600);
        fs::remove(hive_);
        const std::string alice = "setpriv --reuid=" + std::to_string(kAlice) +
                                  " --regid=" + std::to_string(kAlice) +
                                  " --groups=" + std::to_string(kGroup) + " -- ";
        ASSERT_EQ(Shell(alice + "ln -s " + Quoted(target) + " " + Quoted(hive_)).status, 0);

        const Outcome root = Tool(std::nullopt, "set Advantech 1 2 3");
        EXPECT_EQ(root.status, 1) << root.output;
        EXPECT_NE(root.output.find(hive_.string() + ": is a symbolic link"), std::string::npos)
            << root.output;
        EXPECT_EQ(Contents(target), content);
        EXPECT_FALSE(fs::exists(target.string() + ".lock"));
    }
    // The same link made by root is followed.
    fs::remove(hive_);
    fs::create_symlink(secret / "root-only.reg", hive_);
    const Outcome root = Tool(std::nullopt, "set Advantech 1 2 3");
    EXPECT_EQ(root.status, 0) << root.output;
    EXPECT_NE(Contents(secret / "root-only.reg").find("dword:00000002"), std::string::npos);
}

} // namespace
} // namespace tessaport
