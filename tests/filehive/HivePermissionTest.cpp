// Access rights for real: a write request needs the rights to replace the file, a read request
// only to read it. Root ignores file modes, so as root each case runs in a child process that
// has become the unprivileged user "nobody".
#include "ERegistryError.h"
#include "HiveSandbox.h"
#include "SettingsStore.h"
#include "TRegistry.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tessaport {
namespace {

namespace fs = std::filesystem;
using testing::HiveSandbox;

const std::string kKey = "Software\\Korvanta\\Tessaport\\Advantech";
const std::string kFile =
    "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Advantech]\n\"A\"=dword:3\n";
constexpr uid_t kNobody = 65534;

void AsUnprivilegedUser(const std::function<void()> &body) {
    if (::geteuid() != 0) {
        body();
        return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0) {
            std::perror("cannot become nobody");
            std::_Exit(3);
        }
        try {
            body();
        } catch (const std::exception &failure) {
            ADD_FAILURE() << "unexpected exception: " << failure.what();
        }
        std::fflush(stdout);
        std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the unprivileged run failed; see above";
}

struct AccessCase {
    std::string name;
    mode_t file; // 0: no hive file
    mode_t folder;
    RegAccess access;
    std::string key;
    bool create;
    bool opens;
};

TEST(HivePermission, OpenKeyChecksTheRightsTheRequestNeeds) {
    const std::string other = "Software\\Other";
    const std::vector<AccessCase> cases{
        {"writable", 0644, 0755, kKeyAllAccess, kKey, false, true},
        {"read-only file, full access", 0444, 0755, kKeyAllAccess, kKey, false, false},
        {"read-only file, read access", 0444, 0755, kKeyRead, kKey, false, true},
        {"read-only file, creating", 0444, 0755, kKeyRead, other, true, false},
        {"read-only folder, full access", 0644, 0555, kKeyAllAccess, kKey, false, false},
        {"read-only folder, read access", 0644, 0555, kKeyRead, kKey, false, true},
        {"read-only folder, opening an existing key to create it", 0644, 0555, kKeyRead, kKey, true,
         true},
        {"read-only folder, creating", 0644, 0555, kKeyAllAccess, other, true, false},
        {"unreadable file, read access", 0200, 0755, kKeyRead, kKey, false, false},
        {"unreadable file, full access", 0200, 0755, kKeyAllAccess, kKey, false, false},
        {"unsearchable folder", 0644, 0600, kKeyRead, kKey, false, false},
        {"no file in a read-only folder, creating", 0, 0555, kKeyAllAccess, kKey, true, false},
        {"no file in a writable folder, creating", 0, 0755, kKeyAllAccess, kKey, true, true},
    };
    AsUnprivilegedUser([&] {
        ASSERT_NE(::geteuid(), 0u);
        for (const AccessCase &c : cases) {
            SCOPED_TRACE(c.name);
            HiveSandbox sandbox;
            const fs::path folder = sandbox.Folder() / "hive";
            fs::create_directory(folder);
            const fs::path hive = folder / "registry.reg";
            sandbox.PointAt(hive);
            if (c.file != 0) {
                testing::WriteBytes(hive, kFile);
                ASSERT_EQ(::chmod(hive.c_str(), c.file), 0);
            }
            ASSERT_EQ(::chmod(folder.c_str(), c.folder), 0);

            TRegistry registry(c.access);
            registry.RootKey(kHKeyLocalMachine);
            EXPECT_EQ(registry.OpenKey(c.key, c.create), c.opens);
            if (c.opens && c.file != 0) {
                EXPECT_EQ(registry.ReadInteger("A"), 3);
            }
            registry.CloseKey();
            ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
            if (c.file != 0) {
                ASSERT_EQ(::chmod(hive.c_str(), 0644), 0);
                EXPECT_EQ(testing::ReadBytes(hive), kFile);
            } else {
                EXPECT_EQ(fs::exists(hive), c.opens);
            }
        }
    });
}

TEST(HivePermission, ALockFileNobodyMayOpenDeniesWriting) {
    AsUnprivilegedUser([] {
        HiveSandbox sandbox;
        sandbox.WriteHive(kFile);
        const fs::path lock = sandbox.Folder() / "registry.reg.lock";
        testing::WriteBytes(lock, "");
        ASSERT_EQ(::chmod(lock.c_str(), 0), 0);
        TRegistry writer(kKeyAllAccess);
        writer.RootKey(kHKeyLocalMachine);
        EXPECT_FALSE(writer.OpenKey(kKey, false));
        TRegistry reader(kKeyRead);
        reader.RootKey(kHKeyLocalMachine);
        EXPECT_TRUE(reader.OpenKey(kKey, false));
    });
}

// Message of the store's own failure from `operation`, or "" when it succeeded.
std::string StoreFailure(const std::function<void()> &operation) {
    try {
        operation();
    } catch (const ESettingsStoreError &failure) {
        return failure.what();
    }
    return "";
}

TEST(HivePermission, WithoutWriteRightsTheStoreCanNeitherReadNorWrite) {
    const std::string complete =
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Advantech]\n"
        "\"NumberOfCards\"=dword:3\n\"PIIBeginAddress\"=dword:a\n\"PIQBeginAddress\"=dword:14\n";
    AsUnprivilegedUser([&] {
        HiveSandbox sandbox;
        sandbox.WriteHive(complete);
        ASSERT_EQ(::chmod(sandbox.Hive().c_str(), 0444), 0);

        EXPECT_EQ(StoreFailure([] { SettingsStore::ReadDriverSettings("Advantech"); }),
                  "Registry Not Found!!");
        EXPECT_EQ(StoreFailure([] {
                      SettingsStore::WriteDriverSettings("Advantech", {1, 2, 3});
                  }),
                  "Registry Not Created!!");
        EXPECT_EQ(sandbox.ReadHive(), complete);

        ASSERT_EQ(::chmod(sandbox.Hive().c_str(), 0644), 0);
        EXPECT_EQ(SettingsStore::ReadDriverSettings("Advantech"), (DriverSettings{3, 10, 20}));
    });
}

} // namespace
} // namespace tessaport
