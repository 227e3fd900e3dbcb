// The event list window and its add/edit dialog, driven as a user would: over a bare song with
// a fake editor context, and inside the whole editor for the menu command, undo and the grid.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include "eventlist/uniform_list_view.h"
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>

#include "eventlist/addeventwin.h"
#include "eventlist/event_list_model.h"
#include "eventlist/eventform.h"
#include "eventlist/list_widgets.h"
#include "fake_context.h"
#include "gui_fixture.h"
#include "host/tool_host.h"
#include "song/song.h"

using namespace guitest;
using tonvela::anyEvent;
using tonvela::EventPage;

namespace {

// A window over a bare song (pianoAndBass: tracks 0 conductor, 1 Piano, 2 Bass), every grid row
// and bar selected, with prompts and dialogs answered by the test.
class EventListWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        UiPrompts::install(&prompts);
        context.folders_.settings = dir.path() + "/";
        context.loadSong(pianoAndBass());
        form = std::make_unique<TEventForm>(context);
        context.tools.push_back(form.get());
        form->show();
    }
    void TearDown() override {
        form.reset();
        UiPrompts::install(nullptr);
    }

    QStringList lines() const {
        QStringList out;
        for (int r = 0; r < form->model()->rowCount(); ++r) out << form->model()->lineAt(r);
        return out;
    }
    int rowOf(const QString& prefix) const {
        const QStringList l = lines();
        for (int r = 0; r < l.size(); ++r)
            if (l[r].startsWith(prefix)) return r;
        return -1;
    }
    void selectRow(int row) {
        ASSERT_GE(row, 0);
        form->ListBox1->setCurrentIndex(form->model()->index(row));
    }
    QString selectedLine() const {
        const anyEvent* e = form->selectedEvent();
        return e ? form->model()->lineAt(form->model()->list().rowOf(e)) : QString();
    }
    // The next dialog gets `fill` run on it and is confirmed with its Add/Modify button.
    void answerDialog(std::function<void(TAddEvent&)> fill) {
        prompts.onDialog = [this, fill](QDialog* d) {
            auto* dialog = dynamic_cast<TAddEvent*>(d);
            EXPECT_NE(dialog, nullptr);
            if (!dialog) return int(QDialog::Rejected);
            seen = dialog->windowTitle() + "|" + dialog->Add->text() + "|" +
                   dialog->EventType->tabText(dialog->EventType->currentIndex());
            fill(*dialog);
            dialog->Add->click();
            return dialog->result();
        };
    }
    tonvela::midiSong& song() { return *context.song_; }

    QTemporaryDir dir;
    ScriptedPrompts prompts;
    FakeEditorContext context;
    std::unique_ptr<TEventForm> form;
    QString seen;  // caption, button and page of the last dialog
};

}  // namespace

TEST_F(EventListWindow, ShowsTheSelectionInTimeOrderAndFollowsTheTrackChoice) {
    EXPECT_EQ(form->windowTitle(), "Events");
    EXPECT_EQ(form->model()->rowCount(), 21) << "19 events of Piano, 2 of Bass";
    const QStringList l = lines();
    EXPECT_EQ(l[0], "001:01:000 Track Name:<Piano>");
    EXPECT_EQ(l[3], "001:01:000 Track Name:<Bass>") << "tracks merge by time and creation";
    EXPECT_EQ(l.last(), "003:01:000 Chn = 01 Note ON:Key 064[ E 4] Vel = 100 Dur = 0480");
    EXPECT_EQ(form->TrackComboBox->count(), 3);
    EXPECT_EQ(form->TrackComboBox->currentIndex(), 1) << "the top selected track";
    EXPECT_EQ(form->TrackComboBox->itemText(2), "Bass");

    // Nothing selected: nothing to edit or delete, but Add works (at the selection's start).
    EXPECT_TRUE(form->AddNew->isEnabled());
    EXPECT_FALSE(form->EditButton->isEnabled());
    EXPECT_FALSE(form->DeleteButton->isEnabled());
    selectRow(5);
    EXPECT_TRUE(form->AddNew->isEnabled());
    EXPECT_TRUE(form->EditButton->isEnabled());

    form->TrackComboBox->setCurrentIndex(0);
    Q_EMIT form->TrackComboBox->activated(0);
    EXPECT_EQ(form->listedTrack(), 0);
    EXPECT_EQ(lines().first(), "001:01:000 Track Name:<Song>");

    // A selection change elsewhere lists the selection again.
    context.setSelection({2, 2, 0, 7});
    EXPECT_EQ(form->listedTrack(), -1);
    EXPECT_EQ(form->TrackComboBox->currentIndex(), 2);
    EXPECT_EQ(lines(), (QStringList{"001:01:000 Track Name:<Bass>",
                                    "001:01:000 Chn = 03 Note ON:Key 036[ C 2] Vel = 100 Dur = 0480"}));
}

