#pragma once

// The effect group editor: a group name and an ordered list of effect files, picked from the
// tree of the effects folder (with each effect's description shown), saved as and loaded from
// .fxg files. Modal: opened from the main window's Effect Group Editor command and from the
// effect editor's Effect Group button. Each showing starts afresh from the folder as it is.

#include "host/tool_window.h"

class QAction;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tonvela {
struct EffectGroup;
}

class TEfxGroup : public ToolWindow {
    Q_OBJECT
public:
    explicit TEfxGroup(EditorContext& context, QWidget* parent = nullptr);

    // The group as the editor holds it (member lines with backslashes).
    tonvela::EffectGroup group() const;
    // The member line of a tree node: the texts of its ancestors and itself joined with "\".
    static QString relativePath(const QTreeWidgetItem* item);

    // ---- handlers -----------------------------------------------------------------------------
    void TreeView1Click();
    void AddListExecute();
    void RemoveExecute();
    void OrderUpClick();
    void OrderDownClick();
    void SaveExecute();
    void LoadButtonClick();
    // Enabled states of the commands.
    void updateActions();

    // ---- controls (names as in the window's design) -------------------------------------------
    QLineEdit* GroupName;
    QListWidget* EffectList;
    QTreeWidget* TreeView1;
    QPlainTextEdit* Memo1;
    QAction* AddList;
    QAction* Remove;
    QAction* Save;
    QToolButton* AddEffect;
    QToolButton* ToolButton2;
    QToolButton* OrderUp;
    QToolButton* OrderDown;
    QPushButton* LoadButton;
    QPushButton* SaveButton;
    QPushButton* CloseButton;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fillTree();
    void appendMember(const QString& line);
    void moveSelected(int step);
    QString effectsFolder() const;
};
