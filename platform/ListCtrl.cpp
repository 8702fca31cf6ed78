#include "platform/ListCtrl.h"

#include <QBitmap>
#include <QHeaderView>
#include <QMouseEvent>

CListCtrl::CListCtrl(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(0);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setIconSize(QSize(16, 16));
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    FollowFontInHeader();
}

void CListCtrl::FollowFontInHeader() {
    QFont f = font();
    // Every property set, so neither a style sheet nor the application font
    // fills any of them in.
    f.setResolveMask(QFont::AllPropertiesResolved);
    header()->setFont(f);
    for (int c = 0; c < designedWidths.size(); ++c)
        setColumnWidth(c, qMax(designedWidths[c], header()->sectionSizeHint(c)));
}

void CListCtrl::changeEvent(QEvent* event) {
    QTreeWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        FollowFontInHeader();
}

void CListCtrl::InsertColumn(int index, const QString& header, Qt::Alignment alignment, int width) {
    if (index != alignments.size())
        return;
    alignments.push_back(alignment);
    setColumnCount(alignments.size());
    headerItem()->setText(index, header);
    headerItem()->setTextAlignment(index, alignment | Qt::AlignVCenter);
    designedWidths.push_back(width);
    setColumnWidth(index, qMax(width, QTreeWidget::header()->sectionSizeHint(index)));
}

void CListCtrl::SetImageList(const QPixmap& strip, int pictureSize, QColor transparent) {
    images.clear();
    if (strip.isNull() || pictureSize <= 0)
        return;
    QPixmap masked = strip;
    masked.setMask(strip.createMaskFromColor(transparent, Qt::MaskInColor));
    for (int x = 0; x + pictureSize <= strip.width(); x += pictureSize) {
        // A selected row shows the picture as it is: tinted by the selection
        // colour, the done and stopped marks would fade into it.
        const QPixmap picture = masked.copy(x, 0, pictureSize, pictureSize);
        QIcon icon(picture);
        icon.addPixmap(picture, QIcon::Selected);
        images.push_back(icon);
    }
    for (int row = 0; row < GetItemCount(); ++row)
        topLevelItem(row)->setIcon(0, GetImage(imageOfRow.value(row, -1)));
}

QIcon CListCtrl::GetImage(int index) const {
    return index >= 0 && index < images.size() ? images[index] : QIcon();
}

int CListCtrl::GetItemCount() const {
    return topLevelItemCount();
}

int CListCtrl::InsertItem(int row, const QString& text, int image) {
    row = qBound(0, row, GetItemCount());
    auto* item = new QTreeWidgetItem;
    for (int c = 0; c < alignments.size(); ++c)
        item->setTextAlignment(c, alignments[c] | Qt::AlignVCenter);
    item->setText(0, text);
    item->setIcon(0, GetImage(image));
    insertTopLevelItem(row, item);
    imageOfRow.insert(row, image);
    return row;
}

void CListCtrl::SetItemText(int row, int column, const QString& text) {
    if (QTreeWidgetItem* item = topLevelItem(row))
        item->setText(column, text);
}

QString CListCtrl::GetItemText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

int CListCtrl::GetItemImage(int row) const {
    return imageOfRow.value(row, -1);
}

void CListCtrl::SetItemImage(int row, int image) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return;
    imageOfRow[row] = image;
    item->setIcon(0, GetImage(image));
}

void CListCtrl::SetItemToolTip(int row, const QString& text) {
    if (QTreeWidgetItem* item = topLevelItem(row))
        for (int c = 0; c < columnCount(); ++c)
            item->setToolTip(c, text);
}

QString CListCtrl::GetItemToolTip(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->toolTip(0) : QString();
}

bool CListCtrl::DeleteItem(int row) {
    if (row < 0 || row >= GetItemCount())
        return false;
    // The view would hand the selection on to a neighbour; the list keeps
    // exactly the selection of the rows that remain.
    QList<QTreeWidgetItem*> kept = selectedItems();
    QTreeWidgetItem* item = topLevelItem(row);
    kept.removeAll(item);
    delete takeTopLevelItem(row);
    imageOfRow.remove(row);
    clearSelection();
    for (QTreeWidgetItem* k : kept)
        k->setSelected(true);
    return true;
}

void CListCtrl::DeleteAllItems() {
    clear();
    imageOfRow.clear();
}

int CListCtrl::GetNextSelectedItem(int start) const {
    for (int row = start + 1; row < GetItemCount(); ++row)
        if (topLevelItem(row)->isSelected())
            return row;
    return -1;
}

void CListCtrl::SelectItem(int row) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return;
    clearSelection();
    item->setSelected(true);
    setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
}

int CListCtrl::FindItem(const QString& text) const {
    for (int row = 0; row < GetItemCount(); ++row)
        if (topLevelItem(row)->text(0) == text)
            return row;
    return -1;
}

void CListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton)
        emit rightClicked(event->globalPosition().toPoint());
}
