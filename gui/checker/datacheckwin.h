#pragma once

// The data checker window: runs the check over the chosen channels, lists every finding with a
// check box, explains the selected one, locates its event, copies the report and corrects the
// ticked lines.

#include <QAbstractListModel>
#include <string>
#include <vector>

#include "checker/data_check.h"
#include "host/tool_window.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QListView;
class QPushButton;
class QStatusBar;

// The report's lines with a check state each. A model, so a list of a hundred thousand
// findings costs no widget per line.
class FindingListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit FindingListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Shows a new report, every line ticked.
    void setReport(tonvela::CheckReport report);
    // Takes the flagged lines off; the others keep their ticks.
    void removeLines(const std::vector<bool>& which);
    // After Correct: each non-empty reason (one per line, as correctFindings gives them) is kept
    // with its line, which shows it; then the corrected lines go.
    void applyCorrection(const std::vector<bool>& corrected, const std::vector<std::string>& reasons);
    void clear();
    // Why a line stayed after Correct; "" when it was never refused.
    const std::string& reason(int row) const;
    // The width of one character of the list's fixed font and the height of a line: every line
    // is laid out as wide as the longest one, so the list scrolls sideways instead of cutting.
    void setLineMetrics(int charWidth, int lineHeight);

    const tonvela::CheckReport& report() const { return report_; }
    const std::vector<bool>& ticked() const { return ticked_; }
    size_t tickedCount() const { return tickedCount_; }
    const tonvela::Finding* finding(int row) const;

Q_SIGNALS:
    void tickedCountChanged();

private:
    QString shownText(size_t row) const;
    void measure();

    tonvela::CheckReport report_;
    std::vector<bool> ticked_;
    std::vector<std::string> reasons_;
    size_t tickedCount_ = 0;
    size_t widestLine_ = 0;  // characters
    int charWidth_ = 8, lineHeight_ = 16;
};

class TDataCheckWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit TDataCheckWindow(EditorContext& context, QWidget* parent = nullptr);
    // Writes datacheck.prf.
    ~TDataCheckWindow() override;

    void refreshFromEditor() override;
    void songReplaced() override;

    FindingListModel* model() const { return model_; }
    // The channels whose boxes are on, bit 0 = channel 1.
    uint16_t channelMask() const;

    // Handlers, public so that tests drive them as the controls do.
    void CheckButton1Click();
    void DocorrectExecute();
    void ActionCopyReportExecute();
    void CheckListBox1Click();
    void CheckListBox1DblClick();
    void AllClick();
    void ClearClick();
    void OptionButton1Click();

    QListView* CheckListBox1;
    QGroupBox* GroupBox1;
    QCheckBox* CheckBox[16];  // CheckBox1..CheckBox16
    QPushButton* All;
    QPushButton* Clear;
    QPushButton* Button1;
    QPushButton* CheckButton1;
    QPushButton* CorrectButton1;
    QPushButton* OptionButton1;
    QPushButton* OKButton;
    QStatusBar* StatusBar1;
    QAction* ActionCopyReport;
    QAction* Docorrect;

private:
    void updateActions();
    void status(const QString& text);
    void parkCurrentLine();
    void readPrefs();
    void writePrefs();

    FindingListModel* model_;
    QString prefsPath_;
};
