// Links met while resolving the hive's path, at a folder's place too, and links swapped while
// root saves: root must never write where a link of another user's leads. The links get other
// owners with lchown, and a member process swaps them, so these run only as root.
#include "FileHive.h"
#include "HiveSandbox.h"
#include "SettingsStore.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tessaport {
namespace {

namespace fs = std::filesystem;
using testing::HiveSandbox;

constexpr uid_t kMember = 60401;
constexpr uid_t kOtherMember = 60402;
constexpr gid_t kGroup = 60400;
const std::string kSecret = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\RootOnly]\n";

void Own(const fs::path &path, uid_t owner, gid_t group, mode_t mode) {
    ASSERT_EQ(::lchown(path.c_str(), owner, group), 0) << path;
    if (!fs::is_symlink(path)) {
        ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
    }
}

// The message of a failed save, or "" when it succeeded.
std::string SaveFailure(const DriverSettings &settings) {
    try {
        SettingsStore::WriteDriverSettings("Advantech", settings);
    } catch (const std::exception &failure) {
        return failure.what();
    }
    return "";
}

// The message of a failed replacement of the file at `path`, or "" when it succeeded.
std::string UpdateFailure(const std::string &path, int round) {
    try {
        FileHive(path).Update([round](const FileHive::Current &) {
            return "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Round" + std::to_string(round) +
                   "]\n";
        });
    } catch (const std::exception &failure) {
        return failure.what();
    }
    return "";
}

class HiveLinks : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "links of other users need root";
        }
        // The member passes through the sandbox to the folder it shares with root.
        fs::permissions(sandbox_.Folder(), fs::perms(0755));
        secret_ = sandbox_.Folder() / "secret";
        fs::create_directory(secret_);
        Own(secret_, 0, 0, 0700);
    }

    // Nothing in the root-only folder but what was there.
    void ExpectSecretUntouched(bool hadFile) const {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(secret_)) {
            names.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(names,
                  hadFile ? std::vector<std::string>{"registry.reg"} : std::vector<std::string>{});
        if (hadFile) {
            EXPECT_EQ(testing::ReadBytes(secret_ / "registry.reg"), kSecret);
        }
    }

    HiveSandbox sandbox_;
    fs::path secret_;
};

struct FolderLinkCase {
    std::string name;
    uid_t folderOwner; // of the group-writable folder holding the link
    uid_t linkOwner;
    bool followed;
};

TEST_F(HiveLinks, ALinkAtAFoldersPlaceIsFollowedOnlyWhenItsOwnerMayBeTrusted) {
    const std::vector<FolderLinkCase> cases{
        {"a member's link in root's shared folder", 0, kMember, false},
        {"root's link", 0, 0, true},
        {"the folder owner's link", kMember, kMember, true},
        {"another user's link in a member's folder", kMember, kOtherMember, false},
    };
    for (const FolderLinkCase &c : cases) {
        for (const bool hadFile : {true, false}) {
            SCOPED_TRACE(c.name + (hadFile ? ", file there" : ", no file yet"));
            fs::remove_all(secret_ / "registry.reg");
            fs::remove_all(secret_ / "registry.reg.lock");
            if (hadFile) {
                testing::WriteBytes(secret_ / "registry.reg", kSecret);
            }
            const fs::path shared = sandbox_.Folder() / "shared";
            fs::remove_all(shared);
            fs::create_directory(shared);
            Own(shared, c.folderOwner, kGroup, 0777);
            // The settings path names a folder "sub" that someone replaced with a link.
            const fs::path link = shared / "sub";
            fs::create_directory_symlink(secret_, link);
            Own(link, c.linkOwner, kGroup, 0);
            sandbox_.PointAt(link / "registry.reg");

            const std::string failure = SaveFailure({1, 2, 3});
            if (c.followed) {
                EXPECT_EQ(failure, "");
                EXPECT_NE(testing::ReadBytes(secret_ / "registry.reg").find("NumberOfCards"),
                          std::string::npos);
            } else {
                EXPECT_NE(failure.find(link.string() + ": is a symbolic link owned by user " +
                                       std::to_string(c.linkOwner)),
                          std::string::npos)
                    << failure;
                ExpectSecretUntouched(hadFile);
            }
        }
    }
}

// A member swaps, as fast as it can, root's link at the settings path for one of its own that
// leads to a root-only file. Each of root's saves meets one link or the other, whole: it writes
// through root's link or refuses the member's, and never writes the root-only file.
TEST_F(HiveLinks, LinksSwappedDuringSavesNeverLeadRootOutside) {
    const fs::path folder = sandbox_.Folder() / "hive";
    fs::create_directory(folder);
    Own(folder, 0, kGroup, 0770);
    testing::WriteBytes(secret_ / "registry.reg", kSecret);
    SettingsStore::WriteDriverSettings("Advantech", {0, 0, 0});
    fs::rename(sandbox_.Hive(), folder / "target.reg");
    const fs::path hive = folder / "registry.reg";
    fs::create_symlink("target.reg", hive);
    const fs::path planted = folder / "planted";
    fs::create_symlink(secret_ / "registry.reg", planted);
    Own(planted, kMember, kGroup, 0);
    sandbox_.PointAt(hive);

    std::fflush(stdout);
    const pid_t member = ::fork();
    ASSERT_NE(member, -1);
    if (member == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kGroup, kGroup, kGroup) != 0 ||
            ::setresuid(kMember, kMember, kMember) != 0) {
            std::_Exit(3);
        }
        // Each exchange puts the other link at the settings path, with no moment without one.
        while (::renameat2(AT_FDCWD, hive.c_str(), AT_FDCWD, planted.c_str(), RENAME_EXCHANGE) ==
               0) {
        }
        std::perror("renameat2");
        std::_Exit(4);
    }

    // Refusals are quick and the member's link is met most of the time, so the loop runs until
    // root has written through its own link often enough, within a bound.
    constexpr int kWrites = 300;
    constexpr int kMostRounds = 200000;
    int rounds = 0;
    int written = 0;
    int refused = 0;
    std::string unexpected;
    for (; rounds < kMostRounds && written < kWrites; ++rounds) {
        // One resolution a save, as in a save's replacement of the file.
        const std::string failure = UpdateFailure(hive.string(), rounds);
        if (failure.empty()) {
            ++written;
        } else if (failure.find("owned by user " + std::to_string(kMember)) != std::string::npos) {
            ++refused;
        } else {
            unexpected = failure;
        }
    }
    int status = 0;
    const bool stillSwapping = ::waitpid(member, &status, WNOHANG) == 0;
    ::kill(member, SIGKILL);
    ::waitpid(member, nullptr, 0);
    EXPECT_TRUE(stillSwapping) << "the member stopped swapping, status " << status;

    std::printf("%d saves: %d written through root's link, %d refused the member's\n", rounds,
                written, refused);
    ::testing::Test::RecordProperty("written", written);
    ::testing::Test::RecordProperty("refused", refused);
    EXPECT_EQ(written + refused, rounds) << unexpected;
    ExpectSecretUntouched(true);
    EXPECT_TRUE(fs::is_symlink(hive));
    EXPECT_TRUE(fs::is_symlink(planted));
}

} // namespace
} // namespace tessaport
