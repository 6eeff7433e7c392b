#pragma once

#include "RegVisitor.h"

namespace tessaport {

// Hands each event to two visitors, so that one pass over the file serves both.
class RegVisitorPair : public RegVisitor {
public:
    RegVisitorPair(RegVisitor &first, RegVisitor &second) : first_(first), second_(second) {}

    void OnSection(const RegSectionEvent &section) override {
        first_.OnSection(section);
        second_.OnSection(section);
    }
    void OnValue(const RegValueEvent &value) override {
        first_.OnValue(value);
        second_.OnValue(value);
    }

private:
    RegVisitor &first_;
    RegVisitor &second_;
};

} // namespace tessaport
