#include "checker/datacheckwin.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColor>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>

#include "appfolders.h"
#include "checker/data_correct.h"
#include "host/editor_context.h"
#include "host/window_place.h"
#include "prompts.h"
#include "song/song.h"

using namespace tonvela;

namespace {

// The window's place and size.
constexpr const char* kDataCheckPrefsName = "datacheck.prf";

}  // namespace

// ---- the list model ---------------------------------------------------------------------------

int FindingListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(report_.size());
}

namespace {

// Follows a line that Correct left in the list.
const char* const kNotCorrected = "   \u2190 not corrected: ";

}  // namespace

QString FindingListModel::shownText(size_t row) const {
    const QString line = QString::fromStdString(report_[row].text());
    return reasons_[row].empty() ? line : line + QString::fromUtf8(kNotCorrected) + QString::fromStdString(reasons_[row]);
}

QVariant FindingListModel::data(const QModelIndex& index, int role) const {
    const Finding* f = finding(index.row());
    if (!f) return {};
    const auto row = static_cast<size_t>(index.row());
    switch (role) {
    case Qt::DisplayRole: return shownText(row);
    case Qt::ToolTipRole:
        return reasons_[row].empty() ? QString::fromStdString(f->text())
                                     : QString::fromStdString(f->text()) + "\nNot corrected: " +
                                           QString::fromStdString(reasons_[row]);
    case Qt::ForegroundRole:
        if (reasons_[row].empty()) return {};
        return QColor(160, 0, 0);
    case Qt::SizeHintRole:
        // The check box, its margins and the longest line.
        return QSize(static_cast<int>(widestLine_) * charWidth_ + lineHeight_ + 24, lineHeight_);
    case Qt::CheckStateRole: return ticked_[row] ? Qt::Checked : Qt::Unchecked;
    default: return {};
    }
}

const std::string& FindingListModel::reason(int row) const {
    static const std::string none;
    return row >= 0 && static_cast<size_t>(row) < reasons_.size() ? reasons_[static_cast<size_t>(row)] : none;
}

void FindingListModel::setLineMetrics(int charWidth, int lineHeight) {
    charWidth_ = std::max(charWidth, 1);
    lineHeight_ = std::max(lineHeight, 1);
}

void FindingListModel::measure() {
    // Lines are made only to be measured here and when drawn; tens of thousands take a few
    // milliseconds.
    widestLine_ = 0;
    for (size_t i = 0; i < report_.size(); ++i) {
        size_t n = static_cast<size_t>(QString::fromStdString(report_[i].text()).size());
        if (!reasons_[i].empty()) n += 24 + reasons_[i].size();
        widestLine_ = std::max(widestLine_, n);
    }
}

bool FindingListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !finding(index.row())) return false;
    const bool on = value.toInt() == Qt::Checked;
    auto row = static_cast<size_t>(index.row());
    if (ticked_[row] == on) return true;
    ticked_[row] = on;
    tickedCount_ = on ? tickedCount_ + 1 : tickedCount_ - 1;
    Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    Q_EMIT tickedCountChanged();
    return true;
}

Qt::ItemFlags FindingListModel::flags(const QModelIndex& index) const {
    if (!finding(index.row())) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
}

const Finding* FindingListModel::finding(int row) const {
    return row >= 0 && static_cast<size_t>(row) < report_.size() ? &report_[static_cast<size_t>(row)] : nullptr;
}

void FindingListModel::setReport(CheckReport report) {
    beginResetModel();
    report_ = std::move(report);
    ticked_.assign(report_.size(), true);
    reasons_.assign(report_.size(), std::string());
    tickedCount_ = report_.size();
    measure();
    endResetModel();
    Q_EMIT tickedCountChanged();
}

void FindingListModel::removeLines(const std::vector<bool>& which) {
    beginResetModel();
    std::vector<bool> keptTicks;
    std::vector<std::string> keptReasons;
    keptTicks.reserve(ticked_.size());
    for (size_t i = 0; i < ticked_.size(); ++i)
        if (i >= which.size() || !which[i]) {
            keptTicks.push_back(ticked_[i]);
            keptReasons.push_back(std::move(reasons_[i]));
        }
    report_.erase(which);
    ticked_ = std::move(keptTicks);
    reasons_ = std::move(keptReasons);
    tickedCount_ = static_cast<size_t>(std::count(ticked_.begin(), ticked_.end(), true));
    measure();
    endResetModel();
    Q_EMIT tickedCountChanged();
}

void FindingListModel::applyCorrection(const std::vector<bool>& corrected, const std::vector<std::string>& reasons) {
    for (size_t i = 0; i < reasons.size() && i < reasons_.size(); ++i)
        if (!reasons[i].empty()) reasons_[i] = reasons[i];
    removeLines(corrected);
}

