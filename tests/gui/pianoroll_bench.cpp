// Figures for the piano roll with a large song (run by hand; ctest does not): the benchmarks'
// song of about 3 million events (16 tracks), shown 64 bars x 16 tracks at a time in a
// 1280x800 window. "Refresh and redraw" is what follows every edit or selection change (the
// window takes the selection, finds the shown notes, repaints both panes); "redraw" is one
// repaint of both panes, as scrolling and zooming cause.
// Usage: tonvela_pianoroll_bench   (QT_QPA_PLATFORM=offscreen without a display)

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "big_song.h"
#include "fake_context.h"
#include "pianoroll/editwin.h"
#include "pianoroll/rolllane.h"
#include "pianoroll/rollplane.h"
#include "song/song.h"

namespace {

struct Figures {
    double median, max;
};

Figures figures(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.back()};
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

    std::vector<double> refreshes, redraws, zoomed;
    size_t shownNotes = 0;
    for (int i = 0; i < 60; ++i) {
        view((i * 37) % (bars - 64), 64);
        QElapsedTimer t;
        t.start();
        roll.refreshFromEditor();
        repaint();
        refreshes.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        repaint();
        redraws.push_back(t.nsecsElapsed() / 1e6);

        // Four bars of the 64 with the keys of two octaves: scrolled to the end of the range.
        roll.setView(roll.state().time.end - 4 * 1920, 4 * 1920, 48, 24);
        t.restart();
        repaint();
        zoomed.push_back(t.nsecsElapsed() / 1e6);
        roll.resetZoom();
        if (i == 0) roll.state().forEachNote(roll.state().time.start, roll.state().time.end, [&](int, auto*) { ++shownNotes; });
    }
    std::printf("shown: 64 bars x %d tracks, %zu notes; plane %dx%d, lane %dx%d\n", song.trackCount(), shownNotes,
                roll.Image1->width(), roll.Image1->height(), roll.ImageBottom->width(), roll.ImageBottom->height());
    const Figures r = figures(refreshes), d = figures(redraws), z = figures(zoomed);
    std::printf("refresh and redraw, 64 bars x 16 tracks: median %.2f ms, max %.2f ms\n", r.median, r.max);
    std::printf("redraw, 64 bars x 16 tracks:             median %.2f ms, max %.2f ms\n", d.median, d.max);
    std::printf("redraw, 4 bars x 2 octaves zoomed in:     median %.2f ms, max %.2f ms\n", z.median, z.max);

    // For comparison: the whole song at once.
    std::vector<double> whole;
    view(0, bars);
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        roll.refreshFromEditor();
        repaint();
        whole.push_back(t.nsecsElapsed() / 1e6);
    }
    const Figures w = figures(whole);
    std::printf("refresh and redraw, all %d bars x 16 tracks: median %.2f ms, max %.2f ms\n", bars, w.median, w.max);
    ctx.tools.clear();
    return 0;
}
