#pragma once

// The event classes of a song. Every item of a track is one event object owned jointly by the
// event lists that reference it (refCount); see midiTrack for the list operations.
// Times are integer ticks from the start of the song, never negative.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tonvela {

// Kind codes by which every part of the program recognises an event (not by class).
enum EventKind : int {
    kindRoot = 0,
    kindChannel = 1,        // channel message without a class of its own
    kindMeta = 2,           // meta event without a code of its own
    kindSysex = 3,
    kindChannelPressure = 4,
    kindControl = 5,
    kindNote = 6,           // sounding note
    kindNoteOff = 7,
    kindPolyPressure = 8,
    kindPitchBend = 9,
    kindProgram = 10,
    kindCopyright = 11,
    kindTrackName = 13,
    kindTempo = 14,
    kindTimeSignature = 15,
    kindText = 16,
    kindCuePoint = 17,
    kindPortNumber = 18,
    kindLyric = 19,
    kindMarker = 20,
};

// Appends the bytes of a Standard MIDI File under construction.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}
    void put(uint8_t b) { out_.push_back(b); }
    void put(const uint8_t* p, size_t n) { out_.insert(out_.end(), p, p + n); }
    // 7 bits per byte, most significant group first.
    void putVarLen(uint32_t value) {
        if (value < 0x80)
            out_.push_back(static_cast<uint8_t>(value));
        else
            putLongVarLen(value);
    }
    void putBE32(uint32_t v);
    void putBE16(uint16_t v);
    size_t size() const { return out_.size(); }
    std::vector<uint8_t>& bytes() { return out_; }

private:
    void putLongVarLen(uint32_t value);
    std::vector<uint8_t>& out_;
};

// Bounds-checked reading position over a byte buffer; every read past `end` throws MidiError.
struct ByteReader {
    const uint8_t* pos;
    const uint8_t* end;
    size_t remaining() const { return static_cast<size_t>(end - pos); }
    uint8_t byte();              // throws when no byte is left
    uint32_t varLen();           // at most four bytes, throws on truncation
};

class anyEvent {
public:
    // time is clamped to >= 0; status is stored as given.
    anyEvent(int32_t time, uint8_t status);
    anyEvent(const anyEvent&) = delete;
    anyEvent& operator=(const anyEvent&) = delete;
    virtual ~anyEvent() = default;

    // Parses the data bytes that follow the status byte and advances the reader.
    virtual void readData(ByteReader& in) = 0;
    // Writes the data bytes that follow the status byte (never delta time or status).
    virtual void writeData(ByteWriter& out) const = 0;
    // One-line description for lists and logs.
    virtual std::string describe() const = 0;
    virtual bool isTrackEnd() const { return false; }
    virtual int kind() const { return kindRoot; }
    // Meta classes: the data as text; empty for other classes.
    virtual std::string dataText() const { return {}; }

    // Channel 0..15 of a channel message, -1 for system exclusive and meta events.
    int channelOf() const { return status < 0xF0 ? (status & 0x0F) : -1; }
    // Replaces the channel bits; ignored for status >= 0xF0 or a channel outside 0..15.
    void setChannelBits(int channel);

    // Pooled allocation: events are the bulk of a song's memory.
    static void* operator new(size_t size);
    static void operator delete(void* p, size_t size);

    int32_t time;
    int32_t bar = 0;
    int32_t beat = 0;
    int32_t tick = 0;
    int32_t refCount = 0;
    int32_t trackNumber = 0;  // scratch value of the data checker
    uint32_t serial;
    uint8_t status;

protected:
    // Spare bytes after `status` used by the small channel classes (keeps events compact).
    uint8_t data1_ = 0;
    uint8_t data2_ = 0;
};

// Sort order of events: time, then creation serial. A note off made for a note of duration 0
// carries its note's serial and sorts right after it.
bool eventLess(const anyEvent* a, const anyEvent* b);

// The blocks the event pool has taken from the system, by start address, each
// kEventPoolBlockBytes long and aligned to that size; they are never given back. Empty when
// events come from the general heap (sanitizer builds).
inline constexpr size_t kEventPoolBlockBytes = size_t{2} << 20;
std::vector<uintptr_t> eventPoolBlocks();

// Number of events created so far in this process (the next serial).
uint32_t nextEventSerial();

class MIDIEvent : public anyEvent {
public:
    MIDIEvent(int32_t time, uint8_t status) : anyEvent(time, status) {}
    void readData(ByteReader&) override {}
    void writeData(ByteWriter&) const override {}
    std::string describe() const override;
    int kind() const override { return kindChannel; }
};

class NoteOnEvent : public MIDIEvent {
public:
    NoteOnEvent(int32_t time, uint8_t status);
    // Copy of time, channel, note, velocity and duration; otherwise a new event.
    explicit NoteOnEvent(const NoteOnEvent& other);