void FindingListModel::clear() {
    beginResetModel();
    report_.clear();
    ticked_.clear();
    reasons_.clear();
    widestLine_ = 0;
    tickedCount_ = 0;
    endResetModel();
    Q_EMIT tickedCountChanged();
}

// ---- the window -------------------------------------------------------------------------------

namespace {

// The busy cursor for the length of a command.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

TDataCheckWindow::TDataCheckWindow(EditorContext& context, QWidget* parent)
    : ToolWindow(context, parent), prefsPath_(context.folders().settings + kDataCheckPrefsName) {
    setObjectName("DataCheckWindow");
    setWindowTitle("Data Check");

    model_ = new FindingListModel(this);
    CheckListBox1 = new QListView(this);
    CheckListBox1->setObjectName("CheckListBox1");
    CheckListBox1->setModel(model_);
    CheckListBox1->setUniformItemSizes(true);  // a hundred thousand lines lay out at once
    CheckListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    CheckListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CheckListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    CheckListBox1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Long lines scroll sideways; none is cut short.
    CheckListBox1->setTextElideMode(Qt::ElideNone);
    const QFontMetrics metrics(CheckListBox1->font());
    model_->setLineMetrics(metrics.horizontalAdvance('0'), metrics.height() + 2);
    CheckListBox1->setMinimumSize(metrics.horizontalAdvance(QString(24, '0')), 120);

    GroupBox1 = new QGroupBox("Channel", this);
    GroupBox1->setObjectName("GroupBox1");
    auto* channels = new QGridLayout(GroupBox1);
    channels->setHorizontalSpacing(10);
    channels->setVerticalSpacing(2);
    for (int c = 0; c < 16; ++c) {
        CheckBox[c] = new QCheckBox(QString::number(c + 1), GroupBox1);
        CheckBox[c]->setObjectName(QString("CheckBox%1").arg(c + 1));
        CheckBox[c]->setChecked(true);
        channels->addWidget(CheckBox[c], c % 8, c / 8);
    }
    All = button("All", "All", this);
    Clear = button("Clear", "Clear", this);
    auto* allClear = new QHBoxLayout;
    allClear->addWidget(All);
    allClear->addWidget(Clear);
    channels->addLayout(allClear, 8, 0, 1, 2);

    ActionCopyReport = new QAction("Copy Report", this);
    ActionCopyReport->setObjectName("ActionCopyReport");
    Docorrect = new QAction("Correct", this);
    Docorrect->setObjectName("Docorrect");
    Button1 = button("Button1", "Copy Report", this);
    CheckButton1 = button("CheckButton1", "Check", this);
    CorrectButton1 = button("CorrectButton1", "Correct", this);
    OptionButton1 = button("OptionButton1", "Option...", this);
    OKButton = button("OKButton", "Close", this);

    auto* side = new QVBoxLayout;
    side->addWidget(GroupBox1);
    side->addSpacing(8);
    side->addWidget(CheckButton1);
    side->addWidget(CorrectButton1);
    side->addWidget(Button1);
    side->addWidget(OptionButton1);
    side->addStretch(1);
    side->addWidget(OKButton);

    auto* body = new QHBoxLayout;
    body->addWidget(CheckListBox1, 1);
    body->addLayout(side);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 0);
    layout->addLayout(body, 1);
    layout->addWidget(StatusBar1);

    connect(CheckButton1, &QPushButton::clicked, this, [this] { CheckButton1Click(); });
    connect(Docorrect, &QAction::triggered, this, [this] { DocorrectExecute(); });
    connect(CorrectButton1, &QPushButton::clicked, Docorrect, &QAction::trigger);
    connect(ActionCopyReport, &QAction::triggered, this, [this] { ActionCopyReportExecute(); });
    connect(Button1, &QPushButton::clicked, ActionCopyReport, &QAction::trigger);
    connect(All, &QPushButton::clicked, this, [this] { AllClick(); });
    connect(Clear, &QPushButton::clicked, this, [this] { ClearClick(); });
    connect(OptionButton1, &QPushButton::clicked, this, [this] { OptionButton1Click(); });
    connect(OKButton, &QPushButton::clicked, this, &QWidget::hide);
    connect(CheckListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { CheckListBox1Click(); });
    connect(CheckListBox1, &QListView::doubleClicked, this, [this] { CheckListBox1DblClick(); });
    connect(model_, &FindingListModel::tickedCountChanged, this, [this] { updateActions(); });
    // The action's state follows the button it drives.
    connect(ActionCopyReport, &QAction::changed, this, [this] { Button1->setEnabled(ActionCopyReport->isEnabled()); });
    connect(Docorrect, &QAction::changed, this, [this] { CorrectButton1->setEnabled(Docorrect->isEnabled()); });