TEST_F(EventListWindow, CopyPutsTheShownLinesWithCrLfAndNoTrailingBlanks) {
    context.setSelection({2, 2, 0, 0});
    const QString expected = "001:01:000 Track Name:<Bass>\r\n"
                             "001:01:000 Chn = 03 Note ON:Key 036[ C 2] Vel = 100 Dur = 0480";
    EXPECT_EQ(form->copyText(), expected);
    form->Copy1->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), expected);
    // A line that ends in a blank (pitch bends do) loses it.
    tonvela::anyEvent* bend = new tonvela::PitchBendEvent(0, 0xE2);
    song().track(2)->addEvent(bend, true, false);
    context.refreshTools();
    EXPECT_TRUE(form->copyText().endsWith("PitchBend:Value     0")) << form->copyText().toStdString();
}

TEST_F(EventListWindow, AddANoteFromTheDialogAndUndoIt) {
    selectRow(rowOf("001:01:160"));
    answerDialog([](TAddEvent& d) {
        EXPECT_EQ(d.FromBar->text(), "1");
        EXPECT_EQ(d.FromTickEdit->text(), "160");
        EXPECT_EQ(d.Edit1->text(), "61");
        EXPECT_EQ(d.NoteName->text(), " C#4");
        d.FromBeat->setText("4");
        d.FromTickEdit->setText("0");
        d.NoteUpDown3->setValue(0);  // key 0 is a key
        d.VelocityEdit1->setText("0");  // velocity 0 would be a note off
        d.DurationEdit1->setText("30");
    });
    const int before = form->model()->rowCount();
    form->AddButton->click();
    EXPECT_EQ(seen, "Add Event|Add|Note");
    EXPECT_EQ(form->model()->rowCount(), before + 1);
    EXPECT_EQ(selectedLine(), "001:04:000 Chn = 01 Note ON:Key 000[ C-1] Vel = 001 Dur = 0030");
    EXPECT_EQ(song().track(1)->undoLabel(), "Add Note");
    EXPECT_GE(context.edits, 1);

    EXPECT_TRUE(context.undo(1));
    EXPECT_EQ(form->model()->rowCount(), before);
    EXPECT_EQ(rowOf("001:04:000 Chn = 01 Note ON:Key 000"), -1);
}

TEST_F(EventListWindow, EditANoteAndAControllerKeepingTheLineSelected) {
    selectRow(rowOf("002:01:000 Chn = 01 Note ON:Key 060"));
    answerDialog([](TAddEvent& d) {
        EXPECT_FALSE(d.EventType->isTabEnabled(1)) << "the page of an edit is fixed";
        EXPECT_TRUE(d.EventType->isTabEnabled(0));
        d.FromBar->setText("3");
        d.FromBeat->setText("2");
        d.VelocityEdit1->setText("300");
        d.ChannelUpDown2->setValue(4);
    });
    form->EditButton->click();
    EXPECT_EQ(seen, "Edit Event|Modify|Note");
    EXPECT_EQ(selectedLine(), "003:02:000 Chn = 04 Note ON:Key 060[ C 4] Vel = 127 Dur = 0240");
    EXPECT_EQ(song().track(1)->undoLabel(), "Modity Note");
    EXPECT_TRUE(song().track(1)->isSorted());

    selectRow(rowOf("002:01:240 Chn = 01 Ctrl Chg"));
    answerDialog([](TAddEvent& d) {
        EXPECT_EQ(d.ControlNoComboBox->currentIndex(), 7);
        EXPECT_EQ(d.ControlValEdit2->text(), "90");
        d.ControlNoComboBox->setCurrentIndex(11);
        d.ControlValEdit2->setText("64");
    });
    form->ActionEdit->trigger();
    EXPECT_EQ(seen, "Edit Event|Modify|Control Change");
    EXPECT_EQ(selectedLine(), "002:01:240 Chn = 01 Ctrl Chg:Data  64 Expression(11)");
    EXPECT_EQ(song().track(1)->undoLabel(), "Modify Control");

    // Undo through the editor, one step at a time.
    ASSERT_TRUE(context.undo(1));
    EXPECT_NE(rowOf("002:01:240 Chn = 01 Ctrl Chg:Data  90 Main Volume(7)"), -1);
    ASSERT_TRUE(context.undo(1));
    EXPECT_NE(rowOf("002:01:000 Chn = 01 Note ON:Key 060[ C 4] Vel = 100 Dur = 0240"), -1);
}

