// The Windows programs as shipped, read from the .exe files themselves: the DLLs they import,
// their subsystem, and their icon, version block and manifest.
// usage: ProgramFilesTest CONFIG_EXE REG_EXE
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <string>
#include <vector>
#include <windows.h>

namespace {

std::string configExe;
std::string regExe;

// Wine reaches the Linux file system through drive Z:.
std::string WindowsPath(std::string path) {
    if (!path.empty() && path.front() == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
    return path;
}

std::string Upper(std::string text) {
    for (char &c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// The parts of a PE file the checks need, read from its bytes.
class PeFile {
public:
    explicit PeFile(const std::string &path) {
        std::ifstream file(WindowsPath(path), std::ios::binary);
        bytes_.assign(std::istreambuf_iterator<char>(file), {});
    }

    bool Valid() const { return bytes_.size() > 0x400 && Headers() != nullptr; }

    WORD Subsystem() const { return Headers()->OptionalHeader.Subsystem; }

    std::set<std::string> ImportedDlls() const {
        std::set<std::string> names;
        const IMAGE_DATA_DIRECTORY &directory =
            Headers()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (DWORD at = directory.VirtualAddress;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const auto *entry = At<IMAGE_IMPORT_DESCRIPTOR>(at);
            if (!entry || entry->Name == 0) {
                break;
            }
            if (const char *name = At<char>(entry->Name)) {
                names.insert(Upper(name));
            }
        }
        return names;
    }

private:
    const IMAGE_NT_HEADERS *Headers() const {
        const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(bytes_.data());
        if (dos->e_magic != IMAGE_DOS_SIGNATURE ||
            static_cast<std::size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS) > bytes_.size()) {
            return nullptr;
        }
        const auto *headers =
            reinterpret_cast<const IMAGE_NT_HEADERS *>(bytes_.data() + dos->e_lfanew);
        return headers->Signature == IMAGE_NT_SIGNATURE ? headers : nullptr;
    }

    // The bytes at a relative virtual address, through the section that holds it.
    template <class T> const T *At(DWORD rva) const {
        const IMAGE_NT_HEADERS *headers = Headers();
        const IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(headers);
        for (WORD i = 0; i < headers->FileHeader.NumberOfSections; ++i, ++section) {
            if (rva >= section->VirtualAddress &&
                rva < section->VirtualAddress + section->SizeOfRawData) {
                const std::size_t offset =
                    rva - section->VirtualAddress + section->PointerToRawData;
                return offset + sizeof(T) <= bytes_.size()
                           ? reinterpret_cast<const T *>(bytes_.data() + offset)
                           : nullptr;
            }
        }
        return nullptr;
    }

    std::vector<char> bytes_;
};

// The program loaded as data, for its resources.
class Resources {
public:
    explicit Resources(const std::string &path)
        : module_(::LoadLibraryExA(WindowsPath(path).c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~Resources() {
        if (module_) {
            ::FreeLibrary(module_);
        }
    }
    Resources(const Resources &) = delete;
    Resources &operator=(const Resources &) = delete;

    bool Loaded() const { return module_ != nullptr; }

    std::string Bytes(LPCSTR type, LPCSTR name) const {
        HRSRC found = ::FindResourceA(module_, name, type);
        if (!found) {
            return {};
        }
        HGLOBAL loaded = ::LoadResource(module_, found);
        const auto *data = static_cast<const char *>(::LockResource(loaded));
        return data ? std::string(data, ::SizeofResource(module_, found)) : std::string();
    }

private:
    HMODULE module_;
};

#pragma pack(push, 2)
struct IconDirectoryEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

// A string of the version block's StringFileInfo, in US English / Unicode.
std::string VersionString(const std::string &block, const char *name) {
    std::vector<char> copy(block.begin(), block.end());
    char *value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!::VerQueryValueA(copy.data(), path.c_str(), reinterpret_cast<void **>(&value), &length) ||
        !value) {
        return {};
    }
    return std::string(value, length > 0 ? length - 1 : 0);
}

struct Program {
    const std::string *path;
    const char *description;
    const char *executionLevel;
    WORD subsystem;
};

class ProgramFilesTest : public ::testing::TestWithParam<Program> {};

} // namespace

TEST_P(ProgramFilesTest, ImportsOnlySystemDlls) {
    const PeFile file(*GetParam().path);
    ASSERT_TRUE(file.Valid()) << *GetParam().path;
    const std::set<std::string> system{"ADVAPI32.DLL", "COMCTL32.DLL", "GDI32.DLL",
                                       "KERNEL32.DLL", "MSVCRT.DLL",   "USER32.DLL"};
    const std::set<std::string> imported = file.ImportedDlls();
    EXPECT_TRUE(imported.count("KERNEL32.DLL"));
    for (const std::string &dll : imported) {
        EXPECT_TRUE(system.count(dll)) << "imports " << dll;
    }
    EXPECT_EQ(file.Subsystem(), GetParam().subsystem);
    if (GetParam().subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI) {
        for (const char *dll : {"USER32.DLL", "GDI32.DLL", "COMCTL32.DLL"}) {
            EXPECT_TRUE(imported.count(dll)) << "does not import " << dll;
        }
    }
}

// The 16-colour 32 x 32 image, and the sizes a small title bar, a high-DPI one and Explorer's
// large views take (256 is stored as 0).
TEST_P(ProgramFilesTest, CarriesTheSixteenColourIconAndTheOtherSizes) {
    const Resources resources(*GetParam().path);
    ASSERT_TRUE(resources.Loaded());
    const std::string group = resources.Bytes(MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(1));
    ASSERT_GE(group.size(), 6u);
    WORD count = 0;
    std::memcpy(&count, group.data() + 4, sizeof count);
    ASSERT_EQ(group.size(), 6 + count * sizeof(IconDirectoryEntry));
    bool sixteenColours = false;
    std::set<int> widths;
    for (WORD i = 0; i < count; ++i) {
        IconDirectoryEntry entry{};
        std::memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
        widths.insert(entry.width);
        sixteenColours = sixteenColours || (entry.width == 32 && entry.height == 32 &&
                                            entry.colourCount == 16 && entry.bitCount == 4);
        EXPECT_FALSE(resources.Bytes(MAKEINTRESOURCEA(3), MAKEINTRESOURCEA(entry.id)).empty())
            << "image " << entry.id;
    }
    EXPECT_TRUE(sixteenColours);
    EXPECT_EQ(widths, (std::set<int>{0, 16, 32, 48}));
}

TEST_P(ProgramFilesTest, CarriesItsVersionBlock) {
    const Resources resources(*GetParam().path);
    ASSERT_TRUE(resources.Loaded());
    const std::string block = resources.Bytes(MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1));
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(VersionString(block, "ProductName"), "Tessaport Configuration");
    EXPECT_EQ(VersionString(block, "CompanyName"), "TessaportConfig");
    EXPECT_EQ(VersionString(block, "FileDescription"), GetParam().description);
    EXPECT_EQ(VersionString(block, "FileVersion"), TESSAPORT_VERSION);
    EXPECT_EQ(VersionString(block, "ProductVersion"), TESSAPORT_VERSION);
}

TEST_P(ProgramFilesTest, ManifestAsksForItsLevelCommonControlsAndDpiAwareness) {
    const Resources resources(*GetParam().path);
    ASSERT_TRUE(resources.Loaded());
    const std::string manifest = resources.Bytes(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    ASSERT_FALSE(manifest.empty());
    // Any level here also stops the redirection of HKLM\Software writes to a per-user store.
    EXPECT_NE(manifest.find(std::string("<requestedExecutionLevel level=\"") +
                            GetParam().executionLevel + "\""),
              std::string::npos)
        << manifest;
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, ProgramFilesTest,
    ::testing::Values(Program{&configExe, "Tessaport Configuration", "requireAdministrator",
                              IMAGE_SUBSYSTEM_WINDOWS_GUI},
                      Program{&regExe, "Tessaport settings from the command line", "asInvoker",
                              IMAGE_SUBSYSTEM_WINDOWS_CUI}),
    [](const ::testing::TestParamInfo<Program> &info) {
        return std::string(info.param.subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI ? "Window"
                                                                               : "CommandLine");
    });

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: ProgramFilesTest CONFIG_EXE REG_EXE\n");
        return 2;
    }
    configExe = argv[1];
    regExe = argv[2];
    return RUN_ALL_TESTS();
}
