#include "FixedRowHeightDelegate.h"

namespace tessaport {

FixedRowHeightDelegate::FixedRowHeightDelegate(int rowHeight, QObject *parent)
    : QStyledItemDelegate(parent), rowHeight_(rowHeight) {}

QSize FixedRowHeightDelegate::sizeHint(const QStyleOptionViewItem &option,
                                       const QModelIndex &index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(rowHeight_);
    return size;
}

} // namespace tessaport
