#pragma once

// The XG editor: edits the song's XG set-up as the XG parameter-change messages it holds. Each
// control stands for one XG address; a change writes the song's message for it (made in the
// target track when missing; removed again at the module's default, so the song carries only
// what differs) and sends the message at once, so the change is heard. Lists the song's XG
// messages and display messages, makes display letters and 16 x 16 pictures, moves the messages
// to one track, and re-times the checked ones into a run at the start of the song (Arrange).
// Every change is one undo step; the window keeps nothing of its own in preference files.

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

#include "host/tool_window.h"
#include "xg/xg_editor.h"
#include "xg/xgediting.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class RadioGroup;
class XGBitmapView;

struct XGStep {
    QString label;
    std::vector<int> tracks;
};

class TXGEditor : public ToolWindow, public XGEditing {
    Q_OBJECT
public:
    explicit TXGEditor(EditorContext& context, QWidget* parent = nullptr);
    ~TXGEditor() override;

    void refreshFromEditor() override;
    void songReplaced() override;

    // ---- XGEditing
    tonvela::XGEditor* xg() override;
    void edit(const QString& label, const std::function<void(tonvela::XGEditor&)>& change) override;
    void beginDrag(const QString& label) override;
    void endDrag() override;

    // The tabs, in this order.
    enum Page { PageSystem, PageReverb, PageChorus, PageVariation, PageInsertion, PageMultiEQ, PageMultiPart,
                PageVL, PageDrum, PageDisplay, PageCount };
    QWidget* page(Page p) const { return pages_[p]; }

    // The selected display message; nullptr when none.
    tonvela::sysexEvent* selectedDisplay() const;
    // The message of a ListBox1 line.
    tonvela::sysexEvent* messageAt(int row) const;
    // The 16 x 16 picture of the Display tab.
    tonvela::XGBitmap picture() const;
    void setPicture(const tonvela::XGBitmap& picture);

    // ---- handlers, public so that tests drive them as the controls do
    void ComboBoxTargTrackChange(int index);
    void ButtonEditEffectClick();
    void ButtonEdirChorParClick();
    void ButtonEdirVariationClick();
    void ButtonEditInsertionClick();
    void ButtonEditMutiEQClick();
    void ButtonEditMultiPartClick();
    void ButtonEditDrumClick(int which);  // 1..3
    void LoadBitmapClick();
    void PasteImageClick();
    void NewDispClick();
    void GetDispListClick();
    void SetDispListClick();
    void DeleteDispClick();
    void ArrangeExecute();
    // Undoes the window's newest step that the tracks still hold, in every track it wrote to.
    void UndoExecute();
    // Enabled states of the commands, as the update handlers set them.
    void updateActions();

