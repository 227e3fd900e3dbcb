#pragma once

// The options dialog. The rest of the program reads the settings only through options(), a
// snapshot that takes the controls' state each time the dialog closes (Ok or its close box: the
// dialog has no cancel). They persist in option.prf in the settings folder.

#include <QDialog>
#include <QHash>

#include "settings/options.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class RadioGroup;

class TOption : public QDialog {
    Q_OBJECT
public:
    // Reads option.prf from settingsFolder; a newer version is refused with a message.
    explicit TOption(const QString& settingsFolder, QWidget* parent = nullptr);
    // Writes option.prf.
    ~TOption() override;

    enum Page { General = 0, DataCheck = 1, Copyright = 2 };
    // Turns to the page and shows the dialog modally.
    void showPage(Page page);

    // The settings as the dialog last closed with them (or as option.prf gave them).
    const tonvela::Options& options() const { return options_; }
    // Sets the controls and the snapshot.
    void setOptions(const tonvela::Options& o);
    // Writes the snapshot to option.prf.
    void writePrefs();

    QTabWidget* PageControl;
    QStatusBar* StatusBar1;
    QPushButton* OkButton;
    // General
    QLabel* LabelHistoryCt;
    QSpinBox* UpDownHistoryCt;
    QLineEdit* DispInterval;
    QCheckBox* MakeBackup;
    RadioGroup* Extension;
    QCheckBox* MIDIErrorSound;
    // Data Check
    QCheckBox* DeleteDuplicatedNote;
    QCheckBox* DetectShortDuraion;
    QSpinBox* UpDown1;
    QCheckBox* DetectIllegalVel;
    QSpinBox* UpDown2;
    QSpinBox* UpDown3;
    QCheckBox* DetectSametimeonoff;
    QCheckBox* DetectSameControlValue;
    QCheckBox* DetectSynchronousNoteON;
    QCheckBox* DetectSameBendValue;
    QCheckBox* DetectInvalidDataEntry;
    QCheckBox* DetectSynchronousControl;
    QCheckBox* DetectSynchronousPitchBend;
    QCheckBox* CheckInitial;
    QCheckBox* DetectNoteOnandOtherEvent;
    QCheckBox* NoteonWhileVol0;
    QCheckBox* InvalidOnOff;
    QCheckBox* NonefctPB;
    QCheckBox* IneffectivePitchbend;
    // Copyright
    QLineEdit* EditName1;
    QLineEdit* EditName2;
    QLineEdit* EditName3;

Q_SIGNALS:
    // The snapshot was taken again as the dialog closed.
    void optionsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    tonvela::Options fromControls() const;
    void readPrefs();
    void setHint(QWidget* control, const char* utf8Hint);
    QCheckBox* check(const QString& name, const QString& caption);

    QString settingsFolder_;
    tonvela::Options options_;
    QHash<QObject*, QString> hints_;
    QList<QObject*> pages_;
};
