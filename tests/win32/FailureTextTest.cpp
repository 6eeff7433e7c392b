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

} // namespace
} // namespace tessaport
