#include "StateFingerprint.h"

#include "RegNames.h"

namespace tessaport {

namespace {
constexpr std::uint64_t kFnvPrime = 1099511628211ull;
}

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
    for (int i = 0; i < 8; ++i) {
        hash_ = (hash_ ^ ((number >> (8 * i)) & 0xFF)) * kFnvPrime;
    }
}

void StateFingerprint::MixText(std::string_view text, bool fold) {
    Mix(text.size());
    for (char c : text) {
        hash_ = (hash_ ^ static_cast<unsigned char>(fold ? FoldAscii(c) : c)) * kFnvPrime;
    }
}

} // namespace tessaport
