#include "bargrid.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>

#include "tools/barsummary.h"

namespace {

// Fill colours: notes yellow, empty silver; selected notes magenta, selected empty grey.
const QColor kNotes(255, 255, 0);
const QColor kEmpty(192, 192, 192);
const QColor kSelectedNotes(255, 0, 255);
const QColor kSelectedEmpty(128, 128, 128);
const QColor kFixed(212, 208, 200);

}  // namespace

BarGrid::BarGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName("MIDIDrawGrid11");
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
    updateMetrics();
}

void BarGrid::updateMetrics() {
    rowHeight_ = fontMetrics().height() + 2;
    fitBarColumns();
}

void BarGrid::fitBarColumns() {
    const QFontMetrics fm = fontMetrics();
    const int cellChars = summary_ ? summary_->widestCellText() : 0;
    const int text = std::max(fm.horizontalAdvance(QString::number(colCount_ - 1)),
                              fm.horizontalAdvance(QString(std::max(cellChars - 1, 0), '8') + '*'));
    defaultColWidth_ = std::max(25, text + 4);  // the text is drawn 2 pixels in from each side
    updateScrollBars();
    viewport()->update();
}

void BarGrid::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) updateMetrics();
    QAbstractScrollArea::changeEvent(event);
}

void BarGrid::setGridSize(int colCount, int rowCount) {
    colCount_ = std::max(colCount, 2);
    rowCount_ = std::max(rowCount, 2);
    Rect s = sel_;
    s.left = std::clamp(s.left, 1, colCount_ - 1);
    s.right = std::clamp(s.right, s.left, colCount_ - 1);
    s.top = std::clamp(s.top, 1, rowCount_ - 1);
    s.bottom = std::clamp(s.bottom, s.top, rowCount_ - 1);
    sel_ = s;
    anchorCol_ = cursorCol_ = s.left;
    anchorRow_ = cursorRow_ = s.top;
    fitBarColumns();
}

void BarGrid::setSummary(const tonvela::BarSummary* summary) {
    summary_ = summary;
    fitBarColumns();
}

void BarGrid::setLabels(const QStringList& labels) {
    labels_ = labels;
    viewport()->update();
}

int BarGrid::maxLabelWidth() const {
    // About 24 characters: a long track name must not push the bars out of view.
    return fontMetrics().averageCharWidth() * 24 + 5;
}

void BarGrid::fitLabelColumn() {
    int widest = 0;
    const QFontMetrics fm = fontMetrics();
    for (int r = 1; r < labels_.size(); ++r) widest = std::max(widest, fm.horizontalAdvance(labels_[r]));
    colWidth0_ = std::min(widest + 5, maxLabelWidth());
    updateScrollBars();
    viewport()->update();
}

QString BarGrid::shownLabel(int row) const {
    const QString whole = label(row);
    const QFontMetrics fm = fontMetrics();
    const int room = colWidth0_ - 4;
    if (fm.horizontalAdvance(whole) <= room) return whole;
    // The name gives way; the channels after it ("[1]") stay readable.
    const qsizetype bracket = whole.endsWith(']') ? whole.lastIndexOf('[') : -1;
    const QString channels = bracket > 0 ? whole.mid(bracket) : QString();
    const QString name = bracket > 0 ? whole.left(bracket) : whole;
    return fm.elidedText(name, Qt::ElideRight, std::max(room - fm.horizontalAdvance(channels), 0)) + channels;
}

bool BarGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int col = colAt(help->pos().x()), row = rowAt(help->pos().y());
        // The whole track name of a label cell.
        if (col == 0 && row >= 1 && !label(row).isEmpty())
            QToolTip::showText(help->globalPos(), label(row), viewport());
        else
            QToolTip::hideText();
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

QString BarGrid::cellText(int col, int row) const {
    if (row == 0) return col == 0 ? QString() : QString::number(col);
    if (col == 0) return shownLabel(row);
    if (!summary_) return {};
    return QString::fromStdString(summary_->cellText(row, col - 1));
}

