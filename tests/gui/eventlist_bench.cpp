// Figures for the event list with the generated song of about 3 million events (run by hand;
// ctest does not):
//  1. opening the song in the editor, against opening the event list of the whole song (every
//     grid row and bar) to its first lines drawn, each in a fresh process;
//  2. heap bytes per listed event that the open list costs beyond the song;
//  3. repaints while scrolling, the lookup of an event's line, the rebuild after a refresh.
// Usage: tonvela_eventlist_bench   (QT_QPA_PLATFORM=offscreen without a display)

#include <malloc.h>
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include "eventlist/uniform_list_view.h"
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "application.h"
#include "eventlist/event_list_model.h"
#include "eventlist/eventform.h"
#include "generated_song.h"
#include "host/tool_host.h"
#include "mainwin.h"
#include "prompts.h"
#include "song/song.h"

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

size_t heapBytes() {
    struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

double msSince(const QElapsedTimer& t) { return t.nsecsElapsed() / 1e6; }

// Processor time of the whole process (the song is read on a helper thread): on a busy machine
// it shows the work done where wall time shows the waiting too.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

class SilentPrompts : public UiPrompts {
public:
    QMessageBox::StandardButton message(QWidget*, QMessageBox::Icon, const QString&,
                                        QMessageBox::StandardButtons) override {
        return QMessageBox::No;
    }
};

// An editor on screen with the song open (not timed unless asked).
struct Editor {
    SilentPrompts quiet;
    QTemporaryDir settings;
    std::unique_ptr<TonvelaApp> app;
    TMIDIPollimoMain* w = nullptr;
    double openMs = 0, openCpuMs = 0;

    explicit Editor(const QString& path) {
        UiPrompts::install(&quiet);
        app = std::make_unique<TonvelaApp>(AppFolders{settings.path() + "/", settings.path() + "/Effects/", {}}, QString());
        w = app->MIDIPollimoMain();
        w->resize(1280, 800);
        w->show();
        w->firstShow();
        QCoreApplication::processEvents();
        const double cpu0 = cpuMs();
        QElapsedTimer t;
        t.start();
        w->openPath(path);
        w->repaint();
        openMs = msSince(t);
        openCpuMs = cpuMs() - cpu0;
    }
    ~Editor() {
        app.reset();
        UiPrompts::install(nullptr);
    }
};

int childOpen(const QString& path) {
    Editor e(path);
    std::printf("%.3f %.3f\n", e.openMs, e.openCpuMs);
    return 0;
}

int childList(const QString& path) {
    Editor e(path);
    TMIDIPollimoMain* w = e.w;
    w->setSelection(tonvela::Selection::wholeSong(*w->song()));
    QCoreApplication::processEvents();
    size_t events = 0;
    for (const auto& t : w->song()->tracks) events += static_cast<size_t>(t->countEvents());

    malloc_trim(0);
    const size_t heap0 = heapBytes();
    const double cpu0 = cpuMs();
    QElapsedTimer t;
    t.start();
    w->ActionEventList->trigger();
    auto* form = w->tools().find<TEventForm>();
    QCoreApplication::processEvents();
    form->ListBox1->viewport()->repaint();
    const double firstLines = msSince(t);
    const double firstLinesCpu = cpuMs() - cpu0;
    const size_t heap1 = heapBytes();
    const int rows = form->model()->rowCount();
    const bool drawn = form->ListBox1->indexAt(QPoint(2, 2)).row() == 0;

    // Scrolling: page steps from the top, then jumps to far places, one repaint each.
    QScrollBar* bar = form->ListBox1->verticalScrollBar();
    std::vector<double> paints;
    for (int i = 0; i < 100; ++i) {
        bar->setValue(i < 50 ? bar->value() + bar->pageStep()
                             : static_cast<int>(static_cast<int64_t>(bar->maximum()) * ((i * 7919) % 100) / 100));
        QElapsedTimer p;
        p.start();
        form->ListBox1->viewport()->repaint();
        paints.push_back(msSince(p));
    }
    // The line of an event found from elsewhere (the data checker's way).
    std::vector<double> lookups;
    for (int i = 1; i <= 50; ++i) {
        const tonvela::anyEvent* ev = form->model()->eventAt(static_cast<int>(static_cast<int64_t>(rows) * i / 51));
        QElapsedTimer p;
        p.start();
        form->selectEventLine(ev);
        lookups.push_back(msSince(p));
        if (form->selectedEvent() != ev) std::fprintf(stderr, "lookup failed at %d\n", i);
    }
    // Every selection change and edit rebuilds the open list.
    std::vector<double> refreshes;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer p;
        p.start();
        w->refreshSelectionViews();
        refreshes.push_back(msSince(p));
    }
    // Literally every event, the conductor track included, straight into a model.
    malloc_trim(0);
    const size_t heap2 = heapBytes();
    EventListModel all;
    QElapsedTimer f;
    f.start();
    all.fill(*w->song(), 0, w->song()->trackCount() - 1, 0, -1);
    const double fillAll = msSince(f);
    const size_t heap3 = heapBytes();

    std::printf("%.3f %d %zu %.3f %d %.3f %.3f %.4f %.3f %.3f %d %.3f %.3f\n", firstLines, rows, events,
                static_cast<double>(heap1 - heap0) / rows, drawn ? 1 : 0, median(paints),
                *std::max_element(paints.begin(), paints.end()), median(lookups), median(refreshes), fillAll,
                all.rowCount(), static_cast<double>(heap3 - heap2) / all.rowCount(), firstLinesCpu);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 2 && std::string(argv[1]) == "--child-open") return childOpen(QString::fromLocal8Bit(argv[2]));
    if (argc > 2 && std::string(argv[1]) == "--child-list") return childList(QString::fromLocal8Bit(argv[2]));

    QTemporaryDir dir;
    const QString path = dir.path() + "/big.mid";
    {
        auto [format1, format0] = benchsong::bigSong();
        std::ofstream(path.toStdString(), std::ios::binary)
            .write(reinterpret_cast<const char*>(format1.bytes.data()), static_cast<std::streamsize>(format1.bytes.size()));
        std::printf("song: %zu messages in the file, %d tracks\n", format1.events, benchsong::kTracks);
    }
    auto child = [&](const char* mode) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(), {mode, path});
        p.waitForFinished(300000);
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed().split(' ');
    };
    std::vector<double> opens, openCpus, firstCpus, firsts, perEvent, paintMed, paintMax, lookups, refreshes, fills, perEventAll;
    QStringList last;
    for (int run = 0; run < 3; ++run) {
        const QStringList open = child("--child-open");
        opens.push_back(open.value(0).toDouble());
        openCpus.push_back(open.value(1).toDouble());
        last = child("--child-list");
        if (last.size() < 13) {
            std::fprintf(stderr, "the list run failed\n");
            return 1;
        }
        firsts.push_back(last[0].toDouble());
        firstCpus.push_back(last[12].toDouble());
        perEvent.push_back(last[3].toDouble());
        paintMed.push_back(last[5].toDouble());
        paintMax.push_back(last[6].toDouble());
        lookups.push_back(last[7].toDouble());
        refreshes.push_back(last[8].toDouble());
        fills.push_back(last[9].toDouble());
        perEventAll.push_back(last[11].toDouble());
    }
    std::printf("events in the song: %s; listed (every grid row and bar): %s; first line drawn: %s\n",
                qPrintable(last[2]), qPrintable(last[1]), last[4] == "1" ? "yes" : "NO");
    std::printf("open the song in the editor (median of 3):  %8.1f ms  (processor %.1f ms)\n", median(opens),
                median(openCpus));
    std::printf("open the event list to its first lines:     %8.1f ms  (processor %.1f ms)\n", median(firsts),
                median(firstCpus));
    std::printf("  list / song, wall time %.2f, processor time %.2f  (target <= 1)\n", median(firsts) / median(opens),
                median(firstCpus) / median(openCpus));
    std::printf("heap per listed event beyond the song:      %8.2f B   (target <= 16)\n", median(perEvent));
    std::printf("repaint while scrolling: median %.2f ms, max %.2f ms\n", median(paintMed), median(paintMax));
    std::printf("line of an event found (selectEventLine):  %8.3f ms\n", median(lookups));
    std::printf("rebuild of the open list on a refresh:      %8.1f ms\n", median(refreshes));
    std::printf("every event incl. track 0 into a model:     %8.1f ms, %s rows, %.2f B/row\n", median(fills),
                qPrintable(last[10]), median(perEventAll));
    return 0;
}