TEST_F(EventListWindow, DeleteSelectsTheNextLineOrTheNewLastOne) {
    const int last = form->model()->rowCount() - 1;
    selectRow(last);
    form->DeleteButton->click();
    EXPECT_EQ(song().track(1)->undoLabel(), "Delete Event");
    EXPECT_EQ(form->model()->rowCount(), last);
    EXPECT_EQ(form->ListBox1->currentIndex().row(), last - 1);
    EXPECT_TRUE(form->ActionDelete->isEnabled());

    selectRow(2);
    const QString third = lines()[3];
    form->ActionDelete->trigger();
    EXPECT_EQ(selectedLine(), third);
    ASSERT_TRUE(context.undo(1));
    ASSERT_TRUE(context.undo(1));
    EXPECT_EQ(form->model()->rowCount(), last + 1);
}

TEST_F(EventListWindow, AMarkerGoesToTrack0AndTheListFollowsIt) {
    context.setSelection({2, 2, 0, 7});
    selectRow(1);  // the Bass note
    answerDialog([](TAddEvent& d) {
        d.EventType->setCurrentIndex(static_cast<int>(EventPage::meta));
        d.MetaType->setCurrentIndex(0);
        d.MetaText->setText("Intro");
    });
    form->AddNew->trigger();
    EXPECT_EQ(prompts.texts(), QStringList{"Event added to Track 0"});
    EXPECT_EQ(form->TrackComboBox->currentIndex(), 0);
    EXPECT_EQ(form->listedTrack(), 0);
    EXPECT_EQ(selectedLine(), "001:01:000 Marker:<Intro>");
    EXPECT_EQ(song().track(0)->undoLabel(), "Add metaEvent");
    EXPECT_EQ(song().track(2)->undoCount(), 0);

    // Its text edited, then undone: the old text is back.
    answerDialog([](TAddEvent& d) {
        EXPECT_EQ(d.MetaText->text(), "Intro");
        d.MetaText->setText("Verse");
    });
    form->ActionEdit->trigger();
    EXPECT_EQ(seen, "Edit Event|Modify|MetaEvent");
    EXPECT_EQ(selectedLine(), "001:01:000 Marker:<Verse>");
    ASSERT_TRUE(context.undo(0));
    EXPECT_EQ(form->listedTrack(), -1) << "an undo elsewhere lists the selection again";
    form->TrackComboBoxChange(0);
    EXPECT_NE(rowOf("001:01:000 Marker:<Intro>"), -1);
    EXPECT_EQ(rowOf("001:01:000 Marker:<Verse>"), -1);
}

