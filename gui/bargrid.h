#pragma once

// The grid of tracks by bars, drawn by the program. Row 0 is the header (bar numbers), column 0
// the track labels; row r shows track r, column c bar c - 1. Only the visible cells are drawn,
// from a precomputed summary, so the size of the song does not matter to a repaint.

#include <QAbstractScrollArea>
#include <QStringList>

namespace tonvela {
class BarSummary;
}

class BarGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit BarGrid(QWidget* parent = nullptr);

    // Grid dimensions including the fixed row and column. The selection is clamped to them.
    void setGridSize(int colCount, int rowCount);
    int colCount() const { return colCount_; }
    int rowCount() const { return rowCount_; }
    // Not owned; must live as long as it is set. Cells read notes and program marks from it.
    void setSummary(const tonvela::BarSummary* summary);
    // The label of row r is labels[r] (labels[0] is not shown).
    void setLabels(const QStringList& labels);
    QString label(int row) const { return row < labels_.size() ? labels_[row] : QString(); }
    // Column 0 fits the widest label plus 5 pixels, up to maxLabelWidth(); a longer label is
    // shown shortened with "…" (cellText) and whole in its tooltip.
    void fitLabelColumn();
    int maxLabelWidth() const;
    // Bar columns are 25 pixels wide, or wider when the largest bar number or the longest cell
    // text would not fit.
    int colWidth(int col) const { return col == 0 ? colWidth0_ : defaultColWidth_; }
    int rowHeight() const { return rowHeight_; }
    QString cellText(int col, int row) const;
    QColor cellColor(int col, int row) const;

    // The selected rectangle in grid columns and rows (never the fixed ones).
    int selLeft() const { return sel_.left; }
    int selRight() const { return sel_.right; }
    int selTop() const { return sel_.top; }
    int selBottom() const { return sel_.bottom; }
    void setSelection(int left, int top, int right, int bottom);
    bool isSelected(int col, int row) const;

    // Scrolling by whole cells: the first scrolled column and row shown.
    int leftCol() const;
    void setLeftCol(int col);
    int topRow() const;
    int visibleColCount() const;
    int visibleRowCount() const;
    // Where a cell is drawn, in viewport coordinates; empty when it is not visible.
    QRect cellRect(int col, int row) const;

Q_SIGNALS:
    // The selection changed (dragging, keys, label click).
    void selectionChanged();
    // A selection gesture ended: mouse released right of column 0, a key released, a label
    // clicked. The selection-dependent views refresh on this.
    void selectionFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    struct Rect {
        int left = 1, top = 1, right = 1, bottom = 1;
    };
    // Column and row under a viewport point; -1 outside the grid.
    int colAt(int x) const;
    int rowAt(int y) const;
    void updateScrollBars();
    void updateMetrics();
    void fitBarColumns();
    void select(int anchorCol, int anchorRow, int col, int row);
    void scrollIntoView(int col, int row);
    // The label of row r as it fits column 0.
    QString shownLabel(int row) const;

    const tonvela::BarSummary* summary_ = nullptr;
    QStringList labels_;
    int colCount_ = 2;
    int rowCount_ = 2;
    int defaultColWidth_ = 25;
    int colWidth0_ = 64;
    int rowHeight_ = 18;
    Rect sel_;
    int anchorCol_ = 1, anchorRow_ = 1;  // fixed corner of a drag or Shift+key extension
    int cursorCol_ = 1, cursorRow_ = 1;  // moving corner
    bool dragging_ = false;
};
