// Failures carry the key or value and the system's own reason.
#include "ERegistryError.h"
#include "RawRegistry.h"
#include "ScratchRegistry.h"
#include "TRegistry.h"
#include "WinRegistryApi.h"
#include "WinText.h"

#include <gtest/gtest.h>

namespace tessaport {
namespace {

TEST(WindowsFailureText, AFailedOpenNamesTheKeyAndTheSystemReason) {
    testing::ScratchRegistry scratch;
    const std::string where = "HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Missing";
    try {
        OpenWinKey(HKEY_LOCAL_MACHINE, "Software\\Korvanta\\Tessaport\\Missing",
                   KEY_ALL_ACCESS | SettingsViewFlag(), false, where);
        FAIL() << "a missing key was opened";
    } catch (const ERegistryError &failure) {
        const std::string message = failure.what();
        EXPECT_NE(message.find(where), std::string::npos) << message;
        EXPECT_NE(message.find(testing::SystemMessage(ERROR_FILE_NOT_FOUND)), std::string::npos)
            << message;
        EXPECT_EQ(message.find(testing::SystemMessage(ERROR_SUCCESS)), std::string::npos)
            << message;
    }
}

TEST(WindowsFailureText, SystemTextIsOneLineAndKeepsTheCode) {
    const std::string denied = SystemErrorText(ERROR_ACCESS_DENIED);
    EXPECT_NE(denied.find(testing::SystemMessage(ERROR_ACCESS_DENIED)), std::string::npos)
        << denied;
    EXPECT_EQ(denied.find_first_of("\r\n"), std::string::npos) << denied;

    // A code the system has no text for still says which code it was.
    const std::string unknown = SystemErrorText(0x20001234);
    EXPECT_NE(unknown.find(std::to_string(0x20001234)), std::string::npos) << unknown;
}

// The view is worked out here from where the driver's tools look, not from the layer's setting.
TEST(WindowsFailureText, FailuresThroughTheLayerNameTheViewItUses) {
    testing::ScratchRegistry scratch;
#if defined(_WIN64)
    const std::string view =
        testing::OurView() == KEY_WOW64_32KEY ? " (32-bit view)" : " (64-bit view)";
#else
    // Under WOW64 a 32-bit program reaches the 32-bit view; on 32-bit Windows there is no other.
    BOOL wow64 = FALSE;
    const std::string view =
        ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64 ? " (32-bit view)" : "";
#endif
    const std::string key = "Software\\Korvanta\\Tessaport\\Advantech";
    const std::string where = "HKEY_LOCAL_MACHINE\\" + key + view + ":";
    TRegistry registry(kKeyAllAccess);
    registry.RootKey(kHKeyLocalMachine);
    EXPECT_FALSE(registry.OpenKey(key, false));
    EXPECT_NE(registry.OpenFailure().find(where), std::string::npos) << registry.OpenFailure();

    ASSERT_TRUE(registry.OpenKey(key, true));
    try {
        registry.ReadInteger("NumberOfCards");
        ADD_FAILURE() << "read a value that is not there";
    } catch (const ERegistryError &failure) {
        EXPECT_NE(std::string(failure.what()).find(where), std::string::npos) << failure.what();
    }
}

} // namespace
} // namespace tessaport
