// The effect editor's five quick slots and its Effect Group button.

#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <exception>

#include "appfolders.h"
#include "effectgroup/efxgroup.h"
#include "effects/effect_file.h"
#include "effects/effecteditor.h"
#include "effects/quick_slots.h"
#include "host/editor_context.h"
#include "songtext.h"

using namespace tonvela;

namespace {

QPushButton* slotButton(const QString& text, const QString& name, const QString& hint) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setFixedWidth(b->fontMetrics().horizontalAdvance("W") + 14);
    return b;
}

}  // namespace

QWidget* TEffectEditor::buildQuickSlots() {
    auto* box = new QGroupBox("Quick Slots");
    box->setObjectName("QuickSlots");
    auto* row = new QHBoxLayout(box);
    for (int k = 0; k < kQuickSlotCount; ++k) {
        const int slot = k + 1;
        PanelQS[k] = new QLabel;
        PanelQS[k]->setObjectName(QString("PanelQS%1").arg(slot));
        PanelQS[k]->setFixedSize(14, 14);
        PanelQS[k]->setFrameShape(QFrame::Panel);
        PanelQS[k]->setFrameShadow(QFrame::Sunken);
        PanelQS[k]->setAutoFillBackground(true);
        SaveButtons[k] = slotButton("S", QString("SaveButton%1").arg(slot), QString("Save the effect in slot %1").arg(slot));
        LoadButtons[k] = slotButton("L", QString("LoadButton%1").arg(slot), QString("Load the effect of slot %1").arg(slot));
        ClearButtons[k] = slotButton("C", QString("ClearButton%1").arg(slot), QString("Clear slot %1").arg(slot));
        connect(SaveButtons[k], &QPushButton::clicked, this, [this, slot] { QuickSaveClick(slot); });
        connect(LoadButtons[k], &QPushButton::clicked, this, [this, slot] { QuickLoadClick(slot); });
        connect(ClearButtons[k], &QPushButton::clicked, this, [this, slot] { QuickClearClick(slot); });
        if (k) row->addSpacing(10);
        row->addWidget(new QLabel(QString::number(slot)));
        row->addWidget(PanelQS[k]);
        for (QPushButton* b : {SaveButtons[k], LoadButtons[k], ClearButtons[k]}) row->addWidget(b);
    }
    row->addStretch();
    EffectGroupButton = new QPushButton("Effect Group");
    EffectGroupButton->setObjectName("EffectGroupButton");
    connect(EffectGroupButton, &QPushButton::clicked, this, &TEffectEditor::EffectGroupClick);
    row->addWidget(EffectGroupButton);
    refreshQuickSlots();
    return box;
}

QString TEffectEditor::quickSlotPath(int slot) const {
    return context().folders().settings + QString::fromStdString(quickSlotFileName(slot));
}

void TEffectEditor::refreshQuickSlots() {
    for (int k = 0; k < kQuickSlotCount; ++k) {
        const QString path = quickSlotPath(k + 1);
        const bool filled = QFile::exists(path);
        QPalette p = PanelQS[k]->palette();
        p.setColor(QPalette::Window, filled ? QColor(0, 255, 0) : QColor(255, 0, 0));
        PanelQS[k]->setPalette(p);
        PanelQS[k]->setToolTip(filled ? fromSongText(quickSlotHint(path.toStdString())) : QString());
        LoadButtons[k]->setEnabled(filled && !running_);
        ClearButtons[k]->setEnabled(filled && !running_);
        SaveButtons[k]->setEnabled(!running_);
    }
}

void TEffectEditor::QuickSaveClick(int slot) {
    if (running_) return;
    const EffectSettings s = settings();
    PanelQS[slot - 1]->setToolTip(s.Description.empty() ? QString() : fromSongText(s.Description.front()));
    try {
        saveEffect(quickSlotPath(slot).toStdString(), s);
    } catch (const std::exception& e) {
        context().reportError(QString::fromStdString(e.what()));
    }
    refreshQuickSlots();
}

void TEffectEditor::QuickLoadClick(int slot) {
    if (running_) return;
    LoadedEffect loaded;
    try {
        loaded = loadEffect(quickSlotPath(slot).toStdString(), settings());
    } catch (const std::exception& e) {
        context().reportError(QString::fromStdString(e.what()));
        refreshQuickSlots();
        return;
    }
    for (const std::string& w : loaded.warnings) context().reportError(QString::fromStdString(w));
    showSettings(loaded.settings);
    refreshQuickSlots();
}

void TEffectEditor::QuickClearClick(int slot) {
    if (running_) return;
    QFile::remove(quickSlotPath(slot));
    PanelQS[slot - 1]->setToolTip(QString());
    refreshQuickSlots();
}

void TEffectEditor::EffectGroupClick() {
    if (!groupEditor_) groupEditor_ = new TEfxGroup(context(), this);
    groupEditor_->show();
    groupEditor_->raise();
    groupEditor_->activateWindow();
}
