// The player thread sleeps between batches and sends little; a modest real-time priority keeps
// other busy programs from delaying its wake-ups. Platform code is kept to this file.

#include "output/thread_priority.h"

#if defined(__linux__) || defined(__APPLE__)
#include <pthread.h>
#include <sched.h>
#endif

namespace tonvela {

bool raiseThreadPriority() {
#if defined(__linux__) || defined(__APPLE__)
    sched_param param{};
    int lowest = sched_get_priority_min(SCHED_FIFO);
    if (lowest < 0) return false;
    // Well below the usual priority of audio threads (sound servers and synthesizers use 50-90).
    param.sched_priority = lowest + 9;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
#else
    return false;
#endif
}

}  // namespace tonvela