// A track with nothing in the selected bars lists no line; Add still gives it its first event,
// at the start of the selection, on the track's channel. Without bars there is nowhere to add.
TEST_F(EventListWindow, AddWithNoLineGivesATrackWithoutEventsItsFirstOne) {
    context.setSelection({2, 2, 3, 4});  // Bass, bars 4-5: nothing there
    ASSERT_EQ(form->model()->rowCount(), 0);
    ASSERT_TRUE(form->AddNew->isEnabled());
    answerDialog([](TAddEvent& d) {
        EXPECT_EQ(d.FromBar->text(), "4");
        EXPECT_EQ(d.FromBeat->text(), "1");
        EXPECT_EQ(d.FromTickEdit->text(), "0");
        EXPECT_EQ(d.Channel->text(), "3");
        d.EventType->setCurrentIndex(static_cast<int>(EventPage::control));
        d.ControlNoComboBox->setCurrentIndex(7);
        d.ControlValEdit2->setText("80");
    });
    form->AddButton->click();
    EXPECT_EQ(seen, "Add Event|Add|Note");
    EXPECT_EQ(lines(), QStringList{"004:01:000 Chn = 03 Ctrl Chg:Data  80 Main Volume(7)"});
    EXPECT_EQ(selectedLine(), lines().value(0));
    EXPECT_EQ(song().track(2)->undoLabel(), "Add Control");

    // The conductor track chosen in the list takes a marker without being asked where.
    form->TrackComboBox->setCurrentIndex(0);
    Q_EMIT form->TrackComboBox->activated(0);
    form->ListBox1->clearSelection();
    answerDialog([](TAddEvent& d) {
        d.EventType->setCurrentIndex(static_cast<int>(EventPage::meta));
        d.MetaText->setText("Bridge");
    });
    form->AddNew->trigger();
    EXPECT_TRUE(prompts.texts().isEmpty());
    EXPECT_EQ(song().track(0)->undoLabel(), "Add metaEvent");
    EXPECT_NE(rowOf("004:01:000 Marker:<Bridge>"), -1);

    context.selection_ = {2, 2, 0, -1};  // no bars
    form->refreshFromEditor();
    EXPECT_FALSE(form->AddNew->isEnabled());
}

TEST_F(EventListWindow, AProgramChangeWithBankSelectsAndItsPrefill) {
    selectRow(rowOf("002:02:000 Text:<hi>"));
    answerDialog([](TAddEvent& d) {
        EXPECT_EQ(d.EventType->currentIndex(), static_cast<int>(EventPage::meta));
        d.FromBeat->setText("3");
        d.EventType->setCurrentIndex(static_cast<int>(EventPage::program));
        d.ProgramNoComboBox1->setCurrentIndex(48);
        d.BankSelectMSBCheckBox1->setChecked(true);
        d.MSBValEdit1->setText("8");
        d.BankSelectLSBCheckBox1->setChecked(true);
        d.LSBValEdit2->setText("3");
        EXPECT_EQ(d.MSBOffsetEdit1->text(), "-10");
        EXPECT_EQ(d.LSBOffsetEdit1->text(), "-5");
    });
    form->AddNew->trigger();
    EXPECT_EQ(song().track(1)->undoLabel(), "Add ProgramChange");
    const int pc = form->ListBox1->currentIndex().row();
    EXPECT_EQ(lines()[pc], "002:03:000 Chn = 01 Prog Chg:Prog No  48 String Emsemble1");
    EXPECT_TRUE(lines()[pc - 2].endsWith("Ctrl Chg:Data   8 Bank Select MSB(0)")) << lines()[pc - 2].toStdString();
    EXPECT_TRUE(lines()[pc - 1].endsWith("Ctrl Chg:Data   3 Bank Select LSB(32)"));

    // Opening Edit on it reads the bank values from the two lines above.
    answerDialog([](TAddEvent& d) {
        EXPECT_EQ(d.EventType->currentIndex(), static_cast<int>(EventPage::program));
        EXPECT_EQ(d.ProgramNoComboBox1->currentIndex(), 48);
        EXPECT_EQ(d.MSBValEdit1->text(), "8");
        EXPECT_EQ(d.LSBValEdit2->text(), "3");
    });
    form->ActionEdit->trigger();
}

TEST_F(EventListWindow, APositionPastTheSongKeepsTheDialogOpenAndChangesNothing) {
    selectRow(5);
    const QStringList before = lines();
    prompts.onDialog = [](QDialog* d) {
        auto* dialog = static_cast<TAddEvent*>(d);
        dialog->FromBar->setText("99999999");
        dialog->FromTickEdit->setText("0");
        dialog->Add->click();
        EXPECT_FALSE(dialog->isVisible() && dialog->result() == QDialog::Accepted);
        EXPECT_EQ(dialog->result(), QDialog::Rejected) << "still open for another try";
        return dialog->result();
    };
    form->AddNew->trigger();
    EXPECT_EQ(context.errors, QStringList{"Position out of range: 99999999:1:0"});
    EXPECT_EQ(lines(), before);
    for (int t = 0; t < song().trackCount(); ++t) EXPECT_EQ(song().track(t)->undoCount(), 0);
}

