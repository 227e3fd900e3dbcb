#include "radiogroup.h"

#include <QBoxLayout>
#include <QRadioButton>

RadioGroup::RadioGroup(const QString& title, const QStringList& items,
                       Qt::Orientation orientation, QWidget* parent)
    : QGroupBox(title, parent) {
    auto* layout = new QBoxLayout(orientation == Qt::Horizontal ? QBoxLayout::LeftToRight
                                                                : QBoxLayout::TopToBottom,
                                  this);
    layout->setContentsMargins(6, 2, 6, 2);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        group_.addButton(b, i);
        layout->addWidget(b);
    }
    connect(&group_, &QButtonGroup::idClicked, this, &RadioGroup::itemClicked);
}

void RadioGroup::setItemIndex(int index) {
    if (index < 0 || index >= count()) {
        // An exclusive group never unchecks its last button on its own.
        group_.setExclusive(false);
        for (QAbstractButton* b : group_.buttons()) b->setChecked(false);
        group_.setExclusive(true);
        return;
    }
    group_.button(index)->setChecked(true);
}

QRadioButton* RadioGroup::button(int index) const {
    return static_cast<QRadioButton*>(group_.button(index));
}
