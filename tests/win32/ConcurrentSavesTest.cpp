// Two of our programs saving one provider's settings at once while a third loads them: every
// triple loaded, and the one left, is one that was saved whole. The programs are processes of
// SettingsHammer.exe, built beside this test.
#include "DriverSettings.h"
#include "RegistryNotices.h"
#include "ScratchRegistry.h"
#include "SettingsStore.h"
#include "TRegistry.h"
#include "WinKeyTurn.h"
#include "WinRegistryApi.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>
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
    // `errors` takes standard error, and standard output too when another program than
    // SettingsHammer.exe is run.
    explicit Process(const std::wstring &arguments, const std::wstring &errors = {},
                     const wchar_t *program = L"SettingsHammer.exe") {
        std::wstring command = L"\"" + Beside(program) + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        HANDLE errorFile = INVALID_HANDLE_VALUE;
        if (!errors.empty()) {
            SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
            errorFile = ::CreateFileW(errors.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
            startup.hStdOutput = std::wstring_view(program) == L"SettingsHammer.exe"
                                     ? ::GetStdHandle(STD_OUTPUT_HANDLE)
                                     : errorFile;
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

std::string ReadAndRemove(const std::wstring &path) {
    std::string text(4096, '\0');
    FILE *file = ::_wfopen(path.c_str(), L"rb");
    text.resize(file != nullptr ? std::fread(text.data(), 1, text.size(), file) : 0);
    if (file != nullptr) {
        std::fclose(file);
    }
    ::DeleteFileW(path.c_str());
    return text;
}

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

// One mutex per key as the system reaches it, whichever build asks: the 32-bit programs, which
// WOW64 redirects, and the 64-bit ones, which ask for the 32-bit view, take the same turn.
TEST(WindowsConcurrentSaves, EachKeyViewAndCaseHasOneMutex) {
    const std::string key = "HKEY_LOCAL_MACHINE\\Software\\A";
    const auto name = [](const std::string &k, REGSAM access, RegistryProcess process) {
        return WinKeyTurn::MutexName(k, kKeyAllAccess | access, process);
    };
    const std::wstring view32 = name(key, KEY_WOW64_32KEY, RegistryProcess::Bits64);
    EXPECT_EQ(view32, L"Global\\TessaportConfig.Key.HKEY_LOCAL_MACHINE/SOFTWARE/A (32-BIT VIEW)");
    EXPECT_EQ(name(key, 0, RegistryProcess::Bits32OnWow64), view32);
    EXPECT_EQ(name("hkey_local_machine\\software\\a", 0, RegistryProcess::Bits32OnWow64), view32);
    EXPECT_EQ(name(key, KEY_WOW64_64KEY, RegistryProcess::Bits32OnWow64),
              name(key, 0, RegistryProcess::Bits64));
    EXPECT_NE(name(key, 0, RegistryProcess::Bits64), view32);
    EXPECT_NE(name(key + "B", KEY_WOW64_32KEY, RegistryProcess::Bits64), view32);
    // 32-bit Windows has one view: every flag reaches the same key.
    EXPECT_EQ(name(key, KEY_WOW64_64KEY, RegistryProcess::Bits32),
              name(key, 0, RegistryProcess::Bits32));
    const std::string longKey(300, 'k');
    EXPECT_LT(name(longKey, 0, RegistryProcess::Bits64).size(), static_cast<std::size_t>(MAX_PATH));
    EXPECT_NE(name(longKey, 0, RegistryProcess::Bits64),
              name(longKey + "x", 0, RegistryProcess::Bits64));
}

// A writer that ended during its turn (here a thread, which abandons the mutex as a process
// does) may have left a mixed triple: whoever takes the turn next is told, and tessaport-reg
// says so, naming the provider.
TEST(WindowsConcurrentSaves, ATurnLeftByAWriterThatEndedIsReported) {
    testing::ScratchRegistry scratch;
    SettingsStore::WriteDriverSettings("Advantech", {1, 2, 3});
    const std::wstring name =
        WinKeyTurn::MutexName("HKEY_LOCAL_MACHINE\\" + SettingsStore::KeyPathFor("Advantech"),
                              kKeyAllAccess | SettingsViewFlag(), ThisRegistryProcess());
    // Held open here, so that the abandoned mutex outlives the thread.
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    ASSERT_NE(mutex, nullptr);
    const auto abandon = [mutex] {
        std::thread([mutex] { ::WaitForSingleObject(mutex, INFINITE); }).join();
    };
    abandon();
    {
        const RegistryNotices notices;
        EXPECT_EQ(SettingsStore::ReadDriverSettings("Advantech"), (DriverSettings{1, 2, 3}));
        ASSERT_EQ(notices.Notices().size(), 1u);
        EXPECT_NE(notices.Notices()[0].find("ended while it held this key"), std::string::npos)
            << notices.Notices()[0];
        const RegistryNotices next;
        SettingsStore::ReadDriverSettings("Advantech");
        EXPECT_TRUE(next.Notices().empty());
    }
    wchar_t folder[MAX_PATH];
    ASSERT_NE(::GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring output = std::wstring(folder) + L"tessaport-reg-output.txt";
    abandon();
    EXPECT_EQ(
        Process(L"get --json Advantech", output, L"..\\..\\cli\\tessaport-reg.exe").ExitCode(), 0u);
    ::CloseHandle(mutex);
    const std::string printed = ReadAndRemove(output);
    EXPECT_NE(printed.find("tessaport-reg: warning: Advantech: HKEY_LOCAL_MACHINE\\"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("\"warning\": \"HKEY_LOCAL_MACHINE"), std::string::npos) << printed;
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
    const std::string message = ReadAndRemove(errors);
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
