// TRegistry over a hive file: opening, creating, reading and writing keys and values, and what
// happens with a damaged file.
#include "ERegSyntaxError.h"
#include "ERegistryError.h"
#include "HiveLocation.h"
#include "HiveSandbox.h"
#include "SettingsStore.h"
#include "TRegistry.h"

#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tessaport {
namespace {

namespace fs = std::filesystem;
using testing::HiveSandbox;

const std::string kKey = "Software\\Korvanta\\Tessaport\\Advantech";
const std::string kHeader = "[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Advantech]";
const std::string kV5 = "Windows Registry Editor Version 5.00";

struct Registry : TRegistry {
    explicit Registry(RegAccess access = kKeyAllAccess, RegRootKey root = kHKeyLocalMachine)
        : TRegistry(access) {
        RootKey(root);
    }
};

std::string Repeat(std::string_view text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

std::string MessageOf(const std::function<void()> &action) {
    try {
        action();
    } catch (const ERegistryError &failure) {
        return failure.what();
    }
    return "";
}

TEST(Hive, OpeningAMissingKeyCreatesNothing) {
    HiveSandbox sandbox;
    sandbox.PointAt(sandbox.Folder() / "sub" / "registry.reg");
    Registry registry;
    EXPECT_FALSE(registry.OpenKey(kKey, false));
    EXPECT_FALSE(registry.HasCurrentKey());
    EXPECT_FALSE(fs::exists(sandbox.Folder() / "sub"));

    const std::string file = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Korvanta]\n";
    sandbox.WriteHive(file);
    sandbox.PointAt(sandbox.Hive());
    EXPECT_FALSE(registry.OpenKey(kKey, false));
    EXPECT_EQ(sandbox.ReadHive(), file);
    EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
}

TEST(Hive, CreatingMakesTheFolderTheFileAndTheKey) {
    HiveSandbox sandbox;
    const fs::path hive = sandbox.Folder() / "etc" / "tessaport" / "registry.reg";
    sandbox.PointAt(hive);
    {
        Registry registry;
        ASSERT_TRUE(registry.OpenKey(kKey, true));
        EXPECT_EQ(registry.CurrentPath(), kKey);
        registry.WriteInteger("NumberOfCards", 3);
        registry.WriteInteger("PIIBeginAddress", 10);
        registry.WriteInteger("PIQBeginAddress", 20);
        EXPECT_EQ(registry.ReadInteger("PIIBeginAddress"), 10);
        // The key and its values are held until the key is closed, then written at once.
        EXPECT_FALSE(fs::exists(sandbox.Folder() / "etc"));
        registry.CloseKey();
    }
    EXPECT_EQ(testing::ReadBytes(hive), kV5 + "\r\n\r\n" + kHeader +
                                            "\r\n\"NumberOfCards\"=dword:00000003\r\n"
                                            "\"PIIBeginAddress\"=dword:0000000a\r\n"
                                            "\"PIQBeginAddress\"=dword:00000014\r\n\r\n");
    EXPECT_EQ(fs::status(hive).permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                                  fs::perms::group_read | fs::perms::others_read);

    Registry reader;
    ASSERT_TRUE(reader.OpenKey(kKey, false));
    EXPECT_EQ(reader.ReadInteger("numberofcards"), 3);
    EXPECT_EQ(reader.ReadInteger("PIQBeginAddress"), 20);
}

TEST(Hive, WritingReplacesOneValueAndKeepsEverythingElse) {
    HiveSandbox sandbox;
    const std::string before = kV5 + "\r\n\r\n; keep me\r\n" + kHeader +
                               "\r\n@=\"default\"\r\n\"NumberOfCards\"=dword:00000001\r\n"
                               "\"Vendor\"=\"Korvanta\"\r\n\r\n[HKEY_CURRENT_USER\\" +
                               kKey + "]\r\n\"NumberOfCards\"=dword:00000007\r\n";
    sandbox.WriteHive(before);
    ::chmod(sandbox.Hive().c_str(), 0640);
    Registry registry;
    ASSERT_TRUE(registry.OpenKey(kKey, false));
    registry.WriteInteger("NumberOfCards", 5);
    registry.CloseKey();

    std::string expected = before;
    expected.replace(expected.find("dword:00000001"), 14, "dword:00000005");
    EXPECT_EQ(sandbox.ReadHive(), expected);
    EXPECT_EQ(fs::status(sandbox.Hive()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
}

TEST(Hive, NegativeNumbersAreStoredAsTwosComplement) {
    struct Case {
        std::int32_t value;
        std::string dword;
    };
    const std::vector<Case> cases{{-1, "ffffffff"},
                                  {INT32_MIN, "80000000"},
                                  {INT32_MAX, "7fffffff"},
                                  {-2, "fffffffe"},
                                  {0, "00000000"}};
    HiveSandbox sandbox;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dword);
        {
            Registry registry;
            ASSERT_TRUE(registry.OpenKey(kKey, true));
            registry.WriteInteger("Value", c.value);
            registry.CloseKey();
        }
        EXPECT_NE(sandbox.ReadHive().find("\"Value\"=dword:" + c.dword + "\r\n"),
                  std::string::npos);
        Registry reader;
        ASSERT_TRUE(reader.OpenKey(kKey, false));
        EXPECT_EQ(reader.ReadInteger("Value"), c.value);
    }
}

TEST(Hive, ReadingFailsForMissingOrNonDwordValues) {
    HiveSandbox sandbox;
    sandbox.WriteHive("REGEDIT4\n" + kHeader +
                      "\n\"Text\"=\"3\"\n\"Blob\"=hex:03,00,00,00\n\"Big\"=hex(b):03,00,00,00,00,"
                      "00,00,00\n\"Short\"=hex(4):03,00\n\"Dword\"=hex(4):03,00,00,00\n");
    Registry registry;
    ASSERT_TRUE(registry.OpenKey(kKey, false));
    EXPECT_EQ(registry.ReadInteger("Dword"), 3);
    struct Case {
        std::string name;
        std::string reason;
    };
    const std::vector<Case> cases{{"Missing", "does not exist"},
                                  {"Text", "not a DWORD (it is REG_SZ)"},
                                  {"Blob", "not a DWORD (it is REG_BINARY)"},
                                  {"Big", "not a DWORD (it is REG_QWORD)"},
                                  {"Short", "not a DWORD (it is REG_DWORD of 2 bytes)"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string message = MessageOf([&] { registry.ReadInteger(c.name); });
        EXPECT_NE(message.find(sandbox.Hive().string()), std::string::npos) << message;
        EXPECT_NE(message.find("HKEY_LOCAL_MACHINE\\" + kKey), std::string::npos) << message;
        EXPECT_NE(message.find("\"" + c.name + "\""), std::string::npos) << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    }
    registry.CloseKey();
    EXPECT_NE(MessageOf([&] { registry.ReadInteger("Dword"); }).find("no key is open"),
              std::string::npos);
    EXPECT_NE(MessageOf([&] { registry.WriteInteger("Dword", 1); }).find("no key is open"),
              std::string::npos);
}

TEST(Hive, RefusesKeyPathsThatCannotBeWrittenAsAHeader) {
    const std::vector<std::string> paths{"",
                                         "\\Software",
                                         "Software\\",
                                         "Soft\\\\ware",
                                         "Soft[ware",
                                         "Soft]ware",
                                         "Soft\nware",
                                         "Soft\rware",
                                         std::string("So\0ft", 5),
                                         "Soft\x01ware",
                                         "Soft\x7Fware",
                                         "Soft\xFFware",
                                         std::string(256, 'k'),
                                         Repeat("\xC3\xA9", 256)};
    HiveSandbox sandbox;
    for (const std::string &path : paths) {
        SCOPED_TRACE(path);
        Registry registry;
        EXPECT_FALSE(registry.OpenKey(path, true));
        EXPECT_FALSE(fs::exists(sandbox.Hive()));
    }
    Registry registry;
    EXPECT_TRUE(registry.OpenKey("Soft ware\\with spaces \\ and;semicolon/slash", true));
    EXPECT_TRUE(registry.OpenKey(std::string(255, 'k') + "\\" + Repeat("\xC3\xA9", 255), true));
}

TEST(Hive, EachRootHasItsOwnSections) {
    struct Case {
        RegRootKey root;
        std::string name;
    };
    const std::vector<Case> cases{{kHKeyClassesRoot, "HKEY_CLASSES_ROOT"},
                                  {kHKeyCurrentUser, "HKEY_CURRENT_USER"},
                                  {kHKeyLocalMachine, "HKEY_LOCAL_MACHINE"},
                                  {kHKeyUsers, "HKEY_USERS"},
                                  {kHKeyCurrentConfig, "HKEY_CURRENT_CONFIG"}};
    HiveSandbox sandbox;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Registry registry(kKeyAllAccess, cases[i].root);
        ASSERT_TRUE(registry.OpenKey("K", true));
        registry.WriteInteger("Root", static_cast<std::int32_t>(i));
        registry.CloseKey();
    }
    const std::string hive = sandbox.ReadHive();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_NE(
            hive.find("[" + cases[i].name + "\\K]\r\n\"Root\"=dword:0000000" + std::to_string(i)),
            std::string::npos);
        Registry registry(kKeyRead, cases[i].root);
        ASSERT_TRUE(registry.OpenKey("K", false));
        EXPECT_EQ(registry.ReadInteger("Root"), static_cast<std::int32_t>(i));
    }
    Registry performanceData(kKeyAllAccess, 0x80000004);
    EXPECT_FALSE(performanceData.OpenKey("K", true));
}