    void readData(ByteReader& in) override;
    void writeData(ByteWriter& out) const override;
    std::string describe() const override;
    int kind() const override { return data2_ != 0 ? kindNote : kindNoteOff; }

    int note() const { return data1_; }
    void setNote(int key);                 // clamps to 0..127
    int velocity() const { return data2_; }
    void setVelocity(int velocity);        // <= 0 stores 1, > 127 stores 127
    int32_t duration() const { return duration_; }
    void setDuration(int32_t d) { duration_ = d; }
    // Unclamped byte stores for undo and for the note offs made by the program.
    void setRawNote(uint8_t v) { data1_ = v; }
    void setRawVelocity(uint8_t v) { data2_ = v; }

protected:
    int32_t duration_ = 0;
};

// Read from a 0x8n message; always held with status 0x9n and velocity 0 until notes are paired.
class NoteOffEvent : public NoteOnEvent {
public:
    NoteOffEvent(int32_t time, uint8_t status);
    void readData(ByteReader& in) override;
    std::string describe() const override;
    int kind() const override { return kindNoteOff; }
};

class PolyAfterEvent : public NoteOnEvent {
public:
    PolyAfterEvent(int32_t time, uint8_t status);
    void readData(ByteReader& in) override;
    std::string describe() const override;
    int kind() const override { return kindPolyPressure; }
    int pressure() const { return data2_; }
    void setPressure(int p) { data2_ = static_cast<uint8_t>(p < 0 ? 0 : p > 127 ? 127 : p); }
};

class ControlChangeEvent : public MIDIEvent {
public:
    ControlChangeEvent(int32_t time, uint8_t status);
    explicit ControlChangeEvent(const ControlChangeEvent& other);
    void readData(ByteReader& in) override;
    void writeData(ByteWriter& out) const override;
    std::string describe() const override;
    int kind() const override { return kindControl; }

    int controller() const { return data1_; }
    void setController(int c);  // clamps 0..127
    int value() const { return data2_; }
    void setValue(int v);       // clamps 0..127
    void setRawController(uint8_t v) { data1_ = v; }
    void setRawValue(uint8_t v) { data2_ = v; }
};

class ProgramChangeEvent : public MIDIEvent {
public:
    ProgramChangeEvent(int32_t time, uint8_t status);
    explicit ProgramChangeEvent(const ProgramChangeEvent& other);
    void readData(ByteReader& in) override;
    void writeData(ByteWriter& out) const override;
    std::string describe() const override;
    int kind() const override { return kindProgram; }
    int program() const { return data1_; }
    void setProgram(int p) { data1_ = static_cast<uint8_t>(p); }  // not clamped
};

class ChannelAfterTouchEvent : public MIDIEvent {
public:
    ChannelAfterTouchEvent(int32_t time, uint8_t status);
    void readData(ByteReader& in) override;
    void writeData(ByteWriter& out) const override;
    std::string describe() const override;
    int kind() const override { return kindChannelPressure; }
    int pressure() const { return data1_; }
    void setPressure(int p) { data1_ = static_cast<uint8_t>(p); }
};

class PitchBendEvent : public MIDIEvent {
public:
    PitchBendEvent(int32_t time, uint8_t status);
    explicit PitchBendEvent(const PitchBendEvent& other);
    void readData(ByteReader& in) override;
    void writeData(ByteWriter& out) const override;
    std::string describe() const override;
    int kind() const override { return kindPitchBend; }
    // Signed form -8192..+8191.
    int bend() const { return static_cast<int>(raw_) - 8192; }
    void setBend(int signedBend);  // adds 8192, clamps to 0..16383
    int rawBend() const { return raw_; }
    void setRawBend(int raw);      // clamps to 0..16383

private:
    uint16_t raw_ = 8192;
};

class sysexEvent : public anyEvent {
public:
    sysexEvent(int32_t time, uint8_t status, int32_t sysexIndex = 0);
    void readData(ByteReader& in) override;
    void writeData(ByteWriter& out) const override;
    std::string describe() const override;
    int kind() const override { return kindSysex; }

    int manufacturer() const { return sysexData.empty() ? -1 : sysexData[0]; }
    int32_t address() const;
    void setAddress(int32_t a);
    int dataAt(int i) const;
    void setDataAt(int i, int v);
    void makeXGParameter(int n);
    void copyDataFrom(const sysexEvent& other) { sysexData = other.sysexData; }
    bool operator==(const sysexEvent& other) const { return sysexData == other.sysexData; }

    std::vector<uint8_t> sysexData;  // every byte after the F0/F7 status, F7 included when present
    int32_t sysexIndex;
};

class metaEvent : public anyEvent {
public:
    metaEvent(int32_t time, uint8_t metaType);
    void readData(ByteReader& in) override;
    void writeData(ByteWriter& out) const override;
    std::string describe() const override;
    int kind() const override { return kindMeta; }
    std::string dataText() const override;

