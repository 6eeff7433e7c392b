#pragma once

#include "RegLine.h"
#include "RegLineCursor.h"
#include "RegText.h"
#include "RegVisitor.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tessaport {

// Reads .reg syntax and reports sections and values to a visitor, in one pass. Anything an
// importer would not take as written (an unknown line, a malformed value, a value before any
// section, a dangling continuation) raises ERegSyntaxError with its line number: a file is
// either understood completely or not used at all.
class RegParser {
public:
    static constexpr std::size_t kMaxKeyDepth = 512;

    static void Parse(const RegText &text, RegVisitor &visitor);

private:
    RegParser(const RegText &text, RegVisitor &visitor);

    void Run();
    void ParseHeader();
    void ParseSection(const RegLine &line, std::size_t bracket);
    void ParseValue(const RegLine &line, std::size_t start);
    bool ParseExportedDword(const RegLine &line, std::size_t start, RegValueEvent &event);
    // Each reads its kind of data from `pos`, where it starts, and returns where it ends.
    std::size_t ParseDeletion(const RegLine &line, std::size_t pos, RegValueEvent &event) const;
    std::size_t ParseString(const RegLine &line, std::size_t pos, RegValueEvent &event) const;
    std::size_t ParseDword(const RegLine &line, std::size_t pos, RegValueEvent &event) const;
    // "hex:" or "hex(N):" and the bytes, over as many lines as they are continued.
    void ParseHexValue(const RegLine &line, std::size_t pos, RegValueEvent &event);
    void ParseHex(RegLine line, std::size_t pos, RegValueEvent &event);
    // Up to eight hex digits from `pos` as a number; `pos` ends after them, and is unmoved when
    // there is none. `what` names the number in the failure for a ninth digit.
    std::uint32_t ReadHexNumber(const RegLine &line, std::size_t &pos, std::string_view what) const;
    void FinishValue(const RegLine &last, RegValueEvent &event);
    void CheckSectionPath(std::string_view relative, std::size_t line) const;

    const RegText &text_;
    RegVisitor &visitor_;
    RegLineCursor cursor_;
    bool inSection_ = false;
};

} // namespace tessaport