TEST(Hive, ChangingTheRootClosesTheKey) {
    HiveSandbox sandbox;
    Registry registry;
    ASSERT_TRUE(registry.OpenKey(kKey, true));
    registry.RootKey(kHKeyCurrentUser);
    EXPECT_FALSE(registry.HasCurrentKey());
    EXPECT_EQ(registry.CurrentPath(), "");
    EXPECT_EQ(registry.RootKey(), kHKeyCurrentUser);
}

TEST(Hive, AReadOnlyKeyCannotBeWritten) {
    HiveSandbox sandbox;
    sandbox.WriteHive("REGEDIT4\n" + kHeader + "\n\"A\"=dword:1\n");
    Registry registry(kKeyRead);
    ASSERT_TRUE(registry.OpenKey(kKey, false));
    EXPECT_THROW(registry.WriteInteger("A", 2), ERegistryError);
    EXPECT_EQ(sandbox.ReadHive(), "REGEDIT4\n" + kHeader + "\n\"A\"=dword:1\n");
}

TEST(Hive, ValueNamesThatWouldBreakALineAreRefused) {
    HiveSandbox sandbox;
    const std::string file = "REGEDIT4\n" + kHeader + "\n";
    sandbox.WriteHive(file);
    Registry registry;
    ASSERT_TRUE(registry.OpenKey(kKey, false));
    for (const std::string name : {"line\nbreak", "carriage\rreturn", "bell\x07", "bad\xFF"}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(registry.WriteInteger(name, 1), ERegistryError);
    }
    EXPECT_EQ(sandbox.ReadHive(), file);
    registry.WriteInteger("", 7);
    registry.WriteInteger("with \"quotes\" and \\", 8);
    EXPECT_EQ(registry.ReadInteger(""), 7);
    registry.CloseKey();
    EXPECT_EQ(sandbox.ReadHive(),
              file + "@=dword:00000007\n\"with \\\"quotes\\\" and \\\\\"=dword:00000008\n");
}

