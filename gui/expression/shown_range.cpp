#include "expression/shown_range.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "song/selection.h"

namespace {

QLineEdit* shownField(const char* name, const QString& text, int width) {
    auto* e = new QLineEdit(text);
    e->setObjectName(name);
    e->setFixedWidth(width);
    e->setReadOnly(true);
    return e;
}

}  // namespace

QGroupBox* makeShownRange(ShownRangeEdits e) {
    e.fromBar = shownField("FromBar", "1", 48);
    e.fromBeat = shownField("FromBeat", "1", 32);
    e.fromTick = shownField("FromTickEdit", "0", 48);
    e.toBar = shownField("ToBar", "1", 48);
    e.toBeat = shownField("ToBeat", "1", 32);
    e.toTick = shownField("ToTickEdit", "0", 48);
    auto* box = new QGroupBox("Range");
    box->setObjectName("Range");
    auto* row = new QHBoxLayout(box);
    row->addWidget(new QLabel("From"));
    for (QLineEdit* f : {e.fromBar, e.fromBeat, e.fromTick}) row->addWidget(f);
    row->addSpacing(12);
    row->addWidget(new QLabel("To"));
    for (QLineEdit* f : {e.toBar, e.toBeat, e.toTick}) row->addWidget(f);
    row->addStretch();
    return box;
}

void showRange(ShownRangeEdits e, const tonvela::RangeFields& f) {
    e.fromBar->setText(QString::number(f.fromBar));
    e.fromBeat->setText(QString::number(f.fromBeat));
    e.fromTick->setText(QString::number(f.fromTick));
    e.toBar->setText(QString::number(f.toBar));
    e.toBeat->setText(QString::number(f.toBeat));
    e.toTick->setText(QString::number(f.toTick));
}
