#include "StateFingerprint.h"

#include "RegNames.h"

#include <algorithm>
#include <cstring>

namespace tessaport {

namespace {

// A word at a time: this hash runs over the whole file twice per write.
constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;

// ASCII letters of eight bytes in lower case, the rest as it is.
std::uint64_t FoldAsciiWord(std::uint64_t word) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    const std::uint64_t low7 = word & ~kHighBits;
    const std::uint64_t aboveZ = low7 + 0x2525252525252525ull; // high bit set from '['
    const std::uint64_t fromA = low7 + 0x3F3F3F3F3F3F3F3Full;  // high bit set from 'A'
    const std::uint64_t upper = (fromA ^ aboveZ) & ~word & kHighBits;
    return word | (upper >> 2);
}

} // namespace

void StateFingerprint::OnSection(const RegSectionEvent &section) {
    inExcluded_ = !section.deletion && section.path &&
                  RelationOf(*section.path, excluded_) == KeyRelation::Same;
    if (inExcluded_) {
        return;
    }
    Mix(section.deletion ? 'D' : 'S');
    MixText(section.name, true);
}

void StateFingerprint::OnValue(const RegValueEvent &value) {
    if (inExcluded_) {
        return;
    }
    Mix('V');
    MixText(value.name, true);
    Mix(static_cast<std::uint64_t>(value.kind));
    Mix(value.type);
    Mix(value.dword);
    MixText(value.data, false);
}

void StateFingerprint::Mix(std::uint64_t number) {
    hash_ = (hash_ ^ number) * kMultiplier;
    hash_ ^= hash_ >> 29;
}

void StateFingerprint::MixText(std::string_view text, bool fold) {
    Mix(text.size());
    while (!text.empty()) {
        std::uint64_t word = 0;
        const std::size_t take = std::min(text.size(), sizeof word);
        std::memcpy(&word, text.data(), take);
        Mix(fold ? FoldAsciiWord(word) : word);
        text.remove_prefix(take);
    }
}

} // namespace tessaport
