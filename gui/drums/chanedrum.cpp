#include "drums/chanedrum.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <exception>

#include "appfolders.h"
#include "base/errors.h"
#include "drums/change_list.h"
#include "eventlist/uniform_list_view.h"
#include "host/editor_context.h"
#include "prompts.h"
#include "radiogroup.h"
#include "song/song.h"

using namespace tonvela;

namespace {

const QString kListFilter = QStringLiteral("Change Drum List (*.cdl)");

QString errorText(const std::exception& e) {
    const auto* m = dynamic_cast<const MidiError*>(&e);
    return QString::fromStdString(m ? m->message() : std::string(e.what()));
}

QPushButton* actionButton(const char* name, QAction* action) {
    auto* b = new QPushButton(action->text());
    b->setObjectName(name);
    QObject::connect(b, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, b, [b, action] { b->setEnabled(action->isEnabled()); });
    return b;
}

}  // namespace

// ---- the result list ----------------------------------------------------------------------------

int DrumResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !hasResult_ ? 0 : static_cast<int>(result_.lineCount());
}

QVariant DrumResultModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !hasResult_ || index.row() < 0 ||
        static_cast<size_t>(index.row()) >= result_.lineCount())
        return {};
    return QString::fromStdString(result_.line(static_cast<size_t>(index.row())));
}

void DrumResultModel::setResult(DrumScanResult result) {
    beginResetModel();
    result_ = std::move(result);
    hasResult_ = true;
    endResetModel();
}

void DrumResultModel::clear() {
    beginResetModel();
    result_ = {};
    hasResult_ = false;
    endResetModel();
}

QStringList DrumResultModel::lines() const {
    QStringList out;
    for (int r = 0; r < rowCount(); ++r) out << data(index(r), Qt::DisplayRole).toString();
    return out;
}

// ---- the window ---------------------------------------------------------------------------------

TChaneDrum::TChaneDrum(EditorContext& context, QWidget* parent) : ToolWindow(context, parent) {
    setObjectName("ChaneDrum");
    setWindowTitle("Drum/Notes Changer");
    setWindowModality(Qt::ApplicationModal);

    NoteKind = new RadioGroup(QString(), {"Drums", "Note"}, Qt::Vertical);
    NoteKind->setObjectName("NoteKind");
    NoteKind->setItemIndex(0);
    Method = new RadioGroup("Method", {"Move", "Copy"}, Qt::Vertical);
    Method->setObjectName("Method");
    Method->setItemIndex(0);

    auto* channelFrame = new QFrame;
    channelFrame->setObjectName("ChannelFrame");
    channelFrame->setFrameShape(QFrame::StyledPanel);
    auto* channelGrid = new QGridLayout(channelFrame);
    for (int i = 0; i < 16; ++i) {
        auto* box = new QCheckBox(QStringLiteral("Channel %1").arg(i + 1));
        box->setObjectName(QStringLiteral("CheckBox%1").arg(i + 1));
        channelBoxes[static_cast<size_t>(i)] = box;
        channelGrid->addWidget(box, i / 4, i % 4);
        connect(box, &QCheckBox::toggled, this, &TChaneDrum::updateActions);
    }

    ActionAdd = new QAction("Add", this);
    ActionAdd->setObjectName("ActionAdd");
    ActionDelete = new QAction("Delete", this);
    ActionDelete->setObjectName("ActionDelete");
    ActionSave = new QAction("Save", this);
    ActionSave->setObjectName("ActionSave");
    ActionSearch = new QAction("Search", this);
    ActionSearch->setObjectName("ActionSearch");
    ActionDoChange = new QAction("Change", this);
    ActionDoChange->setObjectName("ActionDoChange");

    Panel1 = new QFrame;
    Panel1->setObjectName("Panel1");
    fromCB = new QComboBox;
    fromCB->setObjectName("fromCB");
    toCB = new QComboBox;
    toCB->setObjectName("toCB");
    for (QComboBox* box : {fromCB, toCB}) {
        box->setMaxVisibleItems(24);
        box->setMinimumContentsLength(24);
        connect(box, &QComboBox::currentIndexChanged, this, &TChaneDrum::updateActions);
    }
    AddButton = actionButton("AddButton", ActionAdd);
    auto* panelRow = new QHBoxLayout(Panel1);
    panelRow->setContentsMargins(0, 0, 0, 0);
    panelRow->addWidget(fromCB, 1);
    panelRow->addWidget(new QLabel("->"));
    panelRow->addWidget(toCB, 1);
    panelRow->addWidget(AddButton);

    ListBox1 = new QListWidget;
    ListBox1->setObjectName("ListBox1");
    ListBox1->setMinimumHeight(120);
    ListBox1->addAction(ActionDelete);
    ActionDelete->setShortcut(QKeySequence::Delete);
    ActionDelete->setShortcutContext(Qt::WidgetShortcut);
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, &TChaneDrum::updateActions);

    DelButton = actionButton("DelButton", ActionDelete);
    saveButton = actionButton("saveButton", ActionSave);
    LoadButton = new QPushButton("Load");
    LoadButton->setObjectName("LoadButton");
    SearchButton = actionButton("SearchButton", ActionSearch);
    Button1 = actionButton("Button1", ActionDoChange);
    CloseButton = new QPushButton("Close");
    CloseButton->setObjectName("CloseButton");

    results_ = new DrumResultModel(this);
    ListBox2 = new UniformListView;
    ListBox2->setObjectName("ListBox2");
    ListBox2->setModel(results_);
    ListBox2->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ListBox2->setMinimumHeight(160);

    // Layout: kinds, method and channels on top; the new mapping; the list with its buttons;
    // the result list along the bottom.
    auto* top = new QHBoxLayout;
    top->addWidget(NoteKind);
    top->addWidget(Method);
    top->addWidget(channelFrame, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {DelButton, saveButton, LoadButton}) buttons->addWidget(b);
    buttons->addStretch(1);
    for (QPushButton* b : {SearchButton, Button1, CloseButton}) buttons->addWidget(b);
    auto* middle = new QHBoxLayout;
    middle->addWidget(ListBox1, 1);
    middle->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Panel1);
    layout->addLayout(middle, 1);
    layout->addWidget(ListBox2, 1);

    connect(NoteKind, &RadioGroup::itemClicked, this, &TChaneDrum::NoteKindClick);
    connect(ActionAdd, &QAction::triggered, this, &TChaneDrum::ActionAddExecute);
    connect(ActionDelete, &QAction::triggered, this, &TChaneDrum::ActionDeleteExecute);
    connect(ActionSave, &QAction::triggered, this, [this] { saveButtonClick(); });
    connect(ActionSearch, &QAction::triggered, this, &TChaneDrum::ActionSearchExecute);
    connect(ActionDoChange, &QAction::triggered, this, &TChaneDrum::Button1Click);
    connect(LoadButton, &QPushButton::clicked, this, &TChaneDrum::LoadButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);

    opening(QString());
}

