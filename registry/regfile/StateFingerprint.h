#pragma once

#include "RegKeyPath.h"
#include "RegVisitor.h"

#include <cstdint>
#include <string_view>

namespace tessaport {

// A hash of everything a file says except the sections of one key and their values. An edit
// of that key must leave it unchanged: the rest of the file then reads as before.
class StateFingerprint : public RegVisitor {
public:
    explicit StateFingerprint(const RegKeyPath &excluded) : excluded_(excluded) {}

    void OnSection(const RegSectionEvent &section) override;
    void OnValue(const RegValueEvent &value) override;

    std::uint64_t Value() const { return hash_; }

private:
    void Mix(std::uint64_t number);
    void MixText(std::string_view text, bool fold);

    const RegKeyPath &excluded_;
    bool inExcluded_ = false;
    std::uint64_t hash_ = 14695981039346656037ull;
};

} // namespace tessaport
