#pragma once

// A titled group of exclusive choices with an item index (-1 = no choice), which the program
// can clear as well as set.

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class QRadioButton;

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& title, const QStringList& items, Qt::Orientation orientation,
               QWidget* parent = nullptr);

    int itemIndex() const { return group_.checkedId(); }
    // Sets the choice without emitting itemClicked; -1 clears it.
    void setItemIndex(int index);
    QRadioButton* button(int index) const;
    int count() const { return static_cast<int>(group_.buttons().size()); }

Q_SIGNALS:
    // The user chose an item.
    void itemClicked(int index);

private:
    QButtonGroup group_;
};
