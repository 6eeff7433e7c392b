#pragma once

#include "KeySnapshot.h"
#include "RegKeyPath.h"
#include "RegText.h"
#include "RegVisitor.h"

namespace tessaport {

// Replays a file for one key: whether it exists, its values and where they are decided. Only
// that key's values are decoded, so a pass over a large hive stays cheap.
class KeyScanner : public RegVisitor {
public:
    explicit KeyScanner(const RegKeyPath &target) : target_(target) {}

    // `target` as `text` leaves it.
    static KeySnapshot Scan(const RegText &text, const RegKeyPath &target);

    void OnSection(const RegSectionEvent &section) override;
    void OnValue(const RegValueEvent &value) override;

    const KeySnapshot &Snapshot() const { return snapshot_; }
    KeySnapshot TakeSnapshot() { return std::move(snapshot_); }

private:
    const RegKeyPath &target_;
    KeySnapshot snapshot_;
    bool inTarget_ = false;
};

} // namespace tessaport
