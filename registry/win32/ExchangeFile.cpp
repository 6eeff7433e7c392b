// Settings files to import and export, on Windows: names reach the system as UTF-16.
#include "ExchangeFile.h"

#include "EFileTooLarge.h"
#include "ERegistryError.h"
#include "WinText.h"

#include <algorithm>
#include <optional>
#include <random>

namespace tessaport {
namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;

    HANDLE Get() const { return handle_; }
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle) {
        Close();
        handle_ = handle;
    }
    bool Close() {
        const bool closed = !IsOpen() || ::CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

[[noreturn]] void RaiseLastError(const std::string &path, const std::string &action) {
    throw ERegistryError(path + ": cannot " + action + ": " + SystemErrorText(::GetLastError()));
}

std::wstring WidePath(const std::string &path) {
    std::optional<std::wstring> wide = WidenUtf8(path);
    if (!wide || wide->empty()) {
        throw ERegistryError(path + ": not a file name");
    }
    return *wide;
}

std::string ReadBounded(HANDLE file, const std::string &shown, std::size_t limit) {
    std::string bytes;
    char piece[1 << 16];
    while (bytes.size() <= limit) {
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(std::min(sizeof piece, limit + 1 - bytes.size()));
        if (!::ReadFile(file, piece, wanted, &got, nullptr)) {
            // The writing end of a pipe closed: the end of the input.
            if (::GetLastError() == ERROR_BROKEN_PIPE) {
                return bytes;
            }
            RaiseLastError(shown, "read it");
        }
        if (got == 0) {
            return bytes;
        }
        bytes.append(piece, got);
    }
    throw EFileTooLarge(shown + ": is larger than " + std::to_string(limit >> 20) +
                        " MiB, more than a settings file can be");
}

// The folder part of `path`, with its separator; empty for a name alone.
std::wstring FolderOf(const std::wstring &path) {
    const std::size_t slash = path.find_last_of(L"\\/:");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

} // namespace

std::string ExchangeFile::Read(const std::string &path, std::size_t limit) {
    if (path == kStandardInput) {
        return ReadBounded(::GetStdHandle(STD_INPUT_HANDLE), "standard input", limit);
    }
    const FileHandle file(::CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
        RaiseLastError(path, "read it");
    }
    // A pipe or a device (CON, a serial port) could block or never end.
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        throw ERegistryError(path + ": is not a regular file; refusing to read it");
    }
    return ReadBounded(file.Get(), path, limit);
}

void ExchangeFile::Write(const std::string &path, std::string_view bytes) {
    const std::wstring wide = WidePath(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw ERegistryError(path + ": is a folder, not a regular file; refusing to write it");
    }
    const std::wstring folder = FolderOf(wide);
    const std::wstring name = wide.substr(folder.size());
    std::random_device source;
    std::wstring temp;
    FileHandle file(INVALID_HANDLE_VALUE);
    for (int attempt = 0; attempt < 100 && !file.IsOpen(); ++attempt) {
        temp = folder + L"." + name + L".tmp-" + std::to_wstring(source() % 1000000);
        file.Reset(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsOpen() && ::GetLastError() != ERROR_FILE_EXISTS) {
            RaiseLastError(path, "create a temporary file beside it");
        }
    }
    if (!file.IsOpen()) {
        RaiseLastError(path, "create a temporary file beside it");
    }
    // Raises the system's error for `action`, with no temporary file left behind.
    const auto fail = [&](const std::string &action) {
        const DWORD error = ::GetLastError();
        file.Close();
        ::DeleteFileW(temp.c_str());
        ::SetLastError(error);
        RaiseLastError(path, action);
    };
    for (std::string_view rest = bytes; !rest.empty();) {
        DWORD written = 0;
        const DWORD size = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1 << 20));
        if (!::WriteFile(file.Get(), rest.data(), size, &written, nullptr) || written == 0) {
            fail("write it");
        }
        rest.remove_prefix(written);
    }
    if (!::FlushFileBuffers(file.Get()) || !file.Close()) {
        fail("write it");
    }
    // ReplaceFileW keeps the old file's security and attributes; without an old file, a move.
    const BOOL replaced = exists
                              ? ::ReplaceFileW(wide.c_str(), temp.c_str(), nullptr,
                                               REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                              : ::MoveFileExW(temp.c_str(), wide.c_str(), MOVEFILE_WRITE_THROUGH);
    if (!replaced) {
        fail("replace it");
    }
}

} // namespace tessaport
