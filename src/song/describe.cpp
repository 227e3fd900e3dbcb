// Placeholder descriptions; the full texts with names come with the name tables.
#include "song/events.h"

namespace tonvela {

std::string MIDIEvent::describe() const { return "event"; }
std::string NoteOnEvent::describe() const { return "event"; }
std::string NoteOffEvent::describe() const { return "event"; }
std::string PolyAfterEvent::describe() const { return "event"; }
std::string ControlChangeEvent::describe() const { return "event"; }
std::string ProgramChangeEvent::describe() const { return "event"; }
std::string ChannelAfterTouchEvent::describe() const { return "event"; }
std::string PitchBendEvent::describe() const { return "event"; }
std::string sysexEvent::describe() const { return "event"; }
std::string metaEvent::describe() const { return "event"; }
std::string seqNumEvent::describe() const { return "event"; }
std::string textEvent::describe() const { return "event"; }
std::string copyrightEvent::describe() const { return "event"; }
std::string trackNameEvent::describe() const { return "event"; }
std::string instNameEvent::describe() const { return "event"; }
std::string lyricEvent::describe() const { return "event"; }
std::string MarkerEvent::describe() const { return "event"; }
std::string queuePointEvent::describe() const { return "event"; }
std::string portNoEvent::describe() const { return "event"; }
std::string trackEndEvent::describe() const { return "event"; }
std::string TempoEvent::describe() const { return "event"; }
std::string SMPTEOffsetEvent::describe() const { return "event"; }
std::string timeBeatEvent::describe() const { return "event"; }
std::string keyEvent::describe() const { return "event"; }

}  // namespace tonvela
