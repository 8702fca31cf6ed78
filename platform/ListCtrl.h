#pragma once
// A report-view list control with the operations the program's windows use:
// columns with header text, alignment and width, rows addressed by index, one
// picture of an image strip per row, single selection, and the right-click
// notification (also on the empty part of the list).

#include <QIcon>
#include <QPixmap>
#include <QTreeWidget>
#include <QVector>

class CListCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit CListCtrl(QWidget* parent = nullptr);

    // Appends column `index` (columns are inserted in order).
    void InsertColumn(int index, const QString& header, Qt::Alignment alignment, int width);

    // Cuts a strip of square pictures (height × height each) into the image
    // list; pixels of the transparent colour become transparent.
    void SetImageList(const QPixmap& strip, int pictureSize, QColor transparent);
    int GetImageCount() const { return images.size(); }
    QIcon GetImage(int index) const;

    int GetItemCount() const;
    // Inserts a row at `row` with its first column's text and picture; returns its index.
    int InsertItem(int row, const QString& text, int image = -1);
    void SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    int GetItemImage(int row) const;
    void SetItemImage(int row, int image);
    // The tip shown over every column of the row; empty for none.
    void SetItemToolTip(int row, const QString& text);
    QString GetItemToolTip(int row) const;
    bool DeleteItem(int row);
    void DeleteAllItems();

    // First selected row after `start` (-1: from the beginning), or -1.
    int GetNextSelectedItem(int start = -1) const;
    // Gives the row the selected state; the list keeps one selection.
    void SelectItem(int row);
    // Row whose first column equals the text exactly, or -1.
    int FindItem(const QString& text) const;

signals:
    // Right button released over the list; the position is global.
    void rightClicked(const QPoint& globalPos);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The header is drawn in the list's font. Left to itself it stops
    // inheriting once a style sheet applies and takes the application's.
    // A column too narrow for its title in that font grows to fit it.
    void FollowFontInHeader();

    QVector<QIcon> images;
    QVector<int> imageOfRow;
    QVector<Qt::Alignment> alignments;
    QVector<int> designedWidths;
};