TEST_F(EventListWindow, EventsWithoutAPageOpenOnCantEdit) {
    form->TrackComboBox->setCurrentIndex(0);
    Q_EMIT form->TrackComboBox->activated(0);
    selectRow(rowOf("001:01:000 Tempo"));
    prompts.onDialog = [](QDialog* d) {
        auto* dialog = static_cast<TAddEvent*>(d);
        EXPECT_EQ(dialog->page(), EventPage::cantEdit);
        EXPECT_TRUE(dialog->EventType->currentWidget()->isAncestorOf(dialog->CantEditLabel));
        EXPECT_EQ(dialog->CantEditLabel->text(), "Can't modify");
        EXPECT_FALSE(dialog->Add->isEnabled()) << "nothing to add on this page";
        // Another page can be chosen when adding.
        dialog->EventType->setCurrentIndex(static_cast<int>(EventPage::control));
        EXPECT_TRUE(dialog->Add->isEnabled());
        return int(QDialog::Rejected);
    };
    form->AddNew->trigger();
    // Editing it can still move it.
    answerDialog([](TAddEvent& d) {
        EXPECT_TRUE(d.Add->isEnabled());
        EXPECT_FALSE(d.ChannelUpDown2->isEnabled()) << "a meta event has no channel";
        d.FromBeat->setText("2");
    });
    form->ActionEdit->trigger();
    EXPECT_EQ(seen, "Edit Event|Modify|Can't Edit");
    EXPECT_EQ(song().track(0)->undoLabel(), "Modify Event");
    EXPECT_EQ(selectedLine(), "001:02:000 Tempo = 500000 usec/beat");
}

TEST_F(EventListWindow, TheDialogsKeyFiltersAndChannelRule) {
    TAddEvent d(TAddEvent::Mode::add);
    auto type = [](QWidget* w, const QString& keys) {
        for (QChar c : keys) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &press);
        }
    };
    d.FromBar->clear();
    type(d.FromBar, "1a2-");
    EXPECT_EQ(d.FromBar->text(), "12");
    d.MSBOffsetEdit1->clear();
    type(d.MSBOffsetEdit1, "-x7");
    EXPECT_EQ(d.MSBOffsetEdit1->text(), "-7");
    d.PitchBendEdit1->clear();
    type(d.PitchBendEdit1, "-100");
    EXPECT_EQ(d.PitchBendEdit1->text(), "-100");

    EXPECT_TRUE(d.Add->isEnabled());
    d.Channel->setText("");
    EXPECT_FALSE(d.Add->isEnabled());
    d.Channel->setText("16");
    EXPECT_TRUE(d.Add->isEnabled());
    d.Channel->setText("0");
    EXPECT_FALSE(d.Add->isEnabled());

    // Defaults of the pages.
    TAddEvent fresh(TAddEvent::Mode::add);
    const tonvela::EventFields f = fresh.fields();
    EXPECT_EQ((std::vector<int>{f.bar, f.beat, f.tick, f.channel, f.key, f.velocity, f.duration}),
              (std::vector<int>{1, 1, 0, 1, 1, 1, 1}));
    EXPECT_EQ(fresh.ControlValEdit2->text(), "1");
    EXPECT_EQ(fresh.PitchBendEdit1->text(), "0");
    EXPECT_EQ(fresh.MetaType->currentText(), "Marker");
    EXPECT_FALSE(fresh.EventType->isTabVisible(static_cast<int>(EventPage::sysex)));
    EXPECT_FALSE(fresh.EventType->isTabVisible(static_cast<int>(EventPage::cantEdit)));
    fresh.NoteUpDown3->setValue(61);
    EXPECT_EQ(fresh.NoteName->text(), " C#4");
}

TEST_F(EventListWindow, LocatingAnEventSelectsItsLine) {
    const anyEvent* target = song().track(2)->at(1);
    context.locateEvent(target);
    EXPECT_EQ(form->selectedEvent(), target);
    EXPECT_EQ(selectedLine(), "001:01:000 Chn = 03 Note ON:Key 036[ C 2] Vel = 100 Dur = 0480");
    // An event that is not listed (the conductor track) changes nothing.
    context.locateEvent(song().track(0)->at(0));
    EXPECT_EQ(form->selectedEvent(), target);
}

