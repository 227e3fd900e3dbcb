// portSMF as a whole process, the counterpart of tonvela-cli in bench/whole_process.py:
//   bench_portsmf load FILE      reads the file and prints its tracks and events
//   bench_portsmf convert IN OUT reads IN and writes it to OUT
// Exit 0 on success, 1 when the file cannot be read or written.

#include <cstdio>
#include <cstring>  // before allegro.h, which uses memcpy without including it

#include <allegro.h>

int main(int argc, char** argv) {
    const bool load = argc == 3 && std::strcmp(argv[1], "load") == 0;
    const bool convert = argc == 4 && std::strcmp(argv[1], "convert") == 0;
    if (!load && !convert) {
        std::fprintf(stderr, "usage: %s load FILE | convert IN OUT\n", argv[0]);
        return 2;
    }
    Alg_seq seq(argv[2], true);
    if (seq.get_read_error() != alg_no_error) {
        std::fprintf(stderr, "%s: cannot read\n", argv[2]);
        return 1;
    }
    if (load) {
        long events = 0;
        for (int i = 0; i < seq.tracks(); ++i) events += seq.track(i)->length();
        std::printf("tracks: %d\nevents: %ld\n", seq.tracks(), events);
        return 0;
    }
    if (!seq.smf_write(argv[3])) {
        std::fprintf(stderr, "%s: cannot write\n", argv[3]);
        return 1;
    }
    return 0;
}
