// FluidSynth loads SoundFont samples on OpenMP threads. libgomp is not built for
// ThreadSanitizer, so its synchronisation is invisible and its allocations look like races.
// Only read by ThreadSanitizer builds.

extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libgomp.so.1\n"
           "race:libgomp.so.1\n";
}