    int32_t length() const { return static_cast<int32_t>(data.size()); }
    void setText(const std::string& text) { data.assign(text.begin(), text.end()); }
    std::string text() const { return std::string(data.begin(), data.end()); }
    // The data bytes as one big-endian unsigned number; 0 without data.
    uint32_t numericValue() const;

    uint8_t metaType;
    std::vector<uint8_t> data;
};

class seqNumEvent : public metaEvent {
public:
    explicit seqNumEvent(int32_t time, uint8_t type = 0x00) : metaEvent(time, 0x00) { (void)type; }
    std::string describe() const override;
};

// Meta classes whose data is text.
class textMetaEvent : public metaEvent {
public:
    using metaEvent::metaEvent;
    std::string dataText() const override { return text(); }
};

class textEvent : public textMetaEvent {
public:
    explicit textEvent(int32_t time, uint8_t = 0x01) : textMetaEvent(time, 0x01) {}
    std::string describe() const override;
    int kind() const override { return kindText; }
};
class copyrightEvent : public textMetaEvent {
public:
    explicit copyrightEvent(int32_t time, uint8_t = 0x02) : textMetaEvent(time, 0x02) {}
    std::string describe() const override;
    int kind() const override { return kindCopyright; }
};
class trackNameEvent : public textMetaEvent {
public:
    explicit trackNameEvent(int32_t time, uint8_t = 0x03) : textMetaEvent(time, 0x03) {}
    std::string describe() const override;
    int kind() const override { return kindTrackName; }
};
class instNameEvent : public metaEvent {
public:
    explicit instNameEvent(int32_t time, uint8_t = 0x04) : metaEvent(time, 0x04) {}
    std::string describe() const override;
};
class lyricEvent : public textMetaEvent {
public:
    explicit lyricEvent(int32_t time, uint8_t = 0x05) : textMetaEvent(time, 0x05) {}
    std::string describe() const override;
    int kind() const override { return kindLyric; }
};
class MarkerEvent : public textMetaEvent {
public:
    explicit MarkerEvent(int32_t time, uint8_t = 0x06) : textMetaEvent(time, 0x06) {}
    std::string describe() const override;
    int kind() const override { return kindMarker; }
};
class queuePointEvent : public textMetaEvent {
public:
    explicit queuePointEvent(int32_t time, uint8_t = 0x07) : textMetaEvent(time, 0x07) {}
    std::string describe() const override;
    int kind() const override { return kindCuePoint; }
};
class portNoEvent : public metaEvent {
public:
    explicit portNoEvent(int32_t time, uint8_t = 0x21) : metaEvent(time, 0x21) {}
    std::string describe() const override;
    int kind() const override { return kindPortNumber; }
};
class trackEndEvent : public metaEvent {
public:
    explicit trackEndEvent(int32_t time, uint8_t = 0x2F) : metaEvent(time, 0x2F) {}
    std::string describe() const override;
    bool isTrackEnd() const override { return true; }
};
class TempoEvent : public metaEvent {
public:
    explicit TempoEvent(int32_t time, uint8_t = 0x51) : metaEvent(time, 0x51) {}
    TempoEvent(int32_t time, uint8_t metaType, int32_t tempo);
    std::string describe() const override;
    int kind() const override { return kindTempo; }
    // Microseconds per quarter note, unsigned as the file holds it (up to four data bytes are
    // read); 500000 when the data is zero or missing.
    uint32_t getTempo() const;
    void setTempo(int32_t microseconds);
};
class SMPTEOffsetEvent : public metaEvent {
public:
    explicit SMPTEOffsetEvent(int32_t time, uint8_t = 0x54) : metaEvent(time, 0x54) {}
    std::string describe() const override;
};
class timeBeatEvent : public metaEvent {
public:
    explicit timeBeatEvent(int32_t time, uint8_t = 0x58) : metaEvent(time, 0x58) {}
    std::string describe() const override;
    int kind() const override { return kindTimeSignature; }
    int numerator() const { return data.empty() ? 0 : data[0]; }
    // 2 to the power of data byte 1; 0 when the byte is missing or too large to mean anything.
    int denominator() const;
};
class keyEvent : public metaEvent {
public:
    explicit keyEvent(int32_t time, uint8_t = 0x59) : metaEvent(time, 0x59) {}
    std::string describe() const override;
    int sharps() const { return data.empty() ? 0 : static_cast<int8_t>(data[0]); }
    int mode() const { return data.size() < 2 ? 0 : data[1]; }
};

// The description of a note on with velocity 0 (a note off) of this status and key, for note
// offs that exist only as the end of a note's duration.
std::string describeNoteOff(uint8_t status, int key);

// Creates the meta class for a meta type byte.
metaEvent* makeMetaEvent(int32_t time, uint8_t metaType);

// Position text "BBB:BB:TTT " of an event (bar and beat from 1, tick from 0).
std::string positionText(const anyEvent& e);

}  // namespace tonvela
