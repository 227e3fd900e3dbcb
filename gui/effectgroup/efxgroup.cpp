#include "effectgroup/efxgroup.h"

#include <QAction>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShowEvent>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>

#include "appfolders.h"
#include "base/errors.h"
#include "effects/effect_group.h"
#include "effects/quick_slots.h"
#include "host/editor_context.h"
#include "prompts.h"
#include "songtext.h"

using namespace tonvela;

namespace {

const QString kGroupFilter = QStringLiteral("Effect Group (*.fxg)");

QToolButton* toolButton(QAction* action, const QString& name) {
    auto* b = new QToolButton;
    b->setObjectName(name);
    b->setDefaultAction(action);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return b;
}

// Tree nodes of a folder entry list, sorted by name as the walk returns them.
void addEntries(const std::vector<EffectFolderEntry>& entries, QTreeWidgetItem* parent, QTreeWidget* tree) {
    for (const EffectFolderEntry& e : entries) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        item->setText(0, QString::fromStdString(e.name));
        item->setData(0, Qt::UserRole, e.folder);
        item->setIcon(0, tree->style()->standardIcon(e.folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
        addEntries(e.children, item, tree);
    }
}

}  // namespace

TEfxGroup::TEfxGroup(EditorContext& context, QWidget* parent) : ToolWindow(context, parent) {
    setObjectName("EfxGroup");
    setWindowTitle("Effect Group");
    setWindowModality(Qt::ApplicationModal);
    resize(680, 500);

    GroupName = new QLineEdit;
    GroupName->setObjectName("GroupName");
    EffectList = new QListWidget;
    EffectList->setObjectName("EffectList");
    TreeView1 = new QTreeWidget;
    TreeView1->setObjectName("TreeView1");
    TreeView1->setHeaderHidden(true);
    Memo1 = new QPlainTextEdit;
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setFixedHeight(Memo1->fontMetrics().lineSpacing() * 5 + 12);

    AddList = new QAction("Add", this);
    AddList->setObjectName("AddList");
    AddList->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    AddList->setToolTip("Add the chosen effect to the group");
    Remove = new QAction("Remove", this);
    Remove->setObjectName("Remove");
    Remove->setIcon(style()->standardIcon(QStyle::SP_DialogDiscardButton));
    Remove->setToolTip("Remove the chosen entry from the group");
    Save = new QAction("Save", this);
    Save->setObjectName("Save");
    AddEffect = toolButton(AddList, "AddEffect");
    ToolButton2 = toolButton(Remove, "ToolButton2");
    OrderUp = new QToolButton;
    OrderUp->setObjectName("OrderUp");
    OrderUp->setArrowType(Qt::UpArrow);
    OrderUp->setToolTip("Move the chosen entry up");
    OrderDown = new QToolButton;
    OrderDown->setObjectName("OrderDown");
    OrderDown->setArrowType(Qt::DownArrow);
    OrderDown->setToolTip("Move the chosen entry down");
    LoadButton = new QPushButton("Load");
    LoadButton->setObjectName("LoadButton");
    SaveButton = new QPushButton("Save");
    SaveButton->setObjectName("SaveButton");
    CloseButton = new QPushButton("Close");
    CloseButton->setObjectName("CloseButton");

    // Left: the effects folder and the chosen effect's description; right: the group.
    auto* left = new QWidget;
    {
        auto* l = new QVBoxLayout(left);
        l->setContentsMargins(0, 0, 0, 0);
        l->addWidget(new QLabel("Effects"));
        l->addWidget(TreeView1, 1);
        l->addWidget(new QLabel("Description"));
        l->addWidget(Memo1);
    }
    auto* right = new QWidget;
    {
        auto* l = new QGridLayout(right);
        l->setContentsMargins(0, 0, 0, 0);
        l->addWidget(new QLabel("Name"), 0, 0);
        l->addWidget(GroupName, 0, 1, 1, 2);
        l->addWidget(EffectList, 1, 0, 1, 2);
        auto* order = new QVBoxLayout;
        order->addWidget(OrderUp);
        order->addWidget(OrderDown);
        order->addStretch();
        l->addLayout(order, 1, 2);
        l->setRowStretch(1, 1);
    }
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(AddEffect);
    middle->addWidget(ToolButton2);
    middle->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(left, 1);
    body->addLayout(middle);
    body->addWidget(right, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {LoadButton, SaveButton, CloseButton}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);

    connect(TreeView1, &QTreeWidget::currentItemChanged, this, &TEfxGroup::TreeView1Click);
    connect(TreeView1, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item && item->childCount() == 0 && AddList->isEnabled()) AddListExecute();
    });
    connect(EffectList, &QListWidget::currentRowChanged, this, &TEfxGroup::updateActions);
    connect(GroupName, &QLineEdit::textChanged, this, &TEfxGroup::updateActions);
    connect(AddList, &QAction::triggered, this, &TEfxGroup::AddListExecute);
    connect(Remove, &QAction::triggered, this, &TEfxGroup::RemoveExecute);
    connect(Save, &QAction::triggered, this, &TEfxGroup::SaveExecute);
    connect(SaveButton, &QPushButton::clicked, Save, &QAction::trigger);
    connect(OrderUp, &QToolButton::clicked, this, &TEfxGroup::OrderUpClick);
    connect(OrderDown, &QToolButton::clicked, this, &TEfxGroup::OrderDownClick);
    connect(LoadButton, &QPushButton::clicked, this, &TEfxGroup::LoadButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    AddList->setEnabled(false);
    updateActions();
}