QColor BarGrid::cellColor(int col, int row) const {
    if (row == 0 || col == 0) return kFixed;
    const bool notes = summary_ && summary_->notes(row, col - 1) > 0;
    if (isSelected(col, row)) return notes ? kSelectedNotes : kSelectedEmpty;
    return notes ? kNotes : kEmpty;
}

bool BarGrid::isSelected(int col, int row) const {
    return col >= sel_.left && col <= sel_.right && row >= sel_.top && row <= sel_.bottom;
}

void BarGrid::setSelection(int left, int top, int right, int bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    Rect s;
    s.left = std::clamp(left, 1, colCount_ - 1);
    s.right = std::clamp(right, 1, colCount_ - 1);
    s.top = std::clamp(top, 1, rowCount_ - 1);
    s.bottom = std::clamp(bottom, 1, rowCount_ - 1);
    anchorCol_ = s.left;
    anchorRow_ = s.top;
    cursorCol_ = s.right;
    cursorRow_ = s.bottom;
    if (s.left == sel_.left && s.right == sel_.right && s.top == sel_.top && s.bottom == sel_.bottom)
        return;
    sel_ = s;
    viewport()->update();
    Q_EMIT selectionChanged();
}

void BarGrid::select(int anchorCol, int anchorRow, int col, int row) {
    const int ac = anchorCol, ar = anchorRow;
    setSelection(ac, ar, col, row);
    // setSelection orders the corners; keep which one the user moves.
    anchorCol_ = std::clamp(ac, 1, colCount_ - 1);
    anchorRow_ = std::clamp(ar, 1, rowCount_ - 1);
    cursorCol_ = std::clamp(col, 1, colCount_ - 1);
    cursorRow_ = std::clamp(row, 1, rowCount_ - 1);
}

int BarGrid::leftCol() const { return horizontalScrollBar()->value() + 1; }
int BarGrid::topRow() const { return verticalScrollBar()->value() + 1; }

void BarGrid::setLeftCol(int col) { horizontalScrollBar()->setValue(col - 1); }

int BarGrid::visibleColCount() const {
    const int w = viewport()->width() - colWidth0_;
    return std::max(1, w / defaultColWidth_);
}

int BarGrid::visibleRowCount() const {
    const int h = viewport()->height() - rowHeight_;
    return std::max(1, h / rowHeight_);
}

void BarGrid::updateScrollBars() {
    const int cols = colCount_ - 1, rows = rowCount_ - 1;
    horizontalScrollBar()->setRange(0, std::max(0, cols - visibleColCount()));
    horizontalScrollBar()->setPageStep(visibleColCount());
    verticalScrollBar()->setRange(0, std::max(0, rows - visibleRowCount()));
    verticalScrollBar()->setPageStep(visibleRowCount());
}

void BarGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

QRect BarGrid::cellRect(int col, int row) const {
    int x, y;
    if (col == 0) {
        x = 0;
    } else {
        if (col < leftCol()) return {};
        x = colWidth0_ + (col - leftCol()) * defaultColWidth_;
    }
    if (row == 0) {
        y = 0;
    } else {
        if (row < topRow()) return {};
        y = rowHeight_ + (row - topRow()) * rowHeight_;
    }
    if (col >= colCount_ || row >= rowCount_ || x >= viewport()->width() || y >= viewport()->height())
        return {};
    return QRect(x, y, colWidth(col), rowHeight_);
}

int BarGrid::colAt(int x) const {
    if (x < 0) return -1;
    if (x < colWidth0_) return 0;
    const int c = leftCol() + (x - colWidth0_) / defaultColWidth_;
    return c < colCount_ ? c : -1;
}

int BarGrid::rowAt(int y) const {
    if (y < 0) return -1;
    if (y < rowHeight_) return 0;
    const int r = topRow() + (y - rowHeight_) / rowHeight_;
    return r < rowCount_ ? r : -1;
}

