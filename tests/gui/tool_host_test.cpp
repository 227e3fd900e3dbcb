#include "gui_fixture.h"
#include "host/tool_host.h"
#include "host/tool_window.h"
#include "song/song.h"

using namespace guitest;

namespace {

// A tool window that records what the host told it.
class ProbeTool : public ToolWindow {
public:
    using ToolWindow::ToolWindow;
    void refreshFromEditor() override {
        ++refreshes;
        tonvela::midiSong* s = context().song();
        lastSelection = context().selection();
        trackCount = s ? s->trackCount() : -1;
    }
    void songReplaced() override { ++replaced; }
    void locateEvent(const tonvela::anyEvent* e) override { located = e; }

    int refreshes = 0, replaced = 0, trackCount = -1;
    tonvela::Selection lastSelection;
    const tonvela::anyEvent* located = nullptr;
};

}  // namespace

TEST_F(EditorTest, ToolWindowsAreMadeOnFirstOpenAndFollowEditsSelectionAndNewSongs) {
    TMIDIPollimoMain* w = start();
    int made = 0;
    auto* action = new QAction("Probe", w);
    w->tools().add("probe", action, [&made](EditorContext& c, QWidget* parent) {
        ++made;
        return new ProbeTool(c, parent);
    });
    w->updateActions();
    EXPECT_FALSE(action->isEnabled()) << "needs a song";
    EXPECT_EQ(w->tools().window("probe"), nullptr);

    ASSERT_TRUE(w->openPath(writeSong("s.mid", pianoAndBass())));
    w->updateActions();
    EXPECT_TRUE(action->isEnabled());
    action->trigger();
    action->trigger();
    EXPECT_EQ(made, 1);
    auto* probe = w->tools().find<ProbeTool>();
    ASSERT_NE(probe, nullptr);
    EXPECT_TRUE(probe->isVisible());
    EXPECT_EQ(probe->trackCount, 3);

    const int before = probe->refreshes;
    w->selectCell(2, 4);
    EXPECT_GT(probe->refreshes, before);
    EXPECT_EQ(probe->lastSelection, (tonvela::Selection{2, 2, 4, 4}));

    // An edit through the context reaches the window too.
    const int beforeEdit = probe->refreshes;
    static_cast<EditorContext*>(w)->songEdited();
    EXPECT_GT(probe->refreshes, beforeEdit);

    // Locating an event selects its cell and hands it to the tools.
    const tonvela::anyEvent* e = w->song()->track(1)->at(w->song()->track(1)->size() - 2);
    static_cast<EditorContext*>(w)->locateEvent(e);
    EXPECT_EQ(probe->located, e);
    EXPECT_EQ(w->selection().firstTrack, 1);
    EXPECT_EQ(w->selection().firstBar, e->bar);

    // Opening another song tells the window to forget the old one before it goes.
    ASSERT_TRUE(w->openPath(writeSong("t.mid", pianoAndBass())));
    EXPECT_GE(probe->replaced, 1);

    // A hidden window is not refreshed.
    probe->hide();
    const int hidden = probe->refreshes;
    w->selectCell(1, 0);
    EXPECT_EQ(probe->refreshes, hidden);
}

TEST_F(EditorTest, AToolsOwnConditionJoinsTheRulesOfItsCommand) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    bool xg = false;
    auto* action = new QAction("Conditional", w);
    ToolRules rules;
    rules.enabledWhen = [&xg] { return xg; };
    w->tools().add("conditional", action, [](EditorContext& c, QWidget* parent) { return new ProbeTool(c, parent); },
                   rules);
    w->updateActions();
    EXPECT_FALSE(action->isEnabled());
    xg = true;
    w->updateActions();
    EXPECT_TRUE(action->isEnabled());
}

namespace {

// A window that two commands open, told which one did.
class SharedTool : public ProbeTool {
public:
    using ProbeTool::ProbeTool;
    void opening(const QString& id) override { openedAs << id; }
    QStringList openedAs;
};

}  // namespace

TEST_F(EditorTest, TwoCommandsCanOpenOneWindowWhichLearnsWhichAndIsRefreshedOnce) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    int made = 0;
    auto* first = new QAction("First", w);
    auto* second = new QAction("Second", w);
    const auto make = [&](EditorContext& c, QWidget* parent) -> ToolWindow* {
        if (auto* existing = w->tools().find<SharedTool>()) return existing;
        ++made;
        return new SharedTool(c, parent);
    };
    w->tools().add("first", first, make);
    w->tools().add("second", second, make);
    w->updateActions();
    EXPECT_TRUE(second->isEnabled());
    second->trigger();
    first->trigger();
    EXPECT_EQ(made, 1);
    auto* tool = w->tools().find<SharedTool>();
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(w->tools().window("first"), w->tools().window("second"));
    EXPECT_EQ(tool->openedAs, (QStringList{"second", "first"}));
    const int before = tool->refreshes;
    static_cast<EditorContext*>(w)->songEdited();
    EXPECT_EQ(tool->refreshes, before + 1) << "one window, one refresh";
    const int replacedBefore = tool->replaced;
    ASSERT_TRUE(w->openPath(writeSong("t.mid", pianoAndBass())));
    EXPECT_EQ(tool->replaced, replacedBefore + 1);
}
