// Figures for the piano roll with a large song (run by hand; ctest does not): the benchmarks'
// song of about 3 million events (16 tracks), shown 64 bars x 16 tracks at a time in a
// 1280x800 window. "Refresh and redraw" is what follows every edit or selection change (the
// window takes the selection, finds the shown notes, repaints both panes); "redraw" is one
// repaint of both panes, as scrolling and zooming cause.
// Each figure is given as wall-clock time and as the CPU time of the drawing thread; on a busy
// machine the second is what the code costs.
// Usage: tonvela_pianoroll_bench   (QT_QPA_PLATFORM=offscreen without a display)

#include <QApplication>
#include <QElapsedTimer>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "generated_song.h"
#include "fake_context.h"
#include "pianoroll/editwin.h"
#include "pianoroll/rolllane.h"
#include "pianoroll/rollplane.h"
#include "song/song.h"

namespace {

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Wall-clock and CPU times of repeated runs.
struct Times {
    std::vector<double> wall, cpu;
    template <class F>
    void run(F&& f) {
        QElapsedTimer t;
        const double c = cpuMs();
        t.start();
        f();
        wall.push_back(t.nsecsElapsed() / 1e6);
        cpu.push_back(cpuMs() - c);
    }
};

void report(const char* what, Times times) {
    auto med = [](std::vector<double>& v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double wallMedian = med(times.wall), cpuMedian = med(times.cpu);
    std::printf("%-44s wall median %7.2f ms, max %7.2f ms | cpu median %7.2f ms, max %7.2f ms\n", what, wallMedian,
                times.wall.back(), cpuMedian, times.cpu.back());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    guitest::FakeEditorContext ctx;
    {
        const auto song = benchsong::bigSong().first;
        ctx.loadSong(song.bytes);
    }
    tonvela::midiSong& song = *ctx.song_;
    size_t events = 0;
    for (int i = 0; i < song.trackCount(); ++i) events += static_cast<size_t>(song.track(i)->countEvents());
    const int bars = static_cast<int>(song.barStarts.size()) - 1;
    std::printf("song: %d tracks, %zu events after pairing, %d bars\n", song.trackCount(), events, bars);

    TEditWindow roll(ctx);
    ctx.tools.push_back(&roll);
    roll.resize(1280, 800);
    roll.show();
    QCoreApplication::processEvents();

    auto view = [&](int firstBar, int count) {
        ctx.selection_ = {0, song.trackCount() - 1, firstBar, firstBar + count - 1};
    };
    auto repaint = [&] {
        roll.Image1->repaint();
        roll.ImageBottom->repaint();
    };

    Times refreshes, redraws, zoomed;
    size_t shownNotes = 0;
    for (int i = 0; i < 60; ++i) {
        view((i * 37) % (bars - 64), 64);
        refreshes.run([&] {
            roll.refreshFromEditor();
            repaint();
        });
        redraws.run(repaint);
        // Four bars of the 64 with the keys of two octaves, scrolled to the end of the range.
        roll.setView(roll.state().time.end - 4 * 1920, 4 * 1920, 48, 24);
        zoomed.run(repaint);
        roll.resetZoom();
        if (i == 0)
            roll.state().forEachNote(roll.state().time.start, roll.state().time.end, [&](int, auto*) { ++shownNotes; });
    }
    std::printf("shown: 64 bars x %d tracks, %zu notes; plane %dx%d, lane %dx%d\n", song.trackCount(), shownNotes,
                roll.Image1->width(), roll.Image1->height(), roll.ImageBottom->width(), roll.ImageBottom->height());
    report("refresh and redraw, 64 bars x 16 tracks:", refreshes);
    report("redraw, 64 bars x 16 tracks:", redraws);
    report("redraw, 4 bars x 2 octaves zoomed in:", zoomed);

    // For comparison: the whole song at once.
    Times whole;
    view(0, bars);
    for (int i = 0; i < 5; ++i)
        whole.run([&] {
            roll.refreshFromEditor();
            repaint();
        });
    report(("refresh and redraw, all " + std::to_string(bars) + " bars:").c_str(), whole);

    // A pitch-bend stroke across every bar of track 1 at sixteenths (a drag over the whole lane of
    // the whole song), then its undo.
    Times stroke, undo;
    tonvela::LaneStroke s;
    s.lane = {tonvela::LaneKind::pitchBend, 0};
    s.track = 1;
    s.channel = tonvela::newNoteChannel(*song.track(1));
    s.firstTrack = 1;
    s.lastTrack = 1;
    s.grid = song.timeBase / 4;
    s.allowed = {0, roll.state().time.end - 1};
    s.points = {{0, 0}, {roll.state().time.end - 1, 16383}};
    tonvela::StrokeResult r;
    for (int i = 0; i < 5; ++i) {
        stroke.run([&] { r = tonvela::drawLaneStroke(song, s); });
        undo.run([&] { song.track(1)->undo(); });
    }
    std::printf("stroke: %d values added, %d replaced\n", r.added, r.removed);
    report("pitch-bend stroke over all bars, track 1:", stroke);
    report("its undo:", undo);
    ctx.tools.clear();
    return 0;
}
