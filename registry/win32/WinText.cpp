#include "WinText.h"

#include <array>
#include <climits>

namespace tessaport {

std::optional<std::wstring> WidenUtf8(std::string_view text) {
    if (text.empty()) {
        return std::wstring();
    }
    if (text.size() > INT_MAX) {
        return std::nullopt;
    }
    const int length = static_cast<int>(text.size());
    const int wideLength =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (wideLength <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(),
                          wideLength);
    return wide;
}

std::string NarrowToUtf8(std::wstring_view text) {
    if (text.empty() || text.size() > INT_MAX) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    // Unpaired surrogates become U+FFFD rather than failing: this is only ever shown to people.
    const int narrowLength =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (narrowLength <= 0) {
        return {};
    }
    std::string narrow(static_cast<std::size_t>(narrowLength), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, narrow.data(), narrowLength, nullptr,
                          nullptr);
    return narrow;
}

std::string SystemErrorText(DWORD code) {
    std::array<wchar_t, 512> buffer{};
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         0, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
    std::wstring_view message(buffer.data(), length);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' ||
                                message.back() == L' ' || message.back() == L'.')) {
        message.remove_suffix(1);
    }
    std::string text = NarrowToUtf8(message);
    if (text.empty()) {
        text = "unknown error";
    }
    return text + " (error " + std::to_string(code) + ")";
}

} // namespace tessaport