QString TEfxGroup::effectsFolder() const { return context().folders().effects; }

QString TEfxGroup::relativePath(const QTreeWidgetItem* item) {
    QStringList parts;
    for (; item; item = item->parent()) parts.prepend(item->text(0));
    return parts.join('\\');
}

EffectGroup TEfxGroup::group() const {
    EffectGroup g;
    g.name = GroupName->text().toStdString();
    for (int i = 0; i < EffectList->count(); ++i)
        g.members.push_back(EffectList->item(i)->data(Qt::UserRole).toString().toStdString());
    return g;
}

void TEfxGroup::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        // Every showing starts afresh, from the folder as it is now.
        Memo1->clear();
        GroupName->clear();
        EffectList->clear();
        fillTree();
        AddList->setEnabled(false);
        updateActions();
    }
    ToolWindow::showEvent(event);
}

void TEfxGroup::fillTree() {
    TreeView1->clear();
    addEntries(scanEffectsFolder(effectsFolder().toStdString(), ".fxl"), nullptr, TreeView1);
}

void TEfxGroup::TreeView1Click() {
    Memo1->clear();
    QTreeWidgetItem* item = TreeView1->currentItem();
    bool addable = false;
    if (item && item->childCount() == 0 && !item->data(0, Qt::UserRole).toBool()) {
        const GroupMember m = findGroupMember(effectsFolder().toStdString(), relativePath(item).toStdString());
        if (m.state == MemberState::found) {
            QStringList lines;
            for (const std::string& l : effectFileDescription(m.path)) lines << fromSongText(l);
            Memo1->setPlainText(lines.join('\n'));
            addable = true;
        }
    }
    AddList->setEnabled(addable);
}

void TEfxGroup::appendMember(const QString& line) {
    auto* item = new QListWidgetItem(line.section(QRegularExpression(R"([\\/])"), -1));
    item->setData(Qt::UserRole, line);
    item->setToolTip(line);
    EffectList->addItem(item);
}

void TEfxGroup::AddListExecute() {
    QTreeWidgetItem* item = TreeView1->currentItem();
    if (!item || !AddList->isEnabled()) return;
    const QString line = relativePath(item);
    appendMember(line);
    if (GroupName->text().isEmpty()) GroupName->setText(QFileInfo(line.section('\\', -1)).completeBaseName());
    updateActions();
}

void TEfxGroup::RemoveExecute() {
    const int row = EffectList->currentRow();
    if (row < 0) return;
    delete EffectList->takeItem(row);
    if (EffectList->count() == 0) GroupName->clear();
    updateActions();
}

void TEfxGroup::moveSelected(int step) {
    const int row = EffectList->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= EffectList->count()) return;
    QListWidgetItem* item = EffectList->takeItem(row);
    EffectList->insertItem(to, item);
    EffectList->setCurrentRow(to);
    updateActions();
}

void TEfxGroup::OrderUpClick() { moveSelected(-1); }
void TEfxGroup::OrderDownClick() { moveSelected(1); }

void TEfxGroup::SaveExecute() {
    updateActions();
    if (!Save->isEnabled()) return;
    QString path = prompts().saveFileName(this, effectsFolder() + GroupName->text(), kGroupFilter);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += ".fxg";
    try {
        saveEffectGroup(path.toStdString(), group());
    } catch (const std::exception& e) {
        context().reportError(QString::fromStdString(e.what()));
    }
}

void TEfxGroup::LoadButtonClick() {
    const QString path = prompts().openFileName(this, effectsFolder() + GroupName->text(), kGroupFilter);
    if (path.isEmpty()) return;
    EffectGroup loaded;
    try {
        loaded = loadEffectGroup(path.toStdString());
    } catch (const std::exception& e) {
        // A file that is no group changes nothing here.
        context().reportError(QFileInfo(path).fileName() + ": " + QString::fromStdString(e.what()));
        return;
    }
    EffectList->clear();
    GroupName->setText(QString::fromStdString(loaded.name));
    for (const std::string& member : loaded.members) {
        const QString line = QString::fromStdString(member);
        const GroupMember m = findGroupMember(effectsFolder().toStdString(), member);
        if (m.state == MemberState::found) {
            // Written back with backslashes, whatever separator the file had.
            appendMember(QString(line).replace('/', '\\'));
        } else if (m.state == MemberState::outside) {
            prompts().message(this, QMessageBox::Warning, QString::fromStdString(std::string(kGroupOutside)) + line,
                              QMessageBox::Ok);
        } else {
            prompts().message(this, QMessageBox::Warning, "File NOT Found:\n" + effectsFolder() + line, QMessageBox::Ok);
        }
    }
    updateActions();
}

void TEfxGroup::updateActions() {
    const int row = EffectList->currentRow();
    const int count = EffectList->count();
    Remove->setEnabled(row >= 0);
    OrderUp->setEnabled(row > 0);
    OrderDown->setEnabled(row >= 0 && row < count - 1);
    Save->setEnabled(!GroupName->text().isEmpty() && count > 0);
    SaveButton->setEnabled(Save->isEnabled());
}
