#pragma once

#include <QStyledItemDelegate>

namespace tessaport {

// Draws list entries as usual but gives every row the same height. The popups of QComboBox
// size their rows from the style, which a size-hint role does not override.
class FixedRowHeightDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    FixedRowHeightDelegate(int rowHeight, QObject *parent);

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int rowHeight_;
};

} // namespace tessaport