TEST_F(EventListWindow, ThePlaceIsKeptInEvlistPrf) {
    form->move(40, 30);
    form->resize(500, 420);
    const QRect kept = form->geometry();
    form.reset();
    const QString path = dir.path() + "/evlist.prf";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.startsWith("0000\r\n")) << text.toStdString();
    EXPECT_EQ(text.count("\r\n"), 5);
    f.close();

    TEventForm again(context);
    EXPECT_EQ(again.size(), kept.size());

    // A newer file is refused with the message and changes nothing.
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("0001\r\n1\r\n2\r\n300\r\n200\r\n");
    f.close();
    TEventForm newer(context);
    EXPECT_NE(newer.size(), QSize(300, 200));
    EXPECT_EQ(prompts.texts(), QStringList{"Illegal data version.  Get latest version of MIDI Tonvela."});
}

TEST_F(EventListWindow, ListHelpersKeepASelectionAcrossARebuild) {
    QListWidget notes;
    const tonvela::Selection bars{1, 1, 0, 1};
    fillNoteList(&notes, song(), 1, bars);
    ASSERT_EQ(notes.count(), 14);
    EXPECT_EQ(notes.item(0)->text(), "001:01:000  C 4 100 0160");
    EXPECT_EQ(notes.currentRow(), 0);
    notes.setCurrentRow(13);
    const QString chosen = notes.currentItem()->text();
    fillNoteList(&notes, song(), 1, {1, 1, 1, 1});  // bar 2 only: the chosen note is still there
    EXPECT_EQ(notes.currentItem()->text(), chosen);
    fillNoteList(&notes, song(), 1, {1, 1, 0, 0});  // gone: the first line
    EXPECT_EQ(notes.currentRow(), 0);

    QComboBox names;
    fillTrackNames(&names, song());
    EXPECT_EQ(names.count(), 3);
    EXPECT_EQ(names.itemText(1), "Piano");

    // The event list keeps its line when the list is rebuilt around it.
    selectRow(rowOf("002:01:000 Chn = 01 Note ON"));
    const anyEvent* kept = form->selectedEvent();
    context.setSelection({1, 2, 1, 2});
    EXPECT_EQ(form->selectedEvent(), kept);
}

// ---- inside the editor ------------------------------------------------------------------------

TEST_F(EditorTest, TheEventListOpensFromTheWindowMenuAndFollowsTheEditor) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->updateActions();
    ASSERT_TRUE(w->ActionEventList->isEnabled());
    w->ActionEventList->trigger();
    auto* form = w->tools().find<TEventForm>();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->model()->rowCount(), 14) << "bar 1 of Piano: its name, the program change and 12 notes";

    // Piano and Bass, bars 1-2; the list is narrowed to Bass by the track choice.
    w->MIDIDrawGrid11->setSelection(1, 1, 2, 2);
    w->refreshSelectionViews();
    EXPECT_EQ(form->model()->rowCount(), 20) << "the note of bar 3 is not listed";
    form->TrackComboBox->setCurrentIndex(2);
    Q_EMIT form->TrackComboBox->activated(2);
    ASSERT_EQ(form->model()->rowCount(), 2);

    // An edit made in the window keeps its track choice.
    form->ListBox1->setCurrentIndex(form->model()->index(1));
    prompts.onDialog = [](QDialog* d) {
        auto* dialog = static_cast<TAddEvent*>(d);
        dialog->VelocityEdit1->setText("55");
        dialog->Add->click();
        return dialog->result();
    };
    form->ActionEdit->trigger();
    EXPECT_EQ(form->listedTrack(), 2);
    EXPECT_EQ(form->model()->lineAt(1), "001:01:000 Chn = 03 Note ON:Key 036[ C 2] Vel = 055 Dur = 0480");
    EXPECT_TRUE(w->songChanged());

    // Undo from the Edit menu (on the current track, Bass) reaches the list, which lists the
    // selection again.
    w->selectCell(2, 0);
    w->updateActions();
    ASSERT_TRUE(w->ActionUndo->isEnabled());
    EXPECT_EQ(w->ActionUndo->text(), "Undo <Modity Note>");
    w->ActionUndo->trigger();
    EXPECT_EQ(form->listedTrack(), -1);
    EXPECT_EQ(form->model()->lineAt(1), "001:01:000 Chn = 03 Note ON:Key 036[ C 2] Vel = 100 Dur = 0480");
    EXPECT_FALSE(w->songChanged());

    // Another song: the list shows that one.
    ASSERT_TRUE(w->openPath(writeSong("t.mid", tonvela::test::smf(1, {conductor(2), trackName("Solo")}))));
    EXPECT_EQ(form->TrackComboBox->itemText(1), "Solo");
    EXPECT_EQ(form->model()->lineAt(0), "001:01:000 Track Name:<Solo>");
}