    updateActions();
    // Without a remembered place: wide enough for a whole line of the longest label with a
    // note's description.
    resize(metrics.horizontalAdvance(QString(104, '0')) + 48 + side->sizeHint().width(), 520);
    readPrefs();
}

TDataCheckWindow::~TDataCheckWindow() { writePrefs(); }

void TDataCheckWindow::readPrefs() { restoreWindowPlace(this, prefsPath_); }

void TDataCheckWindow::writePrefs() { keepWindowPlace(this, prefsPath_); }

uint16_t TDataCheckWindow::channelMask() const {
    uint16_t mask = 0;
    for (int c = 0; c < 16; ++c)
        if (CheckBox[c]->isChecked()) mask = static_cast<uint16_t>(mask | (1u << c));
    return mask;
}

void TDataCheckWindow::refreshFromEditor() { updateActions(); }

void TDataCheckWindow::songReplaced() {
    // The lines name events of the old song.
    model_->clear();
    CheckListBox1->setToolTip({});
    StatusBar1->clearMessage();
}

void TDataCheckWindow::updateActions() {
    ActionCopyReport->setEnabled(model_->rowCount() > 0);
    Docorrect->setEnabled(model_->tickedCount() > 0 && context().song() && !context().playing());
    CheckButton1->setEnabled(context().song() != nullptr);
}

void TDataCheckWindow::parkCurrentLine() {
    // A list that gets the focus makes its first line current, which would replace the result in
    // the status bar with that line's explanation; a quiet current line without a selection
    // keeps the result until the user picks a line.
    QSignalBlocker quiet(CheckListBox1->selectionModel());
    CheckListBox1->selectionModel()->setCurrentIndex(model_->index(0), QItemSelectionModel::NoUpdate);
}

void TDataCheckWindow::status(const QString& text) {
    StatusBar1->showMessage(text);
    StatusBar1->repaint();  // progress shows while the command runs
}

void TDataCheckWindow::CheckButton1Click() {
    midiSong* song = context().song();
    if (!song) return;
    BusyCursor busy;
    model_->clear();
    CheckListBox1->setToolTip({});
    const Options options = context().options();
    CheckReport report = checkSong(*song, options, channelMask(), [this](int channel, size_t found) {
        status(found == 0 ? QString("Checking Channel %1").arg(channel + 1)
                          : QString("Checking Channel %1 %2 events found").arg(channel + 1).arg(found));
    });
    const size_t found = report.size();
    model_->setReport(std::move(report));
    parkCurrentLine();
    status(QString::fromStdString(checkDoneText(found)));
    updateActions();
}

void TDataCheckWindow::DocorrectExecute() {
    midiSong* song = context().song();
    if (!song || context().playing() || model_->tickedCount() == 0) return;
    std::vector<bool> corrected;
    std::vector<std::string> reasons;
    {
        BusyCursor busy;
        corrected = correctFindings(*song, model_->report(), model_->ticked(), &reasons);
        model_->applyCorrection(corrected, reasons);
        parkCurrentLine();
    }
    CheckListBox1->setToolTip({});
    status(kCorrectDoneText);
    context().songEdited();
}

void TDataCheckWindow::ActionCopyReportExecute() {
    if (model_->rowCount() == 0) return;
    QGuiApplication::clipboard()->setText(QString::fromStdString(model_->report().text("\r\n")));
    status("List copied to Clipboard.");
}

void TDataCheckWindow::CheckListBox1Click() {
    const Finding* f = model_->finding(CheckListBox1->currentIndex().row());
    if (!f) return;
    const std::string line = f->text();
    CheckListBox1->setToolTip(QString::fromStdString(line));
    // Japanese is the source text; other locales see its English translation. Copy Report keeps
    // the lines as they are.
    status(QCoreApplication::translate("DataCheck", checkExplanation(checkNumberOfLine(line))));
}

void TDataCheckWindow::CheckListBox1DblClick() {
    const Finding* f = model_->finding(CheckListBox1->currentIndex().row());
    if (!f || !context().song()) return;
    // The editor does nothing for an event that no track holds any more.
    context().locateEvent(f->event.event);
}

void TDataCheckWindow::AllClick() {
    for (QCheckBox* b : CheckBox) b->setChecked(true);
}

void TDataCheckWindow::ClearClick() {
    for (QCheckBox* b : CheckBox) b->setChecked(false);
}

void TDataCheckWindow::OptionButton1Click() { context().showOptions(1); }
