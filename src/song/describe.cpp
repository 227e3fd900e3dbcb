// One-line descriptions of events, as the event list and the data checker's report show them.
// Meta texts are the file's bytes, unconverted; displays decode them (textcodec.h).

#include <cstdarg>
#include <cstdio>

#include "song/events.h"
#include "song/midispec.h"
#include "song/xgdescription.h"

namespace tonvela {

namespace {

[[gnu::format(printf, 1, 2)]] std::string printfText(const char* fmt, ...) {
    char buf[256];
    va_list args;
    va_start(args, fmt);
    const int n = std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return std::string(buf, n < 0 ? 0 : static_cast<size_t>(n) < sizeof buf ? static_cast<size_t>(n) : sizeof buf - 1);
}

std::string channelPrefix(const anyEvent& e) { return printfText("Chn = %2.2d ", (e.status & 0x0F) + 1); }

// Each byte as two upper-case hex digits and a space.
template <typename Bytes>
std::string hexBytes(const Bytes& bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(bytes.size() * 3);
    for (uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 0x0F];
        s += ' ';
    }
    return s;
}

// A missing data byte of a damaged meta event reads as 0.
int dataByte(const metaEvent& e, size_t i) { return i < e.data.size() ? e.data[i] : 0; }

std::string bracketed(const char* label, const metaEvent& e) { return label + e.text() + ">"; }

// Indexed by sharps + 7, per mode.
constexpr const char* kKeyNames[2][15] = {
    {"Cb(B) Major", "Gb Major", "Db Major", "Ab Major", "Eb Major", "Bb Major", "F Major", "C Major", "G Major",
     "D Major", "A Major", "E Major", "B Major", "F# Major", "C# Major"},
    {"Ab Minor", "Eb Minor", "Bb Minor", "F Minor", "C Minor", "G Minor", "D Minor", "A Minor", "E Minor", "B Minor",
     "F# Minor", "C# Minor", "G# Minor", "D# Minor", "A# Minor"},
};

}  // namespace

std::string MIDIEvent::describe() const { return channelPrefix(*this); }

std::string describeNoteOff(uint8_t status, int key) {
    return printfText("Chn = %2.2d ", (status & 0x0F) + 1) +
           printfText("Note OFF(Vel = 0):Key %3.3d[%s]", key, MIDISpec::noteName(key).c_str());
}

std::string NoteOnEvent::describe() const {
    if (velocity() == 0) return describeNoteOff(status, note());
    const std::string name = MIDISpec::noteName(note());
    return channelPrefix(*this) +
           printfText("Note ON:Key %3.3d[%s] Vel = %3.3d Dur = %4.4d", note(), name.c_str(), velocity(), duration());
}

std::string NoteOffEvent::describe() const {
    return channelPrefix(*this) + printfText("Note OFF:Key %3d Vel = %3d ", note(), velocity());
}

std::string PolyAfterEvent::describe() const {
    return channelPrefix(*this) + printfText("Poly Aft:Key %3d Vel = %3d ", note(), pressure());
}

std::string ControlChangeEvent::describe() const {
    return channelPrefix(*this) + printfText("Ctrl Chg:Data %3d ", value()) + MIDISpec::controllerName(controller());
}

std::string ProgramChangeEvent::describe() const {
    return channelPrefix(*this) + printfText("Prog Chg:Prog No %3d ", program()) + MIDISpec::programName(program());
}

std::string ChannelAfterTouchEvent::describe() const {
    return channelPrefix(*this) + printfText("Chnl Aft:Value %3d ", pressure());
}

std::string PitchBendEvent::describe() const {
    return channelPrefix(*this) + printfText("PitchBend:Value %5d ", rawBend() - 8192);
}

std::string sysexEvent::describe() const {
    std::string s = printfText("Sysex:Length %5d = ", static_cast<int>(sysexData.size())) + hexBytes(sysexData);
    if (manufacturer() == 0x43) s += xgDescription(*this);
    return s;
}

std::string metaEvent::describe() const {
    return positionText(*this) + printfText("Meta Event:Type =%2X ", metaType) + hexBytes(data);
}

// Numeric fields are printed as 64-bit so that a damaged event with an over-long value cannot
// turn negative; within the usual ranges this is the plain %d.
std::string seqNumEvent::describe() const {
    return printfText("Sequence Number =%5lld ", static_cast<long long>(numericValue()));
}

std::string textEvent::describe() const { return bracketed("Text:<", *this); }
std::string copyrightEvent::describe() const { return bracketed("Copyright:<", *this); }
std::string trackNameEvent::describe() const { return bracketed("Track Name:<", *this); }
std::string instNameEvent::describe() const { return bracketed("Inst Name:<", *this); }
std::string lyricEvent::describe() const { return bracketed("Lyrics:<", *this); }
std::string MarkerEvent::describe() const { return bracketed("Marker:<", *this); }
std::string queuePointEvent::describe() const { return bracketed("Queue Point:<", *this); }

std::string portNoEvent::describe() const { return "Port No.:<" + std::to_string(numericValue()) + ">"; }

std::string trackEndEvent::describe() const { return "Track end: "; }

std::string TempoEvent::describe() const {
    return printfText("Tempo = %4lld usec/beat", static_cast<long long>(numericValue()));
}

std::string SMPTEOffsetEvent::describe() const {
    return printfText("SMPTE Offset hr:%3d mn:%3d sec:%3d frm:%3d ", dataByte(*this, 0), dataByte(*this, 1),
                  dataByte(*this, 2), dataByte(*this, 3));
}

std::string timeBeatEvent::describe() const {
    const long long denominator = 1LL << (dataByte(*this, 1) & 31);
    return printfText("Time: %d/%lld p3 = %d p4 = %d", dataByte(*this, 0), denominator, dataByte(*this, 2),
                  dataByte(*this, 3));
}

// A signature without a name (damaged data: sharps beyond 7, a mode other than major or minor,
// or missing bytes) shows its raw bytes instead of a guessed key.
std::string keyEvent::describe() const {
    if (data.size() >= 2) {
        const int sharps = static_cast<int8_t>(data[0]);
        const int mode = data[1];
        if (sharps >= -7 && sharps <= 7 && (mode == 0 || mode == 1)) return kKeyNames[mode][sharps + 7];
    }
    return "Unknown Key Signature:" + hexBytes(data);
}

}  // namespace tonvela
