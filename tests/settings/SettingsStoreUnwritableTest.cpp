// The store's own failures when the hive cannot be reached at all. A hive path below a regular
// file cannot be created even by root, so these hold whoever runs the tests.
#include "SettingsStore.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace tessaport {
namespace {

namespace fs = std::filesystem;

class SettingsStoreUnwritableTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("tessaport-unwritable-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        std::ofstream(folder / "not-a-folder") << "plain file\n";
        hive = folder / "not-a-folder" / "registry.reg";
        ::setenv("TESSAPORT_REGISTRY", hive.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("TESSAPORT_REGISTRY");
        fs::remove_all(folder);
    }

    fs::path folder;
    fs::path hive;
};

TEST_F(SettingsStoreUnwritableTest, WriteFailsWithRegistryNotCreated) {
    try {
        SettingsStore::WriteDriverSettings("Advantech", {1, 2, 3});
        FAIL() << "write succeeded";
    } catch (const ESettingsStoreError &failure) {
        EXPECT_STREQ(failure.what(), "Registry Not Created!!");
    }
    EXPECT_FALSE(fs::exists(hive));
}

TEST_F(SettingsStoreUnwritableTest, ReadFailsWithRegistryNotFound) {
    try {
        SettingsStore::ReadDriverSettings("Advantech");
        FAIL() << "read succeeded";
    } catch (const ESettingsStoreError &failure) {
        EXPECT_STREQ(failure.what(), "Registry Not Found!!");
    }
}

} // namespace
} // namespace tessaport
