#include "ComboBoxes.h"

#include "FixedRowHeightDelegate.h"

#include <QComboBox>

namespace tessaport {

void SetItemIndex(QComboBox &list, int position) {
    // Checked here rather than left to QComboBox, whose handling of bad indexes is not promised.
    list.setCurrentIndex(position >= 0 && position < list.count() ? position : -1);
}

void SetEntryHeight(QComboBox &list, int height) {
    // The list takes ownership and deletes the delegate it replaces.
    list.setItemDelegate(new FixedRowHeightDelegate(height, &list));
}

} // namespace tessaport
