#pragma once

// The add/edit dialog of the event list: the position and channel of an event and one page per
// kind of event. It only turns its controls into tonvela::EventFields; the window that opened it
// applies them and says whether the dialog may close.

#include <QDialog>
#include <functional>
#include <string>

#include "eventlist/event_edit.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

class TAddEvent : public QDialog {
    Q_OBJECT
public:
    enum class Mode { add, edit };
    // Applies the fields; true when the dialog may close (false: a message was shown).
    using Apply = std::function<bool(const tonvela::EventFields&)>;
    // Turns a text the user typed into the bytes the song keeps.
    using Encoder = std::function<std::string(const QString&)>;

    TAddEvent(Mode mode, QWidget* parent = nullptr);

    Mode mode() const { return mode_; }
    // Puts the values into the controls and turns to their page; `metaText` is the meta text
    // as shown. In edit mode only that page can be chosen.
    void setFields(const tonvela::EventFields& fields, const QString& metaText);
    // Whether the event has a channel (the channel controls are disabled otherwise).
    void setChannelUsed(bool used);
    void setApply(Apply apply) { apply_ = std::move(apply); }
    void setEncoder(Encoder encoder) { encoder_ = std::move(encoder); }

    // The controls' values. A number that cannot be read is asked for again (re-entry dialog)
    // and written back into its field.
    tonvela::EventFields fields();
    tonvela::EventPage page() const;

    // ---- controls (names as in the dialog's design) -------------------------------------------
    QLineEdit* FromBar;
    QLineEdit* FromBeat;
    QLineEdit* FromTickEdit;
    QSpinBox* ChannelUpDown2;
    QLineEdit* Channel;  // the text field of ChannelUpDown2
    QPushButton* Add;
    QPushButton* CloseButton1;
    QTabWidget* EventType;
    // "Note"
    QSpinBox* NoteUpDown3;
    QLineEdit* Edit1;  // the text field of NoteUpDown3
    QLabel* NoteName;
    QLineEdit* VelocityEdit1;
    QLineEdit* DurationEdit1;
    // "Control Change"
    QComboBox* ControlNoComboBox;
    QLineEdit* ControlValEdit2;
    // "Program Change"
    QComboBox* ProgramNoComboBox1;
    QCheckBox* BankSelectMSBCheckBox1;
    QLineEdit* MSBValEdit1;
    QLineEdit* MSBOffsetEdit1;
    QCheckBox* BankSelectLSBCheckBox1;
    QLineEdit* LSBValEdit2;
    QLineEdit* LSBOffsetEdit1;
    // "PitchBend"
    QLineEdit* PitchBendEdit1;
    // "MetaEvent"
    QComboBox* MetaType;
    QLineEdit* MetaText;
    QLabel* CantEditLabel;

    void AddClick();
    // Enables Add while the channel is 1..16 (when used) and the page can add.
    void updateAddButton();

private:
    QWidget* buildNotePage();
    QWidget* buildControlPage();
    QWidget* buildProgramPage();
    QWidget* buildPitchBendPage();
    QWidget* buildMetaPage();
    void showNoteName();

    Mode mode_;
    bool channelUsed_ = true;
    Apply apply_;
    Encoder encoder_;
    QString shownMetaText_;       // the meta text as set, to keep its bytes when not retyped
    std::string metaBytes_;
};
