// Two of our programs saving one provider's settings at once while a third loads them: every
// triple loaded, and the one left, is one that was saved whole. The programs are processes of
// SettingsHammer.exe, built beside this test.
#include "DriverSettings.h"
#include "ScratchRegistry.h"
#include "SettingsStore.h"
#include "TRegistry.h"
#include "WinKeyTurn.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace tessaport {
namespace {

constexpr int kSavesEach = 1000;
constexpr int kLoads = 2000;
constexpr DWORD kHammerFailed = 250;

std::wstring Beside(const wchar_t *file) {
    std::wstring self(MAX_PATH, L'\0');
    self.resize(::GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
    return self.substr(0, self.find_last_of(L"\\/") + 1) + file;
}

// A started process, waited for and closed once; its standard error goes to `errors` if named.
class Process {
public:
    explicit Process(const std::wstring &arguments, const std::wstring &errors = {}) {
        std::wstring command = L"\"" + Beside(L"SettingsHammer.exe") + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        HANDLE errorFile = INVALID_HANDLE_VALUE;
        if (!errors.empty()) {
            SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
            errorFile = ::CreateFileW(errors.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
            startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
            startup.hStdError = errorFile;
        }
        const BOOL started =
            ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, !errors.empty(), 0, nullptr,
                             nullptr, &startup, &info_);
        if (errorFile != INVALID_HANDLE_VALUE) {
            ::CloseHandle(errorFile);
        }
        if (!started) {
            ADD_FAILURE() << "cannot start SettingsHammer.exe: error " << ::GetLastError();
        }
    }
    ~Process() {
        if (info_.hProcess != nullptr) {
            ::CloseHandle(info_.hThread);
            ::CloseHandle(info_.hProcess);
        }
    }
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    DWORD ExitCode() const {
        DWORD code = 0xffffffff;
        if (info_.hProcess != nullptr &&
            ::WaitForSingleObject(info_.hProcess, INFINITE) == WAIT_OBJECT_0) {
            ::GetExitCodeProcess(info_.hProcess, &code);
        }
        return code;
    }

private:
    PROCESS_INFORMATION info_{};
};

TEST(WindowsConcurrentSaves, TwoWritersAndAReaderSeeOnlyWholeTriples) {
    testing::ScratchRegistry scratch;
    SettingsStore::WriteDriverSettings("Advantech", {0, 0, 0});
    DWORD mixed = 0;
    {
        const Process first(L"write 1 " + std::to_wstring(kSavesEach));
        const Process second(L"write 10 " + std::to_wstring(kSavesEach));
        const Process reader(L"read " + std::to_wstring(kLoads));
        EXPECT_EQ(first.ExitCode(), 0u);
        EXPECT_EQ(second.ExitCode(), 0u);
        mixed = reader.ExitCode();
    }
    std::printf("%d saves by each of 2 writers, %d loads: %lu mixed triples seen\n", kSavesEach,
                kLoads, static_cast<unsigned long>(mixed));
    ::testing::Test::RecordProperty("mixed_triples_seen", static_cast<int>(mixed));
    EXPECT_EQ(mixed, 0u) << "a load saw settings nobody saved";
    const DriverSettings last = SettingsStore::ReadDriverSettings("Advantech");
    EXPECT_EQ(last.diStartAddress, last.numberOfCards);
    EXPECT_EQ(last.doStartAddress, last.numberOfCards);
}

TEST(WindowsConcurrentSaves, EachKeyViewAndCaseHasOneMutex) {
    const std::wstring name =
        WinKeyTurn::MutexName("HKEY_LOCAL_MACHINE\\Software\\A (32-bit view)");
    EXPECT_EQ(name, L"Global\\TessaportConfig.Key.HKEY_LOCAL_MACHINE/SOFTWARE/A (32-BIT VIEW)");
    EXPECT_EQ(WinKeyTurn::MutexName("hkey_local_machine\\software\\a (32-bit view)"), name);
    EXPECT_NE(WinKeyTurn::MutexName("HKEY_LOCAL_MACHINE\\Software\\A (64-bit view)"), name);
    EXPECT_NE(WinKeyTurn::MutexName("HKEY_LOCAL_MACHINE\\Software\\AB (32-bit view)"), name);
    const std::string longKey(300, 'k');
    EXPECT_LT(WinKeyTurn::MutexName(longKey).size(), static_cast<std::size_t>(MAX_PATH));
    EXPECT_NE(WinKeyTurn::MutexName(longKey), WinKeyTurn::MutexName(longKey + "x"));
}

// While this program holds its turn at the key, another of ours waits, then gives up saying why,
// and writes nothing.
TEST(WindowsConcurrentSaves, AWriterThatWaitsTooLongStopsAndSaysWhy) {
    testing::ScratchRegistry scratch;
    SettingsStore::WriteDriverSettings("Advantech", {7, 7, 7});
    wchar_t folder[MAX_PATH];
    ASSERT_NE(::GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring errors = std::wstring(folder) + L"tessaport-hammer-errors.txt";
    {
        TRegistry holder(kKeyAllAccess);
        holder.RootKey(kHKeyLocalMachine);
        ASSERT_TRUE(holder.OpenKey(SettingsStore::KeyPathFor("Advantech"), false));
        const Process writer(L"write 1 1", errors);
        EXPECT_EQ(writer.ExitCode(), kHammerFailed);
    }
    std::string message(512, '\0');
    FILE *file = ::_wfopen(errors.c_str(), L"rb");
    ASSERT_NE(file, nullptr);
    message.resize(std::fread(message.data(), 1, message.size(), file));
    std::fclose(file);
    ::DeleteFileW(errors.c_str());
    EXPECT_NE(message.find("another of our programs has held this key for over 10 seconds"),
              std::string::npos)
        << message;
    EXPECT_EQ(SettingsStore::ReadDriverSettings("Advantech"), (DriverSettings{7, 7, 7}));
}

// A writer that ended during its turn, as a program killed mid-save, leaves the mutex abandoned:
// the next save takes the turn over at once rather than failing. The holder outlives its thread
// so that the mutex stays open, as it does while any other program has it open.
TEST(WindowsConcurrentSaves, ASaveTakesOverTheTurnOfAWriterThatEndedDuringIt) {
    testing::ScratchRegistry scratch;
    SettingsStore::WriteDriverSettings("Advantech", {7, 7, 7});
    std::optional<TRegistry> holder;
    std::thread([&holder] {
        holder.emplace(kKeyAllAccess);
        holder->RootKey(kHKeyLocalMachine);
        EXPECT_TRUE(holder->OpenKey(SettingsStore::KeyPathFor("Advantech"), false));
    }).join();
    EXPECT_NO_THROW(SettingsStore::WriteDriverSettings("Advantech", {1, 2, 3}));
    EXPECT_EQ(SettingsStore::ReadDriverSettings("Advantech"), (DriverSettings{1, 2, 3}));
}

} // namespace
} // namespace tessaport
