#pragma once

// The effect editor: one effect at a time, its type's pages, the range taken from the main
// window's selection, Apply with its hit count, the Undo of the current track, Load and Save of
// effect files, and Preview (the effect applied to a copy of the song and played, so it can be
// heard before the song changes). The controls hold the effect; settings() reads them into the
// core's EffectSettings value, which the run, the files and the preview use.

#include <QHash>
#include <QPointer>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "effects/apply_effect.h"
#include "effects/curve.h"
#include "effects/effect_settings.h"
#include "effects/units.h"
#include "host/tool_window.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QTimer;
class QToolButton;
class CurveView;
class RadioGroup;

namespace tonvela {
class midiSong;
class midiTrack;
class MidiDevice;
}  // namespace tonvela

class TEffectEditor : public ToolWindow {
    Q_OBJECT
public:
    explicit TEffectEditor(EditorContext& context, QWidget* parent = nullptr);
    ~TEffectEditor() override;

    void refreshFromEditor() override;
    void songReplaced() override;

    // The effect as the controls hold it.
    tonvela::EffectSettings settings() const;
    // Shows an effect: the type and its pages first, then every control; the curve is redrawn.
    void showSettings(const tonvela::EffectSettings& settings);
    // The curve the Function page draws (and the runs use).
    const tonvela::Curve& curve() const;

    // The page tabs, in this order; which are shown depends on the effect type.
    enum Page { TabAddEvent, TabDelete, TabVelocity, TabTimeShift, TabEcho, TabModifyControl,
                TabDuration, TabChord, TabFunction, PageCount };
    QWidget* page(Page p) const { return pages_[p]; }
    // The tab captions of the pages shown, in tab order.
    QStringList shownPages() const;

    // Whether a preview is playing (the copy it plays is kept until it ends).
    bool previewing() const;
    // The effect's status text of the last run ("H / E events hit").
    QString statusText() const;

    // Seams for tests: the shortest time between two progress texts of a run, and a call at
    // each progress report (after the text is shown and the windows painted).
    std::chrono::milliseconds progressInterval{50};
    std::function<void()> onProgress;

    // ---- handlers -----------------------------------------------------------------------------
    void ApplyExecute();
    void UndoExecute();
    void LoadButtonClick();
    void SaveDataExecute();
    void PreviewClick();
    void StopClick();
    // Enabled states and hints of the commands, as the update handlers set them.
    void updateActions();

    // ---- controls (names as in the window's design) -------------------------------------------
    QComboBox* TargetComboBox;
    QLineEdit* EffectName;
    QPlainTextEdit* Description;
    QLineEdit *FromBar, *FromBeat, *FromTickEdit, *ToBar, *ToBeat, *ToTickEdit;
    QTabWidget* PageControl;
    QStatusBar* StatusBar1;

    // Add Event page, Filter group.
    QGroupBox* FilterGroup;
    QLineEdit *NoteMin, *NoteMax, *VeloMin, *VeloMax, *DurMin, *DurMax;
    QComboBox *DurationUnit, *PitchNameFilter;
    QCheckBox *AllowOverlap, *Ascending, *Decemdimg, *Independent, *Flat;
    // Add Event page, item.
    QComboBox* AddItem;
    QLineEdit *CtrlNoEdit, *ValueMin, *ValueMax;
    QComboBox *PitchBendUnit, *Cutoff;
    QLineEdit* Distance;
    QComboBox* DistanceUnit;
    QLineEdit* MinimunDifference;
    QComboBox* MinDiffUnit;
    QLineEdit* StartShift;
    QComboBox* ApplyRange;
    QLineEdit* DurationPercent;
    QComboBox* ApplyPosition;
    QLineEdit* ApplyTime;
    QComboBox *ApplyTimeUnit, *FunctionSource1;
    QCheckBox *ReplaceEvent, *PreProcess, *PostProcess;
    QLineEdit *PreprocValue, *PostprocValue;

    // Function page.
    QComboBox *FunctionBox, *Function2, *Function3;
    QCheckBox *F2, *F3, *FlipY, *FlipX, *Abs;
    QSlider *TrackBar1, *TrackBar2, *TrackBar3;
    CurveView* CurveImage;

    // Delete Event page.
    QComboBox* DelItemComboBox1;
    QLineEdit *DelCtrlNoEdit1, *DelVallMin, *DelValMax, *DelNumel, *DelDenom;
    QCheckBox* ExceptData[3];
    QLineEdit* exceptval[3];

    // Modify Velocity page.
    QLineEdit *VeloRangeMin, *VeloRangeMax;
    QComboBox *ChangeMethod, *VeloModScaling, *FunctionX;

    // TimeShift page.
    QLineEdit *TSValMin, *TSValMax;
    RadioGroup* TimeShiftRadioGroup;

    // Echo page.
    QLineEdit* EchoDelayText;
    QComboBox* EchoDelayUnit;
    QSlider* EchoCount;
    QSlider* EchoVol[5];
    QLineEdit* EditOct[5];
    QComboBox *OutOfRange, *Overlap;
    QCheckBox* EchoOtherTrack;
    QComboBox* NewTrackName;
    QCheckBox* OtherChannel;
    QSpinBox* UpDownEchannel;
    QCheckBox *EmulateSustain, *SelectTarget;

    // Modify Control/Bend page.
    QComboBox *Modify, *ComboBoxControl;
    QLineEdit *Edit1ModCOntrolMin, *Edit2ModCOntrolMax;
    QComboBox *ModContFS, *ModContVal, *ContModScaling;

