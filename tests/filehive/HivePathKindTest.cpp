// What lies at the hive's path: a link is followed, anything but a regular file is refused,
// and a hard-linked file is never replaced.
#include "ERegistryError.h"
#include "HiveSandbox.h"
#include "TRegistry.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tessaport {
namespace {

namespace fs = std::filesystem;
using testing::HiveSandbox;

const std::string kKey = "Software\\Korvanta\\Tessaport\\Advantech";
const std::string kFile =
    "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Advantech]\n\"A\"=dword:1\n";

struct Registry : TRegistry {
    explicit Registry(RegAccess access = kKeyAllAccess) : TRegistry(access) {
        RootKey(kHKeyLocalMachine);
    }
};

TEST(HivePath, ASymbolicLinkIsFollowedAndStaysALink) {
    HiveSandbox sandbox;
    fs::create_directory(sandbox.Folder() / "real");
    const fs::path target = sandbox.Folder() / "real" / "hive.reg";
    testing::WriteBytes(target, kFile);
    fs::create_symlink("real/hive.reg", sandbox.Hive());

    Registry registry;
    ASSERT_TRUE(registry.OpenKey(kKey, false));
    EXPECT_EQ(registry.ReadInteger("A"), 1);
    registry.WriteInteger("A", 2);
    registry.CloseKey();

    EXPECT_TRUE(fs::is_symlink(sandbox.Hive()));
    EXPECT_EQ(fs::read_symlink(sandbox.Hive()), "real/hive.reg");
    EXPECT_NE(testing::ReadBytes(target).find("\"A\"=dword:00000002"), std::string::npos);
    EXPECT_TRUE(fs::exists(sandbox.Folder() / "real" / "hive.reg.lock"));
    EXPECT_FALSE(fs::exists(sandbox.Folder() / "registry.reg.lock"));
}

struct UnusableCase {
    std::string name;
    std::function<void(const HiveSandbox &)> make;
    std::string reason;
};

TEST(HivePath, AnythingButARegularFileIsAClearError) {
    const std::vector<UnusableCase> cases{
        {"dangling link", [](const HiveSandbox &s) { fs::create_symlink("nowhere.reg", s.Hive()); },
         "dangling"},
        {"link loop",
         [](const HiveSandbox &s) {
             fs::create_symlink("loop.reg", s.Hive());
             fs::create_symlink("registry.reg", s.Folder() / "loop.reg");
         },
         "loop"},
        {"folder", [](const HiveSandbox &s) { fs::create_directory(s.Hive()); }, "a folder"},
        {"FIFO", [](const HiveSandbox &s) { ASSERT_EQ(::mkfifo(s.Hive().c_str(), 0644), 0); },
         "a FIFO"},
        {"device", [](const HiveSandbox &s) { fs::create_symlink("/dev/null", s.Hive()); },
         "a device"},
    };
    for (const UnusableCase &c : cases) {
        SCOPED_TRACE(c.name);
        HiveSandbox sandbox;
        c.make(sandbox);
        const auto entriesBefore = std::distance(fs::directory_iterator(sandbox.Folder()), {});
        for (RegAccess access : {kKeyRead, kKeyAllAccess}) {
            for (bool create : {false, true}) {
                Registry registry(access);
                try {
                    registry.OpenKey(kKey, create);
                    ADD_FAILURE() << "opened";
                } catch (const ERegistryError &failure) {
                    EXPECT_NE(std::string(failure.what()).find(c.reason), std::string::npos)
                        << failure.what();
                }
            }
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(sandbox.Folder()), {}), entriesBefore);
        EXPECT_FALSE(fs::exists(sandbox.Folder() / "nowhere.reg"));
    }
}

TEST(HivePath, AHardLinkedHiveIsReadButNeverReplaced) {
    HiveSandbox sandbox;
    sandbox.WriteHive(kFile);
    const fs::path otherName = sandbox.Folder() / "other.reg";
    fs::create_hard_link(sandbox.Hive(), otherName);

    Registry registry;
    ASSERT_TRUE(registry.OpenKey(kKey, false));
    EXPECT_EQ(registry.ReadInteger("A"), 1);
    try {
        registry.WriteInteger("A", 2);
        registry.CloseKey();
        ADD_FAILURE() << "wrote a hard-linked hive";
    } catch (const ERegistryError &failure) {
        EXPECT_NE(std::string(failure.what()).find("hard links"), std::string::npos);
    }
    EXPECT_THROW(
        {
            Registry creator;
            creator.OpenKey("Software\\New", true);
            creator.CloseKey();
        },
        ERegistryError);
    EXPECT_TRUE(fs::equivalent(sandbox.Hive(), otherName));
    EXPECT_EQ(sandbox.ReadHive(), kFile);
    EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
}

TEST(HivePath, ALockFileThatIsNotAFileStopsWritersWithoutHangingThem) {
    HiveSandbox sandbox;
    sandbox.WriteHive(kFile);
    const fs::path lock = sandbox.Hive().string() + ".lock";
    ASSERT_EQ(::mkfifo(lock.c_str(), 0644), 0);

    Registry registry;
    ASSERT_TRUE(registry.OpenKey(kKey, false));
    EXPECT_EQ(registry.ReadInteger("A"), 1);
    try {
        registry.WriteInteger("A", 2);
        registry.CloseKey();
        ADD_FAILURE() << "wrote through a FIFO lock";
    } catch (const ERegistryError &failure) {
        EXPECT_NE(std::string(failure.what()).find("lock file is not a regular file"),
                  std::string::npos)
            << failure.what();
    }
    EXPECT_EQ(sandbox.ReadHive(), kFile);
    EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
}

std::vector<std::string> Listing(const fs::path &folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(folder)) {
        names.push_back(entry.path().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct RefusedPathCase {
    const char *label;
    std::string path; // in the sandbox, which holds the hive registry.reg
    std::string message;
};

// As the system resolves the path, reads find no file at these; a save is refused before it makes
// anything, folders and lock file included.
TEST(HivePath, APathNoSaveCanUseIsRefusedBeforeAnythingIsMade) {
    const RefusedPathCase cases[] = {
        {"a path ending in a slash", "etc/tessaport/", "ends with '/'"},
        {"\"..\" after a missing folder", "missing/../registry.reg",
         "\"..\" follows a folder that does not exist"},
        {"a name leaving no room for the temporary files", std::string(250, 'n'),
         "the file's name is too long to save"},
    };
    for (const RefusedPathCase &c : cases) {
        SCOPED_TRACE(c.label);
        HiveSandbox sandbox;
        sandbox.WriteHive(kFile);
        const std::vector<std::string> before = Listing(sandbox.Folder());
        sandbox.PointAt((sandbox.Folder() / c.path).string());
        Registry registry;
        std::string message;
        try {
            EXPECT_FALSE(Registry(kKeyRead).OpenKey(kKey, false));
            ASSERT_TRUE(registry.OpenKey(kKey, true));
            registry.WriteInteger("A", 2);
            registry.CloseKey();
        } catch (const ERegistryError &failure) {
            message = failure.what();
        }
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
        EXPECT_EQ(Listing(sandbox.Folder()), before);
        EXPECT_EQ(sandbox.ReadHive(), kFile);
    }
}

} // namespace
} // namespace tessaport
