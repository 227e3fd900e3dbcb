// Figures for the editor with large songs (run by hand; ctest does not):
//  1. opening a song of about 3 million events to a drawn window, against loading the same
//     file with the core alone (what the command line does);
//  2. one full repaint of the bar grid of a 2,000-bar x 64-track song in a 1920x1080 window.
// Usage: tonvela_gui_bench [events-in-millions]   (QT_QPA_PLATFORM=offscreen without a display)

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "application.h"
#include "bargrid.h"
#include "mainwin.h"
#include "prompts.h"
#include "song/song.h"

namespace {

struct Writer {
    std::vector<uint8_t> body;
    uint32_t last = 0;
    void varLen(uint32_t v) { tonvela::ByteWriter(body).putVarLen(v); }
    void event(uint32_t time, std::initializer_list<uint8_t> bytes) {
        varLen(time - last);
        last = time;
        body.insert(body.end(), bytes);
    }
};

void putBE(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Format 1: a conductor track with tempo changes, then tracks of eighth notes with a
// controller and a pitch bend on every note. About 4 messages per note.
std::vector<uint8_t> makeSong(int tracks, int notesPerTrack) {
    std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    putBE(out, static_cast<uint32_t>(tracks + 1), 2);
    putBE(out, 480, 2);
    auto chunk = [&](Writer& w) {
        w.event(w.last, {0xFF, 0x2F, 0x00});
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        putBE(out, static_cast<uint32_t>(w.body.size()), 4);
        out.insert(out.end(), w.body.begin(), w.body.end());
    };
    Writer c;
    c.event(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});
    for (int bar = 0; bar < notesPerTrack / 8; bar += 16) c.event(static_cast<uint32_t>(bar) * 1920, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
    chunk(c);
    for (int t = 0; t < tracks; ++t) {
        Writer w;
        const uint8_t ch = static_cast<uint8_t>(t % 16);
        w.event(0, {0xFF, 0x03, 0x05, 'V', 'o', 'i', 'c', 'e'});
        w.event(0, {static_cast<uint8_t>(0xC0 | ch), static_cast<uint8_t>(t)});
        for (int i = 0; i < notesPerTrack; ++i) {
            const uint32_t at = static_cast<uint32_t>(i) * 240;
            const uint8_t key = static_cast<uint8_t>(48 + (i * 7 + t) % 36);
            w.event(at, {static_cast<uint8_t>(0xB0 | ch), 11, static_cast<uint8_t>(64 + i % 64)});
            w.event(at, {static_cast<uint8_t>(0xE0 | ch), 0, static_cast<uint8_t>(64 + i % 8)});
            w.event(at, {static_cast<uint8_t>(0x90 | ch), key, 90});
            w.event(at + 200, {static_cast<uint8_t>(0x80 | ch), key, 0});
        }
        chunk(w);
    }
    return out;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

class SilentPrompts : public UiPrompts {
public:
    QMessageBox::StandardButton message(QWidget*, QMessageBox::Icon, const QString&,
                                        QMessageBox::StandardButtons) override {
        return QMessageBox::No;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 2 && std::string(argv[1]) == "--child-load") {
        QElapsedTimer t;
        t.start();
        tonvela::midiSong song;
        song.load(argv[2]);
        std::printf("%.3f\n", t.nsecsElapsed() / 1e6);
        return 0;
    }
    if (argc > 2 && std::string(argv[1]) == "--child-open") {
        SilentPrompts quiet;
        UiPrompts::install(&quiet);
        QTemporaryDir settings;
        TonvelaApp editor({settings.path() + "/", settings.path() + "/Effects/", {}}, {});
        TMIDIPollimoMain* w = editor.MIDIPollimoMain();
        w->resize(1280, 800);
        w->show();
        w->firstShow();
        QCoreApplication::processEvents();
        QElapsedTimer t;
        t.start();
        w->openPath(QString::fromLocal8Bit(argv[2]));
        w->repaint();
        std::printf("%.3f\n", t.nsecsElapsed() / 1e6);
        std::fflush(stdout);
        UiPrompts::install(nullptr);
        return 0;
    }
    const double millions = argc > 1 ? std::atof(argv[1]) : 3.0;
    if (argc > 3 && std::string(argv[2]) == "--write") {  // keep the song for other tools
        auto bytes = makeSong(16, static_cast<int>(millions * 1e6 / 4 / 16));
        std::ofstream(argv[3], std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<std::streamsize>(bytes.size()));
        return 0;
    }
    SilentPrompts prompts;
    UiPrompts::install(&prompts);
    QTemporaryDir dir;
    AppFolders folders{dir.path() + "/", dir.path() + "/Effects/", {}};

    // ---- 1: open to a drawn window
    const int tracks = 16;
    const int notes = static_cast<int>(millions * 1e6 / 4 / tracks);
    const std::string big = (dir.path() + "/big.mid").toStdString();
    {
        auto bytes = makeSong(tracks, notes);
        std::ofstream(big, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    }
    // Each figure comes from a fresh process, as a user starting the program would see it.
    auto child = [&](const char* mode) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(), {mode, QString::fromStdString(big)});
        p.waitForFinished(120000);
        return p.readAllStandardOutput().trimmed().toDouble();
    };
    std::vector<double> loads, opens;
    for (int run = 0; run < 3; ++run) {
        loads.push_back(child("--child-load"));
        opens.push_back(child("--child-open"));
    }
    std::printf("song: %d tracks, %.2f million messages\n", tracks, 4.0 * tracks * notes / 1e6);
    std::printf("core load, fresh process (median of 3):     %8.1f ms\n", median(loads));
    std::printf("open to drawn window, fresh process:        %8.1f ms  ratio %.2f\n", median(opens),
                median(opens) / median(loads));

    // ---- 2: repaint of a 2000-bar x 64-track grid
    const std::string wide = (dir.path() + "/wide.mid").toStdString();
    {
        // 64 tracks x 2000 bars: eight notes a bar.
        auto bytes = makeSong(64, 2000 * 8);
        std::ofstream(wide, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
    }
    TonvelaApp editor(folders, {});
    TMIDIPollimoMain* w = editor.MIDIPollimoMain();
    w->resize(1920, 1080);
    w->show();
    w->firstShow();
    w->openPath(QString::fromStdString(wide));
    BarGrid* g = w->MIDIDrawGrid11;
    QCoreApplication::processEvents();
    std::vector<double> paints;
    for (int i = 0; i < 50; ++i) {
        g->setLeftCol(1 + (i * 37) % std::max(1, g->colCount() - g->visibleColCount()));
        QElapsedTimer t;
        t.start();
        g->viewport()->repaint();
        paints.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("grid: %d columns x %d rows, %d x %d cells visible\n", g->colCount(), g->rowCount(),
                g->visibleColCount(), g->visibleRowCount());
    std::printf("full grid repaint: median %.2f ms, max %.2f ms\n", median(paints),
                *std::max_element(paints.begin(), paints.end()));
    UiPrompts::install(nullptr);
    return 0;
}
