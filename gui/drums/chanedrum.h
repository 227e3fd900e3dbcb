#pragma once

// The drums/notes changer, a modal dialog: a list of key mappings ("Kick Short -> Side Stick")
// applied over the whole song to the notes of the ticked channels. Search lists the notes a
// mapping would change, Change moves them (or adds copies) as one undo step per track. The list
// with the kind, method and channels is saved to and loaded from .cdl files. Every opening
// starts afresh: empty list, drum names, Move, channel 10.

#include <QAbstractListModel>
#include <QString>
#include <array>

#include "drums/drum_change.h"
#include "host/tool_window.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QListWidget;
class QPushButton;
class RadioGroup;
class UniformListView;

// The result list: the lines of the last search or change, made when shown.
class DrumResultModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit DrumResultModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void setResult(tonvela::DrumScanResult result);
    void clear();
    QStringList lines() const;

private:
    bool hasResult_ = false;
    tonvela::DrumScanResult result_;
};

class TChaneDrum : public ToolWindow {
    Q_OBJECT
public:
    explicit TChaneDrum(EditorContext& context, QWidget* parent = nullptr);

    void opening(const QString& id) override;
    void refreshFromEditor() override;

    // The controls as one value; mapping lines resolve through parseMapping.
    tonvela::DrumChangeSettings settings() const;
    bool settingsChanged() const { return settingsChanged_; }
    QStringList mappingLines() const;
    QStringList resultLines() const { return results_->lines(); }
    // Enables the actions by the state of the controls.
    void updateActions();

    // ---- handlers -----------------------------------------------------------------------------
    void NoteKindClick();
    void ActionAddExecute();
    void ActionDeleteExecute();
    void ActionSearchExecute();
    void Button1Click();
    // False when nothing was written (cancelled or failed).
    bool saveButtonClick();
    void LoadButtonClick();

    // ---- controls -----------------------------------------------------------------------------
    RadioGroup* NoteKind;
    RadioGroup* Method;
    std::array<QCheckBox*, 16> channelBoxes;  // CheckBox1..CheckBox16
    QFrame* Panel1;
    QComboBox* fromCB;
    QComboBox* toCB;
    QAction* ActionAdd;
    QAction* ActionDelete;
    QAction* ActionSave;
    QAction* ActionSearch;
    QAction* ActionDoChange;
    QPushButton* AddButton;
    QListWidget* ListBox1;
    QPushButton* DelButton;
    QPushButton* saveButton;
    QPushButton* LoadButton;
    QPushButton* SearchButton;
    QPushButton* Button1;
    QPushButton* CloseButton;
    UniformListView* ListBox2;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void scan(bool change);
    // The lists show the kind's names; the loaded values replace the controls' (Load).
    void showSettings(const tonvela::DrumChangeSettings& s);

    DrumResultModel* results_;
    bool settingsChanged_ = false;
    QString lastFolder_;  // where the last list was saved or loaded
    bool saveFailed_ = false;  // the last save was chosen but could not be written
};
