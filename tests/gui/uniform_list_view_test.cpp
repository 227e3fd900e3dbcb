// The list view of the event list over a model of a million lines: only the lines drawn are
// asked for their text, and places, clicks, keys and scrolling agree with each other.

#include <gtest/gtest.h>

#include <QAbstractListModel>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSet>

#include "eventlist/uniform_list_view.h"

namespace {

// "line N" for every row; counts which rows were asked for their text.
class CountingModel : public QAbstractListModel {
public:
    explicit CountingModel(int rows) : rows_(rows) {}
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole) {
            asked.insert(index.row());
            return QString("line %1").arg(index.row());
        }
        if (role == Qt::SizeHintRole) return QSize(400, 20);
        return {};
    }
    mutable QSet<int> asked;

private:
    int rows_;
};

class UniformList : public ::testing::Test {
protected:
    void SetUp() override {
        view.setModel(&model);
        view.resize(300, 206);
        view.show();
        QCoreApplication::processEvents();
    }
    void press(int key) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&view, &e);
    }
    int visibleHeight() const { return view.viewport()->height(); }

    CountingModel model{1'000'000};
    UniformListView view;
};

}  // namespace

TEST_F(UniformList, AsksOnlyTheLinesItDraws) {
    ASSERT_EQ(view.lineHeight(), 20);
    model.asked.clear();
    view.viewport()->repaint();
    const int visible = visibleHeight() / 20 + 1;
    EXPECT_FALSE(model.asked.isEmpty());
    EXPECT_LE(model.asked.size(), visible);
    EXPECT_TRUE(model.asked.contains(0));

    view.scrollTo(model.index(765432), QAbstractItemView::PositionAtTop);
    model.asked.clear();
    view.viewport()->repaint();
    EXPECT_LE(model.asked.size(), visible);
    EXPECT_TRUE(model.asked.contains(765432));
    EXPECT_FALSE(model.asked.contains(0));
}

TEST_F(UniformList, PlacesClicksAndScrollingAgree) {
    view.scrollTo(model.index(500000), QAbstractItemView::PositionAtCenter);
    const int top = view.topRow();
    EXPECT_EQ(top, 500000 - view.visibleRows() / 2);
    const QRect r = view.visualRect(model.index(500000));
    EXPECT_EQ(r.top(), (500000 - top) * 20);
    EXPECT_EQ(view.indexAt(r.center()).row(), 500000);
    EXPECT_FALSE(view.indexAt(QPoint(5, -1)).isValid());

    // A click selects the line under the mouse.
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(r.center()), view.viewport()->mapToGlobal(QPointF(r.center())),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &click);
    EXPECT_EQ(view.currentIndex().row(), 500000);
    EXPECT_TRUE(view.selectionModel()->isSelected(model.index(500000)));

    // Keys move the current line and keep it in sight.
    press(Qt::Key_Down);
    EXPECT_EQ(view.currentIndex().row(), 500001);
    press(Qt::Key_PageDown);
    EXPECT_EQ(view.currentIndex().row(), 500001 + view.visibleRows() - 1);
    press(Qt::Key_End);
    EXPECT_EQ(view.currentIndex().row(), 999999);
    EXPECT_GE(999999, view.topRow());
    EXPECT_LT(999999, view.topRow() + view.visibleRows() + 1);
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 1'000'000 - view.visibleRows());
    press(Qt::Key_Home);
    EXPECT_EQ(view.currentIndex().row(), 0);
    EXPECT_EQ(view.topRow(), 0);
    // Typing letters does not search a million lines.
    model.asked.clear();
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_L, Qt::NoModifier, "l");
    QApplication::sendEvent(&view, &letter);
    EXPECT_LE(model.asked.size(), view.visibleRows() + 1);
}
