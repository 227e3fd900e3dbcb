// The XG editor's tabs loaded from the song, its parameter dialogs, and the Display tab.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include "base/errors.h"
#include "host/editor_context.h"
#include "prompts.h"
#include "radiogroup.h"
#include "song/song.h"
#include "xg/multipartparam.h"
#include "xg/xgbitmapview.h"
#include "xg/xgeditor.h"
#include "xg/xgeffectparam.h"

using namespace tonvela;

namespace {

// Loading the controls from the song writes nothing.
struct Loading {
    explicit Loading(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~Loading() { flag_ = was_; }
    bool& flag_;
    bool was_;
};

std::vector<int32_t> range(int ah, int am, int first, int last, int step = 1) {
    std::vector<int32_t> a;
    for (int al = first; al <= last; al += step) a.push_back(xgAddress(ah, am, al));
    return a;
}

std::vector<int32_t> join(std::vector<int32_t> a, const std::vector<int32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

int TXGEditor::dataOr(int32_t address, int fallback) const {
    const sysexEvent* e = xg_ ? xg_->findXGMessage(address) : nullptr;
    return e ? xgData(*e, 0) : fallback;
}

void TXGEditor::setSlider(QSlider* s, int value) { s->setValue(std::clamp(value, s->minimum(), s->maximum())); }

int TXGEditor::insertionBlock() const { return std::max(0, RadioGroupVarNo->itemIndex()); }
int TXGEditor::drumAH() const { return 0x30 + std::max(0, ComboBoxDrumSet->currentIndex()); }
int TXGEditor::drumKey() const { return xgFirstDrumKey + std::max(0, ComboBoxNoteName->currentIndex()); }

void TXGEditor::loadPage(int page, bool showing) {
    if (!xg()) return;
    switch (page) {
    case PageSystem: loadSystem(showing); break;
    case PageReverb:
    case PageChorus:
    case PageVariation:
    case PageMultiEQ: loadEffects(); break;
    case PageInsertion: loadInsertion(); break;
    case PageVL: loadVL(); break;
    case PageDrum: loadDrum(); break;
    default: break;
    }
}

void TXGEditor::loadSystem(bool send) {
    XGEditor* x = xg();
    if (!x) return;
    Loading guard(loading_);
    const sysexEvent* tune = x->findXGMessage(xgMasterTuneAddress);
    UpDownMasterTune->setValue(tune ? xgData(*tune, 0) * 4096 + xgData(*tune, 1) * 256 + xgData(*tune, 2) * 16 +
                                          xgData(*tune, 3)
                                    : 1024);
    setSlider(TrackBar1, dataOr(0x000004, 127));
    setSlider(TrackBar2, dataOr(0x000005, 0));
    UpDownTranspose->setValue(dataOr(0x000006, 64) - 64);
    CheckBoxDrumPartProtectMode->setChecked(dataOr(0x000007, 1) != 0);
    CheckBoxAllParameterReset->setChecked(x->findXGMessage(xgAllParameterResetAddress) != nullptr);
    const int reset = dataOr(0x00007D, 4);
    RadioGroupDrumSetupReset->setItemIndex(reset >= 0 && reset <= 3 ? reset : 4);
    // Showing the tab sends what the song holds, so that the module plays as the tab shows.
    if (send)
        for (int32_t a : {xgMasterTuneAddress, 0x000004, 0x000005, 0x000006})
            if (const sysexEvent* e = x->findXGMessage(a)) x->sendMessage(*e);
}

void TXGEditor::loadEffects() {
    XGEditor* x = xg();
    if (!x) return;
    Loading guard(loading_);
    // A code not in its table keeps the reverb choice and shows the first of the others.
    auto select = [x](QComboBox* c, XGBlock block, int32_t address, int shownDefault, bool keep) {
        const int n = x->effectType(address, block, shownDefault);
        const int i = n >= 0 ? xgChoiceIndex(block, n) : -1;
        if (i >= 0) c->setCurrentIndex(i);
        else if (!keep) c->setCurrentIndex(0);
    };
    select(ComboBoxReverbType, XGBlock::reverb, 0x020100, 0x0100, true);
    select(ComboBoxChorusType, XGBlock::chorus, 0x020120, 0x4100, false);
    select(ComboBoxVariationType, XGBlock::variation, 0x020140, 0x0600, false);
    setSlider(TrackBarrevreturn, dataOr(0x02010C, 64));
    setSlider(TrackBarRevPan, dataOr(0x02010D, 64));
    setSlider(TrackBarChorusReturn, dataOr(0x02012C, 64));
    setSlider(TrackBarChorusPan, dataOr(0x02012D, 64));
    setSlider(TrackBarSendChotoRet, dataOr(0x02012E, 0));
    setSlider(TrackBarVariationRet, dataOr(0x020156, 64));
    setSlider(TrackBarVarPan, dataOr(0x020157, 64));
    setSlider(TrackBarVartoReb, dataOr(0x020158, 0));
    setSlider(TrackBarVartoChor, dataOr(0x020159, 0));
    RadioGroupConnection->setItemIndex(dataOr(0x02015A, 0) == 1 ? 1 : 0);
    ComboBoxVariationPart->setCurrentIndex(std::clamp(dataOr(0x02015B, 127), 0, 127));
    for (int i = 0; i < 5; ++i) setSlider(VarConDepth[i], dataOr(0x02015C + i, 64));
    ComboBoxEQType->setCurrentIndex(std::clamp(dataOr(0x024000, 0), 0, 4));
}

void TXGEditor::loadInsertion() {
    XGEditor* x = xg();
    if (!x) return;
    Loading guard(loading_);
    const int k = insertionBlock();
    const int n = x->effectType(xgAddress(3, k, 0), XGBlock::variation, 0x4900);
    const int i = n >= 0 ? xgChoiceIndex(XGBlock::variation, n) : -1;
    ComboBoxInsertionType->setCurrentIndex(i >= 0 ? i : 0);
    ComboBoxInsertionPart->setCurrentIndex(std::clamp(dataOr(xgAddress(3, k, 0x0C), 127), 0, 127));
    for (int d = 0; d < 5; ++d) setSlider(InsConDepth[d], dataOr(xgAddress(3, k, 0x0D + d), 64));
}

void TXGEditor::loadVL() {
    if (!xg()) return;
    Loading guard(loading_);
    const int p = std::max(0, ComboBoxVLPartNo->currentIndex());
    CheckBoxNoteAssign->setChecked(dataOr(xgAddress(9, p, 0x00), 1) != 0);
    const int filter = dataOr(xgAddress(9, p, 0x02), 127);
    ComboBoxNoteFilter->setCurrentIndex(filter >= 0 && filter <= 15 ? filter : 16);
    for (int i = 0; i < 10; ++i) {
        UpDownControl[i]->setValue(std::clamp(dataOr(xgAddress(9, p, 0x03 + 2 * i), 0), 0, 98));
        setSlider(TrackBarDepth[i], dataOr(xgAddress(9, p, 0x04 + 2 * i), 64));
    }
}

void TXGEditor::loadDrum() {
    if (!xg()) return;
    Loading guard(loading_);
    const int ah = drumAH(), key = drumKey();
    auto value = [&](int al) { return dataOr(xgAddress(ah, key, al), xgDrumDefault(key, al)); };
    setSlider(TrackBarPitchC, value(0x00));
    setSlider(TrackBarPitchFine, value(0x01));
    setSlider(TrackBarDrumLevel, value(0x02));
    ComboBoxAltGroup->setCurrentIndex(std::clamp(value(0x03), 0, 127));
    setSlider(TrackBarDrumPan, value(0x04));
    setSlider(TrackBarRvSnd, value(0x05));
    setSlider(TrackBarChoSnd, value(0x06));
    setSlider(TrackBarVarSnd, value(0x07));
    RadioGroupKeyAssign->setItemIndex(value(0x08) == 1 ? 1 : 0);
    CheckBoxRcvNoteOff->setChecked(value(0x09) != 0);
    CheckBoxRdvNoteOn->setChecked(value(0x0A) != 0);
}

// ---- parameter dialogs ------------------------------------------------------------------------------

void TXGEditor::openEffectParam(int effectNumber, const std::vector<int32_t>& addresses) {
    if (!xg()) return;
    TXGEffectParam dialog(*this, effectNumber, addresses, this);
    prompts().execDialog(&dialog);
}

void TXGEditor::ButtonEditEffectClick() {
    const auto c = xgTypeChoices(XGBlock::reverb);
    const int i = ComboBoxReverbType->currentIndex();
    if (i < 0 || static_cast<size_t>(i) >= c.size()) return;
    openEffectParam(c[i].effectNumber, join(range(2, 1, 0x02, 0x0B), range(2, 1, 0x10, 0x15)));
}

void TXGEditor::ButtonEdirChorParClick() {
    const auto c = xgTypeChoices(XGBlock::chorus);
    const int i = ComboBoxChorusType->currentIndex();
    if (i < 0 || static_cast<size_t>(i) >= c.size()) return;
    openEffectParam(c[i].effectNumber, join(range(2, 1, 0x22, 0x2B), range(2, 1, 0x30, 0x35)));
}

void TXGEditor::ButtonEdirVariationClick() {
    const auto c = xgTypeChoices(XGBlock::variation);
    const int i = ComboBoxVariationType->currentIndex();
    if (i < 0 || static_cast<size_t>(i) >= c.size()) return;
    openEffectParam(c[i].effectNumber, join(range(2, 1, 0x42, 0x54, 2), range(2, 1, 0x70, 0x75)));
}

void TXGEditor::ButtonEditInsertionClick() {
    const auto c = xgTypeChoices(XGBlock::variation);
    const int i = ComboBoxInsertionType->currentIndex();
    if (i < 0 || static_cast<size_t>(i) >= c.size()) return;
    const int k = insertionBlock(), n = c[i].effectNumber;
    // The delays keep their two-byte parameters at 30-42.
    const std::vector<int32_t> first = n >= 53 && n <= 56 ? range(3, k, 0x30, 0x42, 2) : range(3, k, 0x02, 0x0B);
    openEffectParam(n, join(first, range(3, k, 0x20, 0x25)));
}

void TXGEditor::ButtonEditMutiEQClick() {
    const int i = std::max(0, ComboBoxEQType->currentIndex());
    std::vector<int32_t> a = range(2, 0x40, 0x01, 0x07);
    for (int first : {0x09, 0x0D, 0x11}) a = join(a, range(2, 0x40, first, first + 2));
    a.push_back(xgAddress(2, 0x40, 0x14));
    openEffectParam(xgFirstEQEffect + i, a);
}

void TXGEditor::ButtonEditDrumClick(int which) {
    const int ah = drumAH(), key = drumKey();
    switch (which) {
    case 1: openEffectParam(xgDrumPage1, range(ah, key, 0x0B, 0x0F)); break;
    case 2: openEffectParam(xgDrumPage2, range(ah, key, 0x20, 0x2F)); break;
    case 3:
        openEffectParam(xgDrumPage3, {xgAddress(ah, key, 0x40), xgAddress(ah, key, 0x50), -1,
                                      xgAddress(ah, key, 0x60), xgAddress(ah, key, 0x61)});
        break;
    default: break;
    }
}

void TXGEditor::ButtonEditMultiPartClick() {
    if (!xg()) return;
    TMutiPartParam dialog(*this, std::max(0, ComboBoxPartNo->currentIndex()), this);
    prompts().execDialog(&dialog);
}

// ---- Display ------------------------------------------------------------------------------------------

XGBitmap TXGEditor::picture() const { return Image1->picture(); }
void TXGEditor::setPicture(const XGBitmap& picture) { Image1->setPicture(picture); }

bool TXGEditor::positionFilled() const {
    for (const QLineEdit* e : {EditBar, EditBeat, EditTick})
        if (!e->hasAcceptableInput()) return false;
    return true;
}

int32_t TXGEditor::positionTime() const {
    const midiSong* s = context().song();
    if (!s) return 0;
    return s->barBeatTickToTime(EditBar->text().toInt() - 1, EditBeat->text().toInt() - 1, EditTick->text().toInt());
}

std::vector<uint8_t> TXGEditor::displayContent() const {
    if (RadioDispSelect->itemIndex() == 1) return xgBitmapMessage(Image1->picture());
    return xgLettersMessage(EditLetter->text().toLatin1().toStdString());
}

void TXGEditor::LoadBitmapClick() {
    const QString path = prompts().openFileName(this, QString(),
                                                "Batmap (*.bmp);;Pictures (*.bmp *.png *.jpg *.jpeg *.gif *.pbm *.pgm "
                                                "*.ppm *.xpm)");
    if (path.isEmpty()) return;
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull()) {
        context().reportError(QString("Cannot read the picture %1: %2").arg(path, reader.errorString()));
        return;
    }
    Image1->setImage(image);
    RadioDispSelect->setItemIndex(1);
    updateActions();
}

void TXGEditor::PasteImageClick() {
    const QImage image = QApplication::clipboard()->image();
    if (image.isNull()) return;
    Image1->setImage(image);
    RadioDispSelect->setItemIndex(1);
    updateActions();
}

void TXGEditor::NewDispClick() {
    updateActions();
    if (!NewDisp->isEnabled()) return;
    const int32_t time = positionTime();
    sysexEvent* made = nullptr;
    edit("Display Letter New", [&](XGEditor& x) { made = x.newDisplay(time, displayContent()); });
    for (int i = 0; i < ListBoxDisplay->count(); ++i)
        if (made && ListBoxDisplay->item(i)->data(Qt::UserRole).value<quintptr>() == reinterpret_cast<quintptr>(made))
            ListBoxDisplay->setCurrentRow(i);
    updateActions();
}

void TXGEditor::GetDispListClick() {
    const sysexEvent* e = selectedDisplay();
    if (!e) return;
    EditBar->setText(QString::number(e->bar + 1));
    EditBeat->setText(QString::number(e->beat + 1));
    EditTick->setText(QString::number(e->tick));
    if (e->address() == xgDisplayLettersAddress) {
        // Only what the field takes: other bytes of a file show as '?'.
        QString text;
        for (char c : xgLettersOf(*e).substr(0, xgMaxLetters)) text += c >= 0x20 && c <= 0x7E ? QChar(c) : QChar('?');
        EditLetter->setText(text);
        RadioDispSelect->setItemIndex(0);
    } else {
        Image1->setPicture(xgBitmapOf(*e));
        RadioDispSelect->setItemIndex(1);
    }
    updateActions();
}

void TXGEditor::SetDispListClick() {
    updateActions();
    sysexEvent* e = selectedDisplay();
    if (!e || !SetDispList->isEnabled()) return;
    const int32_t time = positionTime();
    sysexEvent* now = nullptr;
    edit("Display SysEx Change", [&](XGEditor& x) { now = x.changeMessage(e, time, displayContent()); });
    for (int i = 0; i < ListBoxDisplay->count(); ++i)
        if (now && ListBoxDisplay->item(i)->data(Qt::UserRole).value<quintptr>() == reinterpret_cast<quintptr>(now))
            ListBoxDisplay->setCurrentRow(i);
    updateActions();
}

void TXGEditor::DeleteDispClick() {
    sysexEvent* e = selectedDisplay();
    if (!e) return;
    const int row = ListBoxDisplay->currentRow();
    edit("Display SysEx Delete", [e](XGEditor& x) { x.deleteMessage(e); });
    if (ListBoxDisplay->count() > 0) ListBoxDisplay->setCurrentRow(std::min(row, ListBoxDisplay->count() - 1));
    updateActions();
}
