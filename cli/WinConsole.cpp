#include "WinConsole.h"

#include <iostream>
#include <string_view>
#include <windows.h>

namespace tessaport {
namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The length of `text` without a UTF-8 sequence cut short at its end.
std::size_t CompleteLength(std::string_view text) {
    std::size_t start = text.size();
    while (start > 0 && text.size() - start < 3 && IsContinuation(text[start - 1])) {
        --start;
    }
    if (start == 0) {
        return text.size();
    }
    const auto lead = static_cast<unsigned char>(text[start - 1]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return start - 1 + length > text.size() ? start - 1 : text.size();
}

// Whole UTF-8 sequences go to the console as UTF-16; a sequence cut by the buffer's end waits for
// the rest.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::not_eof(c);
        }
        pending_ += traits_type::to_char_type(c);
        return c;
    }

    std::streamsize xsputn(const char *text, std::streamsize count) override {
        pending_.append(text, static_cast<std::size_t>(count));
        return count;
    }

    int sync() override {
        const std::size_t whole = CompleteLength(pending_);
        const bool written = Write(std::string_view(pending_).substr(0, whole));
        pending_.erase(0, whole);
        return written ? 0 : -1;
    }

private:
    bool Write(std::string_view text) const {
        if (text.empty()) {
            return true;
        }
        const int length = static_cast<int>(text.size());
        std::wstring wide(static_cast<std::size_t>(length), L'\0');
        const int converted =
            ::MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), length);
        DWORD done = 0;
        return converted > 0 && ::WriteConsoleW(console_, wide.data(),
                                                static_cast<DWORD>(converted), &done, nullptr) != 0;
    }

    HANDLE console_;
    std::string pending_;
};

} // namespace

struct WinConsole::Redirection {
    Redirection(std::ostream &stream, HANDLE console)
        : stream(stream), buffer(console), original(stream.rdbuf(&buffer)) {}
    ~Redirection() {
        stream.flush();
        stream.rdbuf(original);
    }

    std::ostream &stream;
    ConsoleBuffer buffer;
    std::streambuf *original;
};

WinConsole::WinConsole() {
    const auto redirect = [this](std::ostream &stream, DWORD which) {
        const HANDLE handle = ::GetStdHandle(which);
        DWORD mode = 0;
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE &&
            ::GetConsoleMode(handle, &mode)) {
            redirections_.push_back(std::make_unique<Redirection>(stream, handle));
        }
    };
    redirect(std::cout, STD_OUTPUT_HANDLE);
    redirect(std::cerr, STD_ERROR_HANDLE);
}

WinConsole::~WinConsole() = default;

std::optional<std::vector<std::string>> WinConsole::Arguments(int argc, wchar_t **argv) {
    std::optional<std::vector<std::string>> arguments(std::in_place);
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view wide(argv[i]);
        if (wide.empty()) {
            arguments->emplace_back();
            continue;
        }
        const int length = static_cast<int>(wide.size());
        const int size = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), length,
                                               nullptr, 0, nullptr, nullptr);
        if (size <= 0) {
            return std::nullopt;
        }
        std::string &text = arguments->emplace_back(static_cast<std::size_t>(size), '\0');
        ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), length, text.data(), size,
                              nullptr, nullptr);
    }
    return arguments;
}

} // namespace tessaport