    // Modify Duration page.
    QLineEdit *durFilterNoteMin, *durFilterNoteMax, *durFilterDurMin, *durFilterDurMax;
    QComboBox *modifydurComboBox1, *durChangeMethod;
    QLineEdit *durPercent, *DurValue, *TenutoPC;
    QCheckBox* SingleNote;
    QLineEdit *durMaxLimit, *durMinLimit;

    // Chord Stroker page.
    QLineEdit* ChordBound;
    QComboBox *Center, *StrokeMethod;
    QSlider* Devision;
    QLabel* StrokeName;
    QComboBox* Stroke;
    QLineEdit *resStart, *resEnd;

    // Commands and their buttons.
    QAction* ActionApply;
    QAction* ActionUndo;
    QAction* SaveData;
    QToolButton* ModTest;
    QToolButton* Undo;
    QToolButton* SaveDataButton;
    QPushButton* LoadButton;
    QPushButton* PreviewButton;
    QPushButton* StopButton;
    QPushButton* CloseButton;

    // ---- quick slots and the group editor (effecteditor_slots.cpp) ----------------------------
    // Lamps (green: the slot holds an effect, its hint the first description line; red: empty)
    // and the enabled states of "L" and "C", from qs1.fxq .. qs5.fxq in the settings folder.
    void refreshQuickSlots();
    void QuickSaveClick(int slot);   // "S": the effect into the slot
    void QuickLoadClick(int slot);   // "L": the slot's effect into the editor
    void QuickClearClick(int slot);  // "C": the slot file deleted
    // "Effect Group": the group editor, modal.
    void EffectGroupClick();
    QString quickSlotPath(int slot) const;  // slot 1..5

    QLabel* PanelQS[5];           // PanelQS1..PanelQS5
    QPushButton* SaveButtons[5];  // SaveButton1..SaveButton5 ("S")
    QPushButton* LoadButtons[5];  // LoadButton1..LoadButton5 ("L")
    QPushButton* ClearButtons[5]; // ClearButton1..ClearButton5 ("C")
    QPushButton* EffectGroupButton;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Building (effecteditor_pages.cpp).
    QWidget* buildAddEventPage();
    QWidget* buildFunctionPage();
    QWidget* buildDeletePage();
    QWidget* buildVelocityPage();
    QWidget* buildTimeShiftPage();
    QWidget* buildEchoPage();
    QWidget* buildModifyControlPage();
    QWidget* buildDurationPage();
    QWidget* buildChordPage();
    QLineEdit* field(const QString& name, int width = 0);
    QComboBox* choice(const QString& name, tonvela::ItemList items);
    QCheckBox* check(const QString& name, const QString& caption);
    void connectHandlers();

    // Sets every control but the type (the pages stay as they are).
    void writeControls(const tonvela::EffectSettings& settings);
    // Handlers of the page controls.
    void showTypePages(int type);
    void TargetComboBoxChange(int type);
    void AddItemChange(int item);
    void DelItemComboBox1Change(int item);
    void ModifyChange(int index);
    void PitchBendUnitChange(int unit);
    void MinDiffUnitChange(int unit);
    // A time unit list changed: its fields are rewritten from the unit it had before.
    void timeUnitChange(QComboBox* unitList, std::initializer_list<QLineEdit*> fields, int unit);
    void functionChange();
    void echoPageShown();
    void refillTrackNames();
    void copyFilterToMemo();
    // Visibility and enabled states that follow other controls (item, method, counts).
    void updateDependentControls();

    // Runs (effecteditor_run.cpp).
    struct RunPlan {
        tonvela::EffectSettings settings;
        tonvela::EffectScope scope;
        tonvela::Selection selection;
        tonvela::RangeFields fields;
    };
    // Reads and checks the range fields and the number fields (asking again through the
    // re-entry dialog for texts that do not read); false when the run should not happen.
    bool prepareRun(RunPlan& plan);
    // Asks again for every field that does not read; false when the user cancelled.
    bool normaliseFields();
    // Runs the effect on `song` with the window showing its progress; the editor is marked busy.
    bool runEffect(tonvela::midiSong& song, const RunPlan& plan, tonvela::EffectResult& result);
    // Stops the preview's play and lets its copy go (the editor context is not used).
    void stopPreview();
    void releasePreview();
    void setStatus(const QString& text);

    // The unit conversion context of the current song and selection.
    tonvela::UnitContext unitContext() const;
    int bendRange() const;
    void readPositionFile();


    QWidget* pages_[PageCount] = {};
    QString pageCaptions_[PageCount];
    QHash<QString, QWidget*> controls_;  // by control name, for the settings binding
    tonvela::Curve curve_;
    QString lastEffectPath_;
    int previousEchoDelayUnit_ = -1;
    bool running_ = false;
    bool placed_ = false;  // the window has its place (effect.prf or the first showing)
    bool filling_ = false;  // controls are being set by the program: no handler runs
    bool switchingPages_ = false;  // the tabs pass through pages that are not really shown
    // The bytes of the texts last shown by showSettings: a text left as it was shown keeps
    // them (effect files keep the code page they were written in).
    QHash<QString, std::string> shownBytes_;
    std::vector<std::string> shownDescription_;

    // Preview: the copy that plays and its play list; kept until the play ends.
    std::unique_ptr<tonvela::midiSong> previewSong_;
    // The device playing the preview. It outlives this window: the main window stops it and
    // lets it go only after its tool windows.
    tonvela::MidiDevice* previewDevice_ = nullptr;
    QTimer* idleTimer_;

    QWidget* buildQuickSlots();
    QPointer<QWidget> groupEditor_;
};

// What the re-entry dialog calls a number field of the editor ("Vel. max", "From Bar"); its
// control name when it was given none.
void setFieldCaption(QLineEdit* edit, const QString& caption);
QString fieldCaption(const QLineEdit* edit);
