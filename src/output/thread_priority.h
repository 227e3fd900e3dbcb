#pragma once

namespace tonvela {

// Asks the system to run the calling thread ahead of ordinary work (a low real-time priority,
// below the audio threads). Best effort: without the right to do so nothing changes.
bool raiseThreadPriority();

}  // namespace tonvela
