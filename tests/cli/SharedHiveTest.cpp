// Several users at one hive, set up as the README describes: a folder and file of root's, in a
// group whose members edit the settings. Users are switched with setpriv by number; their
// account entries live in files of the test's own, mounted over /etc/passwd and /etc/group in a
// private mount namespace for each command. Switching and mounting need root, as in CI.
#include "ShellCommand.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tessaport {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kAlice = 60401; // member of kGroup
constexpr uid_t kBob = 60402;   // member of kGroup, or named in an ACL
constexpr uid_t kCarol = 60403; // in no group of the hive's
constexpr uid_t kDave = 60404;  // member of kGroup, with no account entry
constexpr gid_t kGroup = 60400;

const std::string kSettings =
    "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Advantech]\n"
    "\"NumberOfCards\"=dword:1\n\"PIIBeginAddress\"=dword:1\n\"PIQBeginAddress\"=dword:1\n";

using Outcome = testing::ShellOutcome;

// `command` through the shell as root; its standard output and error.
Outcome Shell(const std::string &command) {
    return testing::RunShell(command + " 2>&1");
}

std::string Quoted(const fs::path &path) {
    return testing::ShellQuoted(path);
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
        if (Shell("command -v setpriv && command -v setfacl && command -v setfattr && "
                  "unshare --mount true")
                .status != 0) {
            GTEST_SKIP() << "setpriv, unshare (util-linux), setfacl (acl) or setfattr (attr) is "
                            "missing, or no mount namespace may be made";
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
        WriteAccounts();
    }

    // Alice, Bob and Carol have accounts; Dave, as in a container, has none.
    void WriteAccounts() {
        const std::string passwd = Quoted(base_ / "passwd");
        const std::string group = Quoted(base_ / "group");
        Shell("cp /etc/passwd " + passwd + " && cp /etc/group " + group);
        Shell("printf '%s\n' 'tpalice:x:60401:60409::/:/bin/sh' 'tpbob:x:60402:60409::/:/bin/sh' "
              "'tpcarol:x:60403:60409::/:/bin/sh' >> " +
              passwd);
        Shell("printf '%s\n' 'tpusers:x:60409:' 'tpshared:x:60400:tpalice,tpbob' >> " + group);
        const fs::path wrapper = base_ / "with-accounts.sh";
        Shell("printf '%s\n' 'mount --bind " + (base_ / "passwd").string() +
              " /etc/passwd && mount --bind " + (base_ / "group").string() +
              " /etc/group && exec \"$@\"' > " + Quoted(wrapper));
        accounts_ = "unshare --mount sh " + Quoted(wrapper) + " ";
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
        std::string command =
            "cd / && umask 077 && TESSAPORT_REGISTRY=" + Quoted(hive_) + " " + accounts_;
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
    std::string accounts_;
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

// What an administrator or a member may find at the lock file's name. Root's save must never
// change the mode of a file it did not make there, nor write through a lock file with other names.
struct LockCase {
    std::string name;
    std::string make; // shell commands, as root, in the hive's folder
    bool saves;
    std::string message;            // part of the refusal
    std::string lockAfter;          // "mode owner:group" of what is at the lock's name afterwards
    bool memberSaves;               // after root's save: the lock file lets her
    std::string memberMessage = {}; // part of her refusal
};

TEST_F(SharedHive, RootChangesNoLockFileItDidNotMake) {
    const std::string group = std::to_string(kGroup);
    const std::vector<LockCase> cases{
        {"a hard link to a group file",
         "printf x > other && chown 0:" + group +
             " other && chmod 0660 other && ln other registry.reg.lock",
         false, "registry.reg.lock: the lock file has 2 hard links", "660 0:" + group, false},
        {"a hard link to the settings file", "ln registry.reg registry.reg.lock", false,
         "registry.reg.lock: the lock file has 2 hard links", "660 0:" + group, false},
        {"root's file of another mode, renamed there",
         "printf x > registry.reg.lock && chmod 0640 registry.reg.lock", true, "", "640 0:" + group,
         true},
        {"an old empty lock file of mode 0600",
         ": > registry.reg.lock && chmod 0600 registry.reg.lock", true, "", "644 0:" + group, true},
        {"root's file of mode 0600, renamed there",
         "printf x > registry.reg.lock && chmod 0600 registry.reg.lock", true, "", "600 0:" + group,
         false, "an administrator makes it usable with \"chmod 0644 "},
        {"a lock file that is a folder", "mkdir registry.reg.lock", false,
         "registry.reg.lock: the lock file is not a regular file", "2755 0:" + group, false},
    };
    for (const LockCase &c : cases) {
        SCOPED_TRACE(c.name);
        Shell("rm -rf " + Quoted(folder_) + "/* " + Quoted(folder_) + "/.[!.]*");
        Own(folder_, 0, kGroup, 02770);
        Shell("printf '%s' '" + kSettings + "' > " + Quoted(hive_));
        Own(hive_, 0, kGroup, 0660);
        ASSERT_EQ(Shell("cd " + Quoted(folder_) + " && " + c.make).status, 0);

        const Outcome root = Tool(std::nullopt, "set Advantech 1 2 3");
        if (c.saves) {
            EXPECT_EQ(root.status, 0) << root.output;
        } else {
            EXPECT_EQ(root.status, 1) << root.output;
            EXPECT_NE(root.output.find(c.message), std::string::npos) << root.output;
            EXPECT_EQ(Contents(hive_), kSettings);
        }
        EXPECT_EQ(Shell("stat -c '%a %u:%g' " + Quoted(hive_.string() + ".lock")).output,
                  c.lockAfter + "\n");
        EXPECT_EQ(StatOf(hive_).st_mode & 07777, 0660u);
        const Outcome alice = Tool(kAlice, "set Advantech 4 5 6");
        EXPECT_EQ(alice.status == 0, c.memberSaves) << alice.output;
        EXPECT_NE(alice.output.find(c.memberMessage), std::string::npos) << alice.output;
    }
}

// The first save makes the file. In a setgid folder it must serve the whole group, whatever the
// umask of the member who made it; elsewhere it is the maker's, as before.
TEST_F(SharedHive, AFileMadeInASetgidFolderServesTheGroup) {
    for (const mode_t folderMode : {02770, 0770}) {
        SCOPED_TRACE("folder mode " + std::to_string(folderMode));
        Shell("rm -rf " + Quoted(folder_) + "/* " + Quoted(folder_) + "/.[!.]*");
        Own(folder_, 0, kGroup, folderMode);
        const Outcome alice = Tool(kAlice, "set Advantech 1 2 3");
        EXPECT_EQ(alice.status, 0) << alice.output;
        const struct stat made = StatOf(hive_);
        const Outcome bob = Tool(kBob, "set Adlink 4 5 6");
        if (folderMode == 02770) {
            EXPECT_EQ(made.st_mode & 07777, 0660u);
            EXPECT_EQ(made.st_gid, kGroup);
            EXPECT_EQ(bob.status, 0) << bob.output;
            EXPECT_EQ(Tool(kAlice, "get Adlink").output,
                      "NumberOfCards=4\nPIIBeginAddress=5\nPIQBeginAddress=6\n");
        } else {
            EXPECT_EQ(made.st_mode & 07777, 0644u);
            EXPECT_EQ(made.st_gid, kAlice); // setpriv gave her the group of her number
            EXPECT_EQ(bob.status, 1) << bob.output;
        }
    }
}

// Bob may take the file over from a member whose groups he can establish; from Dave, who has no
// account entry (as in a container), he may not, as Dave could be locked out.
TEST_F(SharedHive, ATakeOverNeedsTheOwnersGroups) {
    for (const uid_t owner : {kAlice, kDave}) {
        SCOPED_TRACE("owner " + std::to_string(owner));
        Shell("printf '%s' '" + kSettings + "' > " + Quoted(hive_));
        Own(hive_, owner, kGroup, 0660);
        const Outcome bob = Tool(kBob, "set Advantech 1 2 3");
        if (owner == kAlice) {
            EXPECT_EQ(bob.status, 0) << bob.output;
            EXPECT_EQ(StatOf(hive_).st_uid, kBob);
        } else {
            EXPECT_EQ(bob.status, 1) << bob.output;
            EXPECT_NE(bob.output.find("groups cannot be established"), std::string::npos)
                << bob.output;
            EXPECT_EQ(Contents(hive_), kSettings);
            EXPECT_EQ(StatOf(hive_).st_uid, kDave);
        }
    }
}

// A member may write the folder but not list it, so its sync after the rename fails: the new
// settings are in place, and the tool says so with its own status.
TEST_F(SharedHive, ASaveWhoseFolderCannotBeSyncedIsInPlaceWithStatus5) {
    Shell("printf '%s' '" + kSettings + "' > " + Quoted(hive_));
    Own(hive_, 0, kGroup, 0660);
    Own(folder_, 0, kGroup, 02730);
    const Outcome alice = Tool(kAlice, "set Advantech 7 8 9");
    EXPECT_EQ(alice.status, 5) << alice.output;
    EXPECT_NE(alice.output.find("the new settings are in place"), std::string::npos)
        << alice.output;
    EXPECT_NE(alice.output.find("Permission denied"), std::string::npos) << alice.output;
    EXPECT_EQ(Tool(kAlice, "get Advantech").output,
              "NumberOfCards=7\nPIIBeginAddress=8\nPIQBeginAddress=9\n");
}

} // namespace
} // namespace tessaport
