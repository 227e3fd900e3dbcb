#include "eventlist/uniform_list_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

UniformListView::UniformListView(QWidget* parent) : QAbstractItemView(parent) {
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectRows);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);
}

void UniformListView::reset() {
    QAbstractItemView::reset();
    updateGeometries();
}

int UniformListView::rowCount() const { return model() ? model()->rowCount(rootIndex()) : 0; }

int UniformListView::topRow() const { return verticalScrollBar()->value(); }

int UniformListView::visibleRows() const { return std::max(1, viewport()->height() / lineHeight_); }

void UniformListView::measure() {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QSize size;
    if (rowCount() > 0) size = itemDelegateForIndex(model()->index(0, 0, rootIndex()))->sizeHint(option, model()->index(0, 0, rootIndex()));
    lineHeight_ = std::max(1, size.isValid() && size.height() > 0 ? size.height() : fontMetrics().height() + 2);
    lineWidth_ = std::max(size.isValid() ? size.width() : 0, viewport()->width());
}

QRect UniformListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int64_t y = static_cast<int64_t>(index.row() - topRow()) * lineHeight_;
    // Lines far off screen get a place just beyond the view's edge rather than one that
    // overflows the coordinates.
    const int clamped = static_cast<int>(std::clamp<int64_t>(y, -lineHeight_ - 1, viewport()->height() + 1));
    return QRect(-horizontalOffset(), clamped, std::max(lineWidth_, viewport()->width()), lineHeight_);
}

void UniformListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid()) return;
    const int row = index.row();
    const int visible = visibleRows();
    int top = topRow();
    switch (hint) {
    case EnsureVisible:
        if (row < top)
            top = row;
        else if (row >= top + visible)
            top = row - visible + 1;
        break;
    case PositionAtTop: top = row; break;
    case PositionAtBottom: top = row - visible + 1; break;
    case PositionAtCenter: top = row - visible / 2; break;
    }
    verticalScrollBar()->setValue(top);
}

QModelIndex UniformListView::indexAt(const QPoint& point) const {
    if (point.y() < 0 || !model()) return {};
    const int64_t row = topRow() + static_cast<int64_t>(point.y() / lineHeight_);
    if (row >= rowCount()) return {};
    return model()->index(static_cast<int>(row), 0, rootIndex());
}

QModelIndex UniformListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int rows = rowCount();
    if (rows == 0) return {};
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    const int page = std::max(1, visibleRows() - 1);
    int next = row;
    switch (action) {
    case MoveUp:
    case MovePrevious: next = row - 1; break;
    case MoveDown:
    case MoveNext: next = row + 1; break;
    case MovePageUp: next = row - page; break;
    case MovePageDown: next = row + page; break;
    case MoveHome: next = 0; break;
    case MoveEnd: next = rows - 1; break;
    case MoveLeft:
    case MoveRight: return current;
    }
    return model()->index(std::clamp(next, 0, rows - 1), 0, rootIndex());
}

int UniformListView::horizontalOffset() const { return horizontalScrollBar()->value(); }

int UniformListView::verticalOffset() const {
    return static_cast<int>(std::min<int64_t>(static_cast<int64_t>(topRow()) * lineHeight_, INT32_MAX));
}

bool UniformListView::isIndexHidden(const QModelIndex&) const { return false; }

void UniformListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) {
    const int rows = rowCount();
    if (rows == 0 || !selectionModel()) return;
    const QRect r = rect.normalized();
    const int first = std::clamp(topRow() + std::max(r.top(), 0) / lineHeight_, 0, rows - 1);
    const int last = std::clamp(topRow() + std::max(r.bottom(), 0) / lineHeight_, 0, rows - 1);
    selectionModel()->select(QItemSelection(model()->index(first, 0, rootIndex()), model()->index(last, 0, rootIndex())),
                             flags);
}

QRegion UniformListView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int top = topRow();
    const int bottom = top + visibleRows();
    for (const QItemSelectionRange& range : selection) {
        const int first = std::max(range.top(), top);
        const int last = std::min(range.bottom(), bottom);
        if (first > last) continue;
        region += QRect(-horizontalOffset(), (first - top) * lineHeight_, std::max(lineWidth_, viewport()->width()),
                        (last - first + 1) * lineHeight_);
    }
    return region;
}

void UniformListView::updateGeometries() {
    measure();
    const int rows = rowCount();
    const int visible = visibleRows();
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setRange(0, std::max(0, rows - visible));
    horizontalScrollBar()->setSingleStep(fontMetrics().averageCharWidth() * 4);
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, std::max(0, lineWidth_ - viewport()->width()));
    QAbstractItemView::updateGeometries();
}

void UniformListView::scrollContentsBy(int dx, int dy) {
    // Whole lines vertically; a long jump simply redraws.
    if (std::abs(dy) >= visibleRows())
        viewport()->update();
    else
        viewport()->scroll(dx, dy * lineHeight_);
}

void UniformListView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int rows = rowCount();
    const int top = topRow();
    const QRect area = event->rect();
    const int first = top + std::max(area.top(), 0) / lineHeight_;
    const int last = std::min(rows - 1, top + area.bottom() / lineHeight_);
    const QModelIndex current = currentIndex();
    const bool focus = hasFocus();
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        QStyleOptionViewItem o = option;
        o.rect = visualRect(index);
        o.state |= QStyle::State_Enabled;
        if (selectionModel() && selectionModel()->isSelected(index)) o.state |= QStyle::State_Selected;
        if (focus && index == current) o.state |= QStyle::State_HasFocus;
        if (!isEnabled()) o.state &= ~QStyle::State_Enabled;
        itemDelegateForIndex(index)->paint(&painter, o, index);
    }
}