// Ctrl+Z in the event list undoes the list's own newest edit, whichever track it went to: a marker
// it put into the conductor track (never a grid row, so the Edit menu cannot reach it) is taken
// back after a later note edit in Bass; Ctrl+Shift+Z and Ctrl+Y bring it back.
TEST_F(EditorTest, CtrlZInTheEventListUndoesItsOwnEditsWhereverTheyWent) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->MIDIDrawGrid11->setSelection(1, 1, 8, 2);  // Piano and Bass: Piano is the current track
    w->refreshSelectionViews();
    w->ActionEventList->trigger();
    auto* form = w->tools().find<TEventForm>();
    ASSERT_NE(form, nullptr);
    tonvela::midiSong& song = *w->song();
    auto markers = [&] {
        int n = 0;
        for (const anyEvent* e : song.track(0)->events()) n += e->kind() == tonvela::kindMarker;
        return n;
    };
    auto bassVelocity = [&] {
        for (const anyEvent* e : song.track(2)->events())
            if (e->kind() == tonvela::kindNote) return static_cast<const tonvela::NoteOnEvent*>(e)->velocity();
        return -1;
    };
    auto run = [&](std::function<void(TAddEvent&)> fill, QAction* command) {
        prompts.onDialog = [fill](QDialog* d) {
            auto* dialog = static_cast<TAddEvent*>(d);
            fill(*dialog);
            dialog->Add->click();
            return dialog->result();
        };
        command->trigger();
    };

    form->ListBox1->setCurrentIndex(form->model()->index(0));
    prompts.answers = {QMessageBox::Ok};
    run([](TAddEvent& d) {
        d.EventType->setCurrentIndex(static_cast<int>(EventPage::meta));
        d.MetaText->setText("Coda");
    }, form->AddNew);
    ASSERT_EQ(markers(), 1);
    form->TrackComboBox->setCurrentIndex(2);
    Q_EMIT form->TrackComboBox->activated(2);
    form->ListBox1->setCurrentIndex(form->model()->index(1));
    run([](TAddEvent& d) { d.VelocityEdit1->setText("33"); }, form->ActionEdit);
    ASSERT_EQ(bassVelocity(), 33);
    w->updateActions();
    EXPECT_FALSE(w->ActionUndo->isEnabled()) << "the Edit menu acts on Piano, which has no step";

    ASSERT_TRUE(pressIn(form, Qt::Key_Z, Qt::ControlModifier));
    EXPECT_EQ(bassVelocity(), 100);
    EXPECT_EQ(markers(), 1);
    EXPECT_EQ(form->listedTrack(), 2) << "its own undo keeps the list on its track";
    ASSERT_TRUE(pressIn(form, Qt::Key_Z, Qt::ControlModifier));
    EXPECT_EQ(markers(), 0);
    EXPECT_TRUE(song.track(0)->journal.empty());
    ASSERT_TRUE(pressIn(form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier));
    EXPECT_EQ(markers(), 1);
    ASSERT_TRUE(pressIn(form, Qt::Key_Y, Qt::ControlModifier));
    EXPECT_EQ(bassVelocity(), 33);
    // The main window's own keys are its own: Ctrl+Z there still acts on the current track.
    ASSERT_TRUE(pressIn(w, Qt::Key_Z, Qt::ControlModifier));
    EXPECT_EQ(bassVelocity(), 33);
    EXPECT_EQ(markers(), 1);
}
