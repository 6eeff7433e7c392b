#pragma once

class QComboBox;

namespace tessaport {

// Selects the entry at `position`; any position outside the entries leaves nothing selected.
// Emits no activated(): only a pick by the user counts as a change.
void SetItemIndex(QComboBox &list, int position);

// Gives every entry of the list's popup the same height, in pixels.
void SetEntryHeight(QComboBox &list, int height);

} // namespace tessaport
