#include "KeyScanner.h"

#include "RegNames.h"
#include "RegParser.h"
#include "RegValueCodec.h"

namespace tessaport {

KeySnapshot KeyScanner::Scan(const RegText &text, const RegKeyPath &target) {
    KeyScanner scanner(target);
    RegParser::Parse(text, scanner);
    return scanner.TakeSnapshot();
}

void KeyScanner::OnSection(const RegSectionEvent &section) {
    inTarget_ = false;
    if (!section.path) {
        return;
    }
    const KeyRelation relation = RelationOf(*section.path, target_);
    if (section.deletion) {
        // Roots cannot be deleted.
        const bool deletesTarget =
            !section.path->relative.empty() &&
            (relation == KeyRelation::Same || relation == KeyRelation::Ancestor);
        if (deletesTarget) {
            snapshot_.exists = false;
            snapshot_.values.clear();
            snapshot_.insertion.reset();
            snapshot_.afterHeader.reset();
        }
        return;
    }
    if (relation == KeyRelation::Same) {
        snapshot_.exists = true;
        snapshot_.insertion = KeySnapshot::InsertionPoint{section.rawEnd, section.lineEnd};
        snapshot_.afterHeader = snapshot_.insertion;
        inTarget_ = true;
    } else if (relation == KeyRelation::Descendant) {
        // A subkey's section creates its parents.
        snapshot_.exists = true;
    }
}

void KeyScanner::OnValue(const RegValueEvent &value) {
    if (!inTarget_) {
        return;
    }
    snapshot_.insertion = KeySnapshot::InsertionPoint{value.span.rawEnd, value.span.lineEnd};
    std::string name = value.name.find('\\') == std::string_view::npos ? std::string(value.name)
                                                                       : UnescapeQuoted(value.name);
    std::string folded = Folded(name);
    if (value.kind == RegDataKind::Delete) {
        snapshot_.values.erase(folded);
        return;
    }
    auto [entry, added] = snapshot_.values.try_emplace(std::move(folded));
    if (added) {
        entry->second.name = std::move(name);
    }
    entry->second.value = DecodeValue(value);
    entry->second.span = value.span;
}

} // namespace tessaport
