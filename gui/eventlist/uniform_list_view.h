#pragma once

// A single-column list view for a model whose lines all have the same size, such as the event
// list. It keeps nothing per line (a QListView keeps two integers per line, and more while it
// grows them): the line at a point, and the place of a line, are computed from the line height,
// so a model of millions of lines costs the view nothing and only the visible lines are asked
// for their text. Scrolling is by whole lines.

#include <QAbstractItemView>

class UniformListView : public QAbstractItemView {
    Q_OBJECT
public:
    explicit UniformListView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

    // Measures the lines again at once, so that a scrollTo right after a model reset works.
    void reset() override;
    // Typing letters would search the text of every line: not on a list of millions.
    void keyboardSearch(const QString&) override {}

    // Height and width of every line (measured on the first line, else from the font).
    int lineHeight() const { return lineHeight_; }
    int lineWidth() const { return lineWidth_; }
    // The first line shown and how many fit in the view.
    int topRow() const;
    int visibleRows() const;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int rowCount() const;
    void measure();

    int lineHeight_ = 16;
    int lineWidth_ = 0;
};
