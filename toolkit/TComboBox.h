#pragma once

#include "TControl.h"

#include <functional>
#include <string>
#include <string_view>

namespace tessaport {

// A drop-down list: the user picks one of its entries and can type no text of their own.
class TComboBox : public TControl {
public:
    using TControl::TControl;

    void AddItem(std::string_view text);
    int Count() const;
    // The selected entry's text, or empty when nothing is selected.
    std::string Text() const;
    // The selected position, or -1.
    int ItemIndex() const;
    // Selects the entry at `position`; -1 or any position outside the entries leaves nothing
    // selected. Never fails, and never raises OnChange: only the user's pick does.
    void SetItemIndex(int position);

    // Raised when the user picks an entry, with the mouse or the keyboard.
    std::function<void()> OnChange;
};

} // namespace tessaport