TEST(Hive, ADamagedHiveFailsReadsAndIsNeverWritten) {
    struct Case {
        std::string name;
        std::string bytes;
        std::size_t line;
    };
    const std::vector<Case> cases{
        {"garbage", "\x01\x02garbage", 1},
        {"bad value", "REGEDIT4\n" + kHeader + "\n\"A\"=dword:1\n\"B\"=dword:0x2\n", 4},
        {"dangling continuation", "REGEDIT4\n[HKLM\\X]\n\"A\"=hex:01,\\\n" + kHeader + "\n", 4},
        {"UTF-16 without its mark", std::string("R\0E\0G\0", 6), 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        HiveSandbox sandbox;
        sandbox.WriteHive(c.bytes);
        for (bool create : {false, true}) {
            Registry registry;
            try {
                registry.OpenKey(kKey, create);
                ADD_FAILURE() << "opened a damaged hive";
            } catch (const ERegSyntaxError &failure) {
                EXPECT_EQ(failure.Line(), c.line);
                EXPECT_NE(std::string(failure.what()).find(sandbox.Hive().string()),
                          std::string::npos);
            }
            EXPECT_EQ(sandbox.ReadHive(), c.bytes);
        }
        EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
    }
}

TEST(Hive, AnEmptyFileIsAnEmptyRegistryWhoseModeIsKept) {
    HiveSandbox sandbox;
    sandbox.WriteHive("");
    ASSERT_EQ(::chmod(sandbox.Hive().c_str(), 0640), 0);
    {
        Registry registry;
        EXPECT_FALSE(registry.OpenKey(kKey, false));
        EXPECT_EQ(sandbox.ReadHive(), "");
        ASSERT_TRUE(registry.OpenKey(kKey, true));
        registry.WriteInteger("NumberOfCards", 2);
        registry.CloseKey();
    }
    EXPECT_EQ(sandbox.ReadHive(),
              kV5 + "\r\n\r\n" + kHeader + "\r\n\"NumberOfCards\"=dword:00000002\r\n\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(sandbox.Hive().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(Hive, AWriteAfterSomeoneElseChangedTheFileRereadsIt) {
    // A key opened to be created is parsed for editing at once; the edit must still be made on
    // the file as it is when written.
    for (const bool canCreate : {false, true}) {
        SCOPED_TRACE(canCreate ? "opened to be created" : "opened");
        HiveSandbox sandbox;
        sandbox.WriteHive("REGEDIT4\n" + kHeader + "\n\"A\"=dword:1\n\"B\"=dword:2\n");
        Registry registry;
        const auto writeA = [&](std::int32_t value) {
            registry.WriteInteger("A", value);
            registry.CloseKey();
        };

        // Another program changes a value in place, keeping the size: the write must keep it.
        ASSERT_TRUE(registry.OpenKey(kKey, canCreate));
        sandbox.WriteHive("REGEDIT4\n" + kHeader + "\n\"A\"=dword:1\n\"B\"=dword:5\n");
        writeA(3);
        EXPECT_EQ(sandbox.ReadHive(),
                  "REGEDIT4\n" + kHeader + "\n\"A\"=dword:00000003\n\"B\"=dword:5\n");

        // An editor saves by renaming a new file of the same size over it.
        ASSERT_TRUE(registry.OpenKey(kKey, canCreate));
        testing::WriteBytes(sandbox.Folder() / "edited",
                            "REGEDIT4\n" + kHeader + "\n\"A\"=dword:00000003\n\"B\"=dword:6\n");
        fs::rename(sandbox.Folder() / "edited", sandbox.Hive());
        writeA(4);
        EXPECT_EQ(sandbox.ReadHive(),
                  "REGEDIT4\n" + kHeader + "\n\"A\"=dword:00000004\n\"B\"=dword:6\n");

        // Another program adds a value.
        ASSERT_TRUE(registry.OpenKey(kKey, canCreate));
        sandbox.WriteHive("REGEDIT4\n" + kHeader + "\n\"A\"=dword:1\n\"C\"=dword:2\n");
        writeA(3);
        EXPECT_EQ(sandbox.ReadHive(),
                  "REGEDIT4\n" + kHeader + "\n\"A\"=dword:00000003\n\"C\"=dword:2\n");

        // Another program breaks the file: the write fails and the file stays as it is.
        const std::string broken = "REGEDIT4\n" + kHeader + "\n\"A\"=dword:1\nbroken\n";
        ASSERT_TRUE(registry.OpenKey(kKey, canCreate));
        sandbox.WriteHive(broken);
        EXPECT_THROW(writeA(4), ERegSyntaxError);
        EXPECT_EQ(sandbox.ReadHive(), broken);

        // Or deletes the key.
        const std::string deleted = "REGEDIT4\n[-HKEY_LOCAL_MACHINE\\Software]\n";
        sandbox.WriteHive(std::string(kV5) + "\r\n" + kHeader + "\r\n");
        ASSERT_TRUE(registry.OpenKey(kKey, canCreate));
        sandbox.WriteHive(deleted);
        EXPECT_NE(MessageOf([&] { writeA(4); }).find("has been deleted"), std::string::npos);
        EXPECT_EQ(sandbox.ReadHive(), deleted);
        EXPECT_TRUE(sandbox.LeftoverTempFiles().empty());
    }
}

TEST(Hive, StaleTemporaryFilesAreRemovedByTheNextWrite) {
    HiveSandbox sandbox;
    sandbox.WriteHive("REGEDIT4\n" + kHeader + "\n");
    testing::WriteBytes(sandbox.Folder() / ".registry.reg.tmp-Ab12Cd", "half a hive");
    testing::WriteBytes(sandbox.Folder() / ".registry.reg.lock.tmp-Ab12Cd", "");
    testing::WriteBytes(sandbox.Folder() / "unrelated.tmp-Ab12Cd", "kept");
    // Listing the folder leaves its access time as it was: marking it costs each save one more
    // wait for the disk.
    const timespec times[2] = {{::time(nullptr) - 3600, 0}, {0, UTIME_OMIT}};
    ASSERT_EQ(::utimensat(AT_FDCWD, sandbox.Folder().c_str(), times, 0), 0);
    Registry registry;
    ASSERT_TRUE(registry.OpenKey(kKey, false));
    registry.WriteInteger("A", 1);
    registry.CloseKey();
    EXPECT_FALSE(fs::exists(sandbox.Folder() / ".registry.reg.tmp-Ab12Cd"));
    EXPECT_FALSE(fs::exists(sandbox.Folder() / ".registry.reg.lock.tmp-Ab12Cd"));
    EXPECT_TRUE(fs::exists(sandbox.Folder() / "unrelated.tmp-Ab12Cd"));
    struct stat folder {};
    ASSERT_EQ(::stat(sandbox.Folder().c_str(), &folder), 0);
    EXPECT_EQ(folder.st_atim.tv_sec, times[0].tv_sec);
}

TEST(Hive, TheLocationIsReadAtEachOpen) {
    HiveSandbox first;
    const fs::path firstHive = first.Hive();
    Registry registry;
    ASSERT_TRUE(registry.OpenKey(kKey, true));
    registry.WriteInteger("A", 1);
    {
        HiveSandbox second;
        EXPECT_FALSE(registry.OpenKey(kKey, false));
        ASSERT_TRUE(registry.OpenKey(kKey, true));
        registry.WriteInteger("A", 2);
        registry.CloseKey();
        EXPECT_NE(second.ReadHive().find("dword:00000002"), std::string::npos);
    }
    EXPECT_NE(testing::ReadBytes(firstHive).find("dword:00000001"), std::string::npos);
    ::unsetenv(HiveLocation::kVariable);
    EXPECT_EQ(HiveLocation::Current(), TESSAPORT_DEFAULT_HIVE);
}

// The key's last value is continued at the end of the file: the new values go below its header.
TEST(Hive, ASaveIntoAKeyThatEndsTheFileInAContinuedValueSucceeds) {
    HiveSandbox sandbox;
    const std::string before =
        "REGEDIT4\n\n" + kHeader + "\n\"NumberOfCards\"=dword:1\n\"x\"=hex:01,\\";
    sandbox.WriteHive(before);
    SettingsStore::WriteDriverSettings("Advantech", {2, 3, 4});
    EXPECT_EQ(SettingsStore::ReadDriverSettings("Advantech"), (DriverSettings{2, 3, 4}));
    EXPECT_TRUE(sandbox.ReadHive().ends_with("\"x\"=hex:01,\\")) << sandbox.ReadHive();
}

TEST(Hive, AKeyOpenedToBeCreatedIsMadeWhenClosedOrNotAtAll) {
    HiveSandbox sandbox;
    sandbox.WriteHive("REGEDIT4\n");
    {
        Registry registry;
        ASSERT_TRUE(registry.OpenKey(kKey, true));
        registry.CloseKey();
    }
    EXPECT_EQ(sandbox.ReadHive(), "REGEDIT4\n\n" + kHeader + "\n\n");
    {
        Registry dropped;
        ASSERT_TRUE(dropped.OpenKey("Software\\Dropped", true));
    }
    EXPECT_EQ(sandbox.ReadHive(), "REGEDIT4\n\n" + kHeader + "\n\n");
}

} // namespace
} // namespace tessaport