// Every opening starts as a new dialog would: nothing is kept but the folder of the last list.
void TChaneDrum::opening(const QString&) {
    NoteKind->setItemIndex(0);
    Method->setItemIndex(0);
    for (QCheckBox* box : channelBoxes) {
        const QSignalBlocker quiet(box);
        box->setChecked(false);
    }
    {
        const QSignalBlocker a(fromCB), b(toCB);
        fromCB->clear();
        toCB->clear();
    }
    ListBox1->clear();
    results_->clear();
    NoteKindClick();
    settingsChanged_ = false;
}

void TChaneDrum::refreshFromEditor() { updateActions(); }

void TChaneDrum::updateActions() {
    const int from = fromCB->currentIndex();
    const int to = toCB->currentIndex();
    ActionAdd->setEnabled(from >= 0 && to >= 0 && from != to);
    ActionDelete->setEnabled(!ListBox1->selectedItems().isEmpty());
    bool anyChannel = false;
    for (const QCheckBox* box : channelBoxes) anyChannel |= box->isChecked();
    const bool ready = ListBox1->count() > 0 && anyChannel && context().song();
    ActionSearch->setEnabled(ready);
    ActionDoChange->setEnabled(ready);
    ActionSave->setEnabled(ListBox1->count() > 0);
}

DrumChangeSettings TChaneDrum::settings() const {
    DrumChangeSettings s;
    s.noteKind = NoteKind->itemIndex() == 1 ? kNoteKind : kDrumsKind;
    s.method = Method->itemIndex() == 1 ? kCopyMethod : kMoveMethod;
    for (size_t i = 0; i < 16; ++i) s.channels.set(i, channelBoxes[i]->isChecked());
    for (int r = 0; r < ListBox1->count(); ++r)
        s.mappings.push_back(parseMapping(ListBox1->item(r)->text().toStdString(), s.noteKind));
    return s;
}

QStringList TChaneDrum::mappingLines() const {
    QStringList out;
    for (int r = 0; r < ListBox1->count(); ++r) out << ListBox1->item(r)->text();
    return out;
}

// ---- the key lists and the mapping list -------------------------------------------------------------