    // ---- controls (names as in the window's design)
    QComboBox* ComboBoxTargTrack;
    QPushButton* UndoButton;
    QTabWidget* PageControl;
    QListWidget* ListBox1;  // the XG messages, checked ones are re-timed by Arrange
    // System
    QSpinBox* UpDownMasterTune;
    QLabel* StaticTextMasterTune;
    QSlider *TrackBar1, *TrackBar2;
    QLabel *StaticTextMasterVolume, *StaticTextMasterAtt;
    QSpinBox* UpDownTranspose;
    QCheckBox *CheckBoxDrumPartProtectMode, *CheckBoxAllParameterReset;
    RadioGroup* RadioGroupDrumSetupReset;
    // Reverb, Chorus, Variation
    QComboBox* ComboBoxReverbType;
    QPushButton* ButtonEditEffect;
    QSlider *TrackBarrevreturn, *TrackBarRevPan;
    QComboBox* ComboBoxChorusType;
    QPushButton* ButtonEdirChorPar;
    QSlider *TrackBarChorusReturn, *TrackBarChorusPan, *TrackBarSendChotoRet;
    QComboBox* ComboBoxVariationType;
    QPushButton* ButtonEdirVariation;
    QSlider *TrackBarVariationRet, *TrackBarVarPan, *TrackBarVartoReb, *TrackBarVartoChor;
    RadioGroup* RadioGroupConnection;
    QComboBox* ComboBoxVariationPart;
    QSlider* VarConDepth[5];  // TrackBarMWVarConDepth ... TrackBarAC2VarConDepth
    // Insertion
    RadioGroup* RadioGroupVarNo;
    QComboBox* ComboBoxInsertionType;
    QPushButton* ButtonEditInsertion;
    QComboBox* ComboBoxInsertionPart;
    QSlider* InsConDepth[5];  // TrackBarMWInsConDepth ... TrackBarAC2InsConDepth
    // Multi EQ, Multi Part
    QComboBox* ComboBoxEQType;
    QPushButton* ButtonEditMutiEQ;
    QComboBox* ComboBoxPartNo;
    QPushButton* ButtonEditMultiPart;
    // Multi Part for VL
    QComboBox* ComboBoxVLPartNo;
    QCheckBox* CheckBoxNoteAssign;
    QComboBox* ComboBoxNoteFilter;
    QSpinBox* UpDownControl[10];  // UpDown1 ... UpDown10
    QSlider* TrackBarDepth[10];   // TrackBar4 ... TrackBar13
    // Drum Setup
    QComboBox *ComboBoxDrumSet, *ComboBoxNoteName;
    QSlider *TrackBarPitchC, *TrackBarPitchFine, *TrackBarDrumLevel, *TrackBarDrumPan, *TrackBarRvSnd, *TrackBarChoSnd,
        *TrackBarVarSnd;
    QComboBox* ComboBoxAltGroup;
    RadioGroup* RadioGroupKeyAssign;
    QCheckBox *CheckBoxRcvNoteOff, *CheckBoxRdvNoteOn;
    QPushButton *ButtonEditDrum1, *ButtonEditDrum2, *ButtonEditDrum3;
    // Display
    RadioGroup* RadioDispSelect;
    QLineEdit* EditLetter;
    XGBitmapView* Image1;
    QPushButton *LoadBitmap, *PasteImage;
    QLineEdit *EditBar, *EditBeat, *EditTick;
    QPushButton *NewDisp, *GetDispList, *SetDispList, *DeleteDisp;
    QListWidget* ListBoxDisplay;
    // Arrange
    QLineEdit *EditsysExStart, *EditsysExOffset;
    QLabel* StaticTextsysExRange;
    QPushButton* ArrangeButton;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildSystemPage();
    void buildEffectPages();
    void buildPartPages();
    void buildDrumPage();
    void buildDisplayPage();
    // A track bar with its value label in a grid row; every move follows `change`.
    QSlider* addSlider(class QGridLayout* grid, int row, const QString& name, const QString& caption, int min,
                       int max, std::function<void(tonvela::XGEditor&, int)> change, QLabel** valueLabel = nullptr);
    // setXGValue on a fixed address.
    QSlider* addValueSlider(QGridLayout* grid, int row, const QString& name, const QString& caption, int32_t address,
                            int min, int max, int defaultValue);

    // Loads the controls of a tab from the song (nothing is written); the System tab also
    // sends the values the song holds, so that the module follows the window.
    void loadPage(int page, bool showing);
    void loadSystem(bool send);
    void loadEffects();
    void loadInsertion();
    void loadVL();
    void loadDrum();
    int dataOr(int32_t address, int fallback) const;
    void setSlider(QSlider* s, int value);

    void rebuildLists();
    void fillTargetTracks();
    void updateArrangeFields();
    // Opens the effect parameter dialog of a page over these addresses.
    void openEffectParam(int effectNumber, const std::vector<int32_t>& addresses);
    int insertionBlock() const;
    int drumAH() const;
    int drumKey() const;
    bool positionFilled() const;
    int32_t positionTime() const;
    std::vector<uint8_t> displayContent() const;

    // The window's steps, newest last: what its Undo takes back.
    void stepDone(const QString& label, std::vector<int> tracks);
    bool undoable(const XGStep& step) const;

    std::unique_ptr<tonvela::XGEditor> xg_;
    tonvela::midiSong* xgSong_ = nullptr;
    QWidget* pages_[PageCount] = {};
    bool loading_ = false;
    bool dragging_ = false;
    bool startEdited_ = false, offsetEdited_ = false;
    // The user's own ticks of ListBox1, by message serial; other messages follow the rule.
    QHash<uint32_t, bool> checks_;
    std::vector<XGStep> steps_;
    QString dragLabel_;
};
