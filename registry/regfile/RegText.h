#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tessaport {

enum class RegEncoding { EightBit, Utf16Le };
enum class LineEnd { None, Lf, Cr, CrLf };

std::string_view LineEndText(LineEnd end);

// The bytes of a .reg file and their text. UTF-16LE (with its byte order mark) is decoded to
// UTF-8 so that one parser serves both encodings; 8-bit text is used as it stands. The bytes
// are not copied: they must outlive this object.
class RegText {
public:
    static constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;
    static constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

    // Raises ERegSyntaxError (naming `source`) for an encoding the importers do not accept.
    RegText(std::string_view bytes, std::string source);

    const std::string &Source() const { return source_; }
    RegEncoding Encoding() const { return encoding_; }
    std::string_view Raw() const { return raw_; }
    // The text without a byte order mark; UTF-8 for a UTF-16 file.
    std::string_view Decoded() const { return decoded_; }
    // The line end of the first line, which new lines copy (CRLF when there is none).
    LineEnd Style() const { return style_; }

    // `utf8` in this file's encoding (without a byte order mark).
    std::string Encode(std::string_view utf8) const;

    [[noreturn]] void Fail(std::size_t line, const std::string &reason) const;

private:
    void DecodeUtf16();
    void DetectStyle();

    std::string_view raw_;
    std::string source_;
    RegEncoding encoding_ = RegEncoding::EightBit;
    // Not zero-filled first: a large export is decoded straight into fresh pages.
    std::unique_ptr<char[]> decodedStorage_;
    std::string_view decoded_;
    LineEnd style_ = LineEnd::CrLf;
};

} // namespace tessaport
