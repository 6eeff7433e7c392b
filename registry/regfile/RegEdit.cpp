#include "RegEdit.h"

namespace tessaport {

std::size_t RegEdit::Size() const {
    std::size_t size = old_.size();
    for (const Change &change : changes_) {
        size += change.bytes.size() - (change.end - change.begin);
    }
    return size;
}

std::vector<std::string_view> RegEdit::Pieces() const {
    std::vector<std::string_view> pieces;
    std::size_t kept = 0;
    for (const Change &change : changes_) {
        pieces.push_back(old_.substr(kept, change.begin - kept));
        pieces.emplace_back(change.bytes);
        kept = change.end;
    }
    pieces.push_back(old_.substr(kept));
    return pieces;
}

std::string RegEdit::Text() const {
    std::string text;
    text.reserve(Size());
    for (const std::string_view piece : Pieces()) {
        text += piece;
    }
    return text;
}

} // namespace tessaport
