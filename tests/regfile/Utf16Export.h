#pragma once

#include "Utf8.h"

#include <string>
#include <string_view>

namespace tessaport::testing {

// `utf8` as UTF-16LE with a byte order mark, as Windows exports it.
inline std::string Utf16Export(std::string_view utf8) {
    return "\xFF\xFE" + Utf8ToUtf16Le(utf8);
}

} // namespace tessaport::testing
