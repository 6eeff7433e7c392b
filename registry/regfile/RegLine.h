#pragma once

#include "RegText.h"

#include <cstddef>
#include <string_view>

namespace tessaport {

// One physical line: its decoded text and where its bytes lie in the file.
struct RegLine {
    std::size_t number = 0;
    std::string_view text;    // without the line end
    std::size_t offset = 0;   // of `text` in RegText::Decoded()
    std::size_t rawBegin = 0; // in RegText::Raw()
    std::size_t rawContentEnd = 0;
    std::size_t rawEnd = 0; // after the line end
    LineEnd end = LineEnd::None;
};

} // namespace tessaport
