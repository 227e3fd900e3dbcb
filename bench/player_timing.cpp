// Playback timing: a generated song (16th notes at 240 bpm with controller curves and a tempo
// change, about 33 s) played in real time to the capture port. Every batch's send time is
// compared with its ideal time from ticks and tempo.
//
//   bench_player_timing [QUARTERS]     (default 120; 20 is the CI test's length)
//
// Reports lateness p50 / p99 / max, the drift at the end and the process CPU time while
// playing. Exit status 1 when a target is missed: p99 <= 1 ms, max <= 5 ms, |drift| <= 1 ms,
// CPU <= 2 % of wall time.

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "timing_song.h"

int main(int argc, char** argv) {
    int quarters = argc > 1 ? std::atoi(argv[1]) : 120;
    if (quarters < 4) {
        std::fprintf(stderr, "usage: bench_player_timing [QUARTERS >= 4]\n");
        return 2;
    }
    tonvela::test::TimingFigures f = tonvela::test::measurePlayback(tonvela::test::timingSongBytes(quarters));
    if (f.batches == 0) {
        std::fprintf(stderr, "the capture does not match the play list\n");
        return 1;
    }
    std::printf("played %.1f s, %d batches\n", f.seconds, f.batches);
    std::printf("lateness p50 %.3f ms  p99 %.3f ms  max %.3f ms\n", f.p50, f.p99, f.max);
    std::printf("drift at the end %.3f ms\n", f.drift);
    std::printf("late batches %d\n", f.lateCount);
    std::printf("CPU %.2f %% of wall time\n", f.cpuPercent);
    bool ok = f.p99 <= 1.0 && f.max <= 5.0 && std::fabs(f.drift) <= 1.0 && f.cpuPercent <= 2.0;
    std::printf("%s\n", ok ? "targets met" : "TARGETS MISSED");
    return ok ? 0 : 1;
}