void BarGrid::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QRect area = viewport()->rect();
    p.fillRect(area, palette().color(QPalette::Base));
    const QColor line(128, 128, 128);
    const int lastCol = std::min(colCount_ - 1, leftCol() + visibleColCount());
    const int lastRow = std::min(rowCount_ - 1, topRow() + visibleRowCount());

    auto drawCell = [&](int col, int row) {
        const QRect r = cellRect(col, row);
        if (r.isEmpty()) return;
        p.fillRect(r, cellColor(col, row));
        p.setPen(line);
        p.drawLine(r.topRight(), r.bottomRight());
        p.drawLine(r.bottomLeft(), r.bottomRight());
        const QString text = cellText(col, row);
        if (text.isEmpty()) return;
        p.setPen(Qt::black);
        const QRect inner = r.adjusted(2, 0, -2, 0);
        p.drawText(inner, (col == 0 ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter, text);
    };
    for (int row = topRow(); row <= lastRow; ++row) {
        drawCell(0, row);
        for (int col = leftCol(); col <= lastCol; ++col) drawCell(col, row);
    }
    drawCell(0, 0);
    for (int col = leftCol(); col <= lastCol; ++col) drawCell(col, 0);
}

void BarGrid::scrollIntoView(int col, int row) {
    if (col >= 1) {
        if (col < leftCol())
            setLeftCol(col);
        else if (col >= leftCol() + visibleColCount())
            setLeftCol(col - visibleColCount() + 1);
    }
    if (row >= 1) {
        if (row < topRow())
            verticalScrollBar()->setValue(row - 1);
        else if (row >= topRow() + visibleRowCount())
            verticalScrollBar()->setValue(row - visibleRowCount());
    }
}

void BarGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int col = colAt(event->position().toPoint().x());
    const int row = rowAt(event->position().toPoint().y());
    if (col < 0 || row < 1) return;
    setFocus();
    if (col == 0) {
        // A track label selects the track's whole row.
        setSelection(1, row, colCount_ - 1, row);
        anchorCol_ = 1;
        cursorCol_ = colCount_ - 1;
        Q_EMIT selectionFinished();
        return;
    }
    dragging_ = true;
    if (event->modifiers() & Qt::ShiftModifier)
        select(anchorCol_, anchorRow_, col, row);
    else
        select(col, row, col, row);
}

void BarGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    const QPoint pos = event->position().toPoint();
    int col = colAt(pos.x()), row = rowAt(pos.y());
    if (col < 0) col = pos.x() < 0 ? 1 : colCount_ - 1;
    if (row < 0) row = pos.y() < 0 ? 1 : rowCount_ - 1;
    // Dragging past an edge scrolls one cell on.
    if (pos.x() >= viewport()->width()) col = std::min(colCount_ - 1, leftCol() + visibleColCount());
    if (pos.y() >= viewport()->height()) row = std::min(rowCount_ - 1, topRow() + visibleRowCount());
    col = std::max(col, 1);
    row = std::max(row, 1);
    select(anchorCol_, anchorRow_, col, row);
    scrollIntoView(col, row);
}

void BarGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) return;
    dragging_ = false;
    if (event->position().x() >= colWidth0_) Q_EMIT selectionFinished();
}

void BarGrid::keyPressEvent(QKeyEvent* event) {
    int col = cursorCol_, row = cursorRow_;
    switch (event->key()) {
    case Qt::Key_Left: --col; break;
    case Qt::Key_Right: ++col; break;
    case Qt::Key_Up: --row; break;
    case Qt::Key_Down: ++row; break;
    case Qt::Key_Home: col = 1; break;
    case Qt::Key_End: col = colCount_ - 1; break;
    case Qt::Key_PageUp: row -= visibleRowCount(); break;
    case Qt::Key_PageDown: row += visibleRowCount(); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    col = std::clamp(col, 1, colCount_ - 1);
    row = std::clamp(row, 1, rowCount_ - 1);
    if (event->modifiers() & Qt::ShiftModifier)
        select(anchorCol_, anchorRow_, col, row);
    else
        select(col, row, col, row);
    scrollIntoView(col, row);
}

void BarGrid::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) Q_EMIT selectionFinished();
    QAbstractScrollArea::keyReleaseEvent(event);
}