void TChaneDrum::NoteKindClick() {
    const int kind = NoteKind->itemIndex() == 1 ? kNoteKind : kDrumsKind;
    const int from = fromCB->currentIndex();
    const int to = toCB->currentIndex();
    channelBoxes[9]->setChecked(kind == kDrumsKind);
    QStringList names;
    for (int key = 0; key < 128; ++key) names << QString::fromStdString(keyName(kind, key));
    {
        const QSignalBlocker a(fromCB), b(toCB);
        fromCB->clear();
        fromCB->addItems(names);
        toCB->clear();
        toCB->addItems(names);
        // The same key numbers, now under the other kind's names.
        fromCB->setCurrentIndex(from < 0 ? defaultKey(kind) : from);
        toCB->setCurrentIndex(from < 0 ? defaultKey(kind) : to);
    }
    updateActions();
}

void TChaneDrum::ActionAddExecute() {
    updateActions();
    if (!ActionAdd->isEnabled()) return;
    ListBox1->addItem(fromCB->currentText() + " -> " + toCB->currentText());
    ListBox1->scrollToBottom();
    settingsChanged_ = true;
    updateActions();
}

void TChaneDrum::ActionDeleteExecute() {
    updateActions();
    if (!ActionDelete->isEnabled()) return;
    const int row = ListBox1->row(ListBox1->selectedItems().first());
    delete ListBox1->takeItem(row);
    settingsChanged_ = true;
    ListBox1->clearSelection();
    if (ListBox1->count() > 0) {
        const int next = std::min(row, ListBox1->count() - 1);
        ListBox1->setCurrentRow(next);
        ListBox1->item(next)->setSelected(true);
    }
    updateActions();
}

// ---- search and change -------------------------------------------------------------------------------

void TChaneDrum::scan(bool change) {
    midiSong* song = context().song();
    if (!song) return;
    results_->clear();
    DrumScanResult result;
    try {
        result = scanNotes(*song, settings(), change);
    } catch (const std::exception& e) {
        context().reportError(errorText(e));
        return;
    }
    const int found = result.found();
    results_->setResult(std::move(result));
    // Even a change without a match opened its steps: the song counts as changed.
    if (change) context().songEdited();
    if (found > 0) context().showStatus(QStringLiteral("%1 notes %2").arg(found).arg(change ? "changed" : "found"));
}

void TChaneDrum::ActionSearchExecute() {
    updateActions();
    if (ActionSearch->isEnabled()) scan(false);
}

void TChaneDrum::Button1Click() {
    updateActions();
    if (ActionDoChange->isEnabled()) scan(true);
}

// ---- .cdl files ----------------------------------------------------------------------------------------

bool TChaneDrum::saveButtonClick() {
    saveFailed_ = false;
    updateActions();
    if (!ActionSave->isEnabled()) return false;
    const QString folder = lastFolder_.isEmpty() ? context().folders().settings : lastFolder_;
    QString path = prompts().saveFileName(this, folder, kListFilter);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += ".cdl";
    try {
        saveChangeList(path.toStdString(), settings());
    } catch (const std::exception& e) {
        saveFailed_ = true;
        context().reportError(errorText(e));
        return false;
    }
    lastFolder_ = QFileInfo(path).absolutePath() + "/";
    settingsChanged_ = false;
    return true;
}

void TChaneDrum::LoadButtonClick() {
    const QString folder = lastFolder_.isEmpty() ? context().folders().settings : lastFolder_;
    const QString path = prompts().openFileName(this, folder, kListFilter);
    if (path.isEmpty()) return;
    LoadedChangeList loaded;
    try {
        loaded = loadChangeList(path.toStdString());
    } catch (const std::exception& e) {
        context().reportError(errorText(e));
        return;
    }
    // A newer file is read all the same, after the warning.
    for (const std::string& w : loaded.warnings) context().reportError(QString::fromStdString(w));
    lastFolder_ = QFileInfo(path).absolutePath() + "/";
    showSettings(loaded.settings);
    settingsChanged_ = true;
}

void TChaneDrum::showSettings(const DrumChangeSettings& s) {
    NoteKind->setItemIndex(s.noteKind == kNoteKind ? 1 : 0);
    Method->setItemIndex(s.method == kCopyMethod ? 1 : 0);
    NoteKindClick();
    for (size_t i = 0; i < 16; ++i) channelBoxes[i]->setChecked(s.channels.test(i));
    ListBox1->clear();
    for (const DrumMapping& m : s.mappings)
        ListBox1->addItem(QString::fromStdString(mappingLine(s.noteKind, m.from, m.to)));
    updateActions();
}

// ---- closing -------------------------------------------------------------------------------------------

void TChaneDrum::closeEvent(QCloseEvent* event) {
    if (settingsChanged_ && ListBox1->count() > 0) {
        const auto answer = prompts().message(this, QMessageBox::Question, "Save Settings?",
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel) {
            event->ignore();
            return;
        }
        // A cancelled save dialog closes all the same; a list that could not be written stays.
        if (answer == QMessageBox::Yes && !saveButtonClick() && saveFailed_) {
            event->ignore();
            return;
        }
    }
    ToolWindow::closeEvent(event);
}
