#include "song/events.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>

#include "base/errors.h"
#include "base/pages.h"

namespace tonvela {

namespace {

std::atomic<uint32_t> g_serial{0};

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TONVELA_NO_EVENT_POOL 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define TONVELA_NO_EVENT_POOL 1
#endif
#endif

#ifndef TONVELA_NO_EVENT_POOL
// Pooled storage for event objects. A heap allocation per event dominates load time and memory,
// so events of one size are carved from aligned chunks owned by the allocating thread. A chunk
// whose events are all freed starts over from its beginning, so the events of the next song are
// laid out in the order they are made, as they were the first time; that order is the order
// in which the reader, the writer and the player walk them.
// Chunks are cut from blocks of 2 MB in huge pages: a song's events cost a page fault per 2 MB,
// not per 4 KB, and the size classes share a block, so a small song takes one block, the
// first, which is in small pages.
// Events freed by another thread are pushed onto the chunk's lock-free remote list and taken
// back by the owner when it needs room. The chunks of a thread that ends (a song loaded on a
// helper thread) pass to the next thread that needs a chunk of their size. Blocks are never
// returned to the system; they are recorded globally so that they stay reachable.
constexpr size_t kGranule = 8;
constexpr size_t kMaxPooled = 128;
constexpr size_t kClasses = kMaxPooled / kGranule + 1;
constexpr size_t kChunkBytes = 256 * 1024;
constexpr size_t kBlockBytes = kEventPoolBlockBytes;  // one huge page
static_assert(kBlockBytes % kHugePageBytes == 0);
static_assert(kBlockBytes % kChunkBytes == 0);

struct FreeBlock {
    FreeBlock* next;
};

struct ThreadPool;

struct alignas(64) Chunk {
    FreeBlock* free = nullptr;
    std::atomic<FreeBlock*> remote{nullptr};
    char* bump = nullptr;
    char* end = nullptr;
    char* first = nullptr;
    uint32_t used = 0;
    uint32_t blockSize = 0;
    std::atomic<ThreadPool*> owner{nullptr};
};

// Guards the blocks, the part of the newest block not yet cut into chunks, and the chunks
// whose thread has ended. Intentionally never freed.
std::mutex g_chunkMutex;
std::vector<void*>* g_blocks = nullptr;
char* g_uncut = nullptr;
char* g_uncutEnd = nullptr;
std::vector<Chunk*>* g_orphans = nullptr;  // kClasses lists

Chunk* chunkOf(void* p) {
    return reinterpret_cast<Chunk*>(reinterpret_cast<uintptr_t>(p) & ~(static_cast<uintptr_t>(kChunkBytes) - 1));
}

struct ThreadPool {
    Chunk* current[kClasses] = {};
    std::vector<Chunk*> chunks[kClasses];
    size_t scan[kClasses] = {};

    ~ThreadPool() {
        // Chunks outlive their thread: until another thread adopts them, frees from any thread
        // go to the remote lists.
        std::lock_guard lock(g_chunkMutex);
        try {
            for (size_t cls = 0; cls < kClasses; ++cls)
                for (Chunk* c : chunks[cls]) {
                    c->owner.store(nullptr, std::memory_order_release);
                    g_orphans[cls].push_back(c);
                }
        } catch (const std::bad_alloc&) {
            // Chunks not listed stay with their events; they are only not reused.
        }
    }

    static void reclaimRemote(Chunk* c) {
        FreeBlock* r = c->remote.exchange(nullptr, std::memory_order_acquire);
        while (r) {
            FreeBlock* next = r->next;
            r->next = c->free;
            c->free = r;
            --c->used;
            r = next;
        }
        if (c->used == 0) {
            c->free = nullptr;
            c->bump = c->first;
        }
    }

    static bool hasRoom(Chunk* c, size_t bytes) {
        return c->free || static_cast<size_t>(c->end - c->bump) >= bytes;
    }

    // Under g_chunkMutex: the orphaned chunks of this size become ours; one with room, if any.
    Chunk* adoptOrphans(size_t cls) {
        Chunk* found = nullptr;
        chunks[cls].reserve(chunks[cls].size() + g_orphans[cls].size() + 1);
        for (Chunk* c : g_orphans[cls]) {
            c->owner.store(this, std::memory_order_release);
            chunks[cls].push_back(c);
            reclaimRemote(c);
            if (!found && hasRoom(c, cls * kGranule)) found = c;
        }
        g_orphans[cls].clear();
        return found;
    }

    Chunk* newChunk(size_t cls) {
        std::lock_guard lock(g_chunkMutex);
        if (!g_blocks) {
            g_blocks = new std::vector<void*>();
            g_orphans = new std::vector<Chunk*>[kClasses];
        }
        if (Chunk* c = adoptOrphans(cls)) return c;
        if (g_uncut == g_uncutEnd) {
            g_blocks->reserve(g_blocks->size() + 1);
            // The first block stays in small pages: a small song touches a few of them instead
            // of having a whole huge page cleared for it.
            g_uncut = static_cast<char*>(allocateHugeBlock(kBlockBytes, !g_blocks->empty()));
            g_uncutEnd = g_uncut + kBlockBytes;
            g_blocks->push_back(g_uncut);
        }
        chunks[cls].reserve(chunks[cls].size() + 1);
        char* mem = g_uncut;
        g_uncut += kChunkBytes;
        auto* c = new (mem) Chunk();
        c->first = mem + sizeof(Chunk);
        c->bump = c->first;
        c->end = mem + kChunkBytes;
        c->blockSize = static_cast<uint32_t>(cls * kGranule);
        c->owner.store(this, std::memory_order_release);
        chunks[cls].push_back(c);
        return c;
    }

    Chunk* findRoom(size_t cls) {
        size_t bytes = cls * kGranule;
        auto& list = chunks[cls];
        for (size_t n = 0; n < list.size(); ++n) {
            size_t i = (scan[cls] + n) % list.size();
            Chunk* c = list[i];
            if (c->remote.load(std::memory_order_relaxed)) reclaimRemote(c);
            if (hasRoom(c, bytes)) {
                scan[cls] = i;
                return c;
            }
        }
        return newChunk(cls);
    }

    void* allocate(size_t cls) {
        Chunk* c = current[cls];
        size_t bytes = cls * kGranule;
        if (!c || !hasRoom(c, bytes)) {
            if (c && c->remote.load(std::memory_order_relaxed)) reclaimRemote(c);
            if (!c || !hasRoom(c, bytes)) c = current[cls] = findRoom(cls);
        }
        ++c->used;
        if (FreeBlock* b = c->free) {
            c->free = b->next;
            return b;
        }
        void* p = c->bump;
        c->bump += bytes;
        return p;
    }
};

thread_local ThreadPool t_pool;

void releaseBlock(void* p) {
    Chunk* c = chunkOf(p);
    auto* b = static_cast<FreeBlock*>(p);
    if (c->owner.load(std::memory_order_acquire) == &t_pool) {
        if (--c->used == 0) {
            c->free = nullptr;
            c->bump = c->first;
            return;
        }
        b->next = c->free;
        c->free = b;
        return;
    }
    FreeBlock* head = c->remote.load(std::memory_order_relaxed);
    do {
        b->next = head;
    } while (!c->remote.compare_exchange_weak(head, b, std::memory_order_release, std::memory_order_relaxed));
}
#endif

}  // namespace

void* anyEvent::operator new(size_t size) {
#ifndef TONVELA_NO_EVENT_POOL
    if (size <= kMaxPooled) return t_pool.allocate((size + kGranule - 1) / kGranule);
#endif
    return ::operator new(size);
}

void anyEvent::operator delete(void* p, size_t size) {
    if (!p) return;
#ifndef TONVELA_NO_EVENT_POOL
    if (size <= kMaxPooled) {
        releaseBlock(p);
        return;
    }
#endif
    ::operator delete(p);
}

std::vector<uintptr_t> eventPoolBlocks() {
    std::vector<uintptr_t> out;
#ifndef TONVELA_NO_EVENT_POOL
    std::lock_guard lock(g_chunkMutex);
    if (g_blocks)
        for (void* b : *g_blocks) out.push_back(reinterpret_cast<uintptr_t>(b));
#endif
    return out;
}

uint32_t nextEventSerial() { return g_serial.load(std::memory_order_relaxed); }

// ---------------------------------------------------------------------------------------------
void ByteWriter::putLongVarLen(uint32_t value) {
    uint8_t buf[5];
    int n = 0;
    buf[n++] = value & 0x7F;
    while ((value >>= 7) != 0) buf[n++] = static_cast<uint8_t>((value & 0x7F) | 0x80);
    while (n > 0) out_.push_back(buf[--n]);
}

void ByteWriter::putBE32(uint32_t v) {
    uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                    static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    put(b, 4);
}

void ByteWriter::putBE16(uint16_t v) {
    put(static_cast<uint8_t>(v >> 8));
    put(static_cast<uint8_t>(v));
}

uint8_t ByteReader::byte() {
    if (pos >= end) throw MidiError("Unexpected end of data inside an event");
    return *pos++;
}

uint32_t ByteReader::varLen() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= end) throw MidiError("Unexpected end of data inside a variable-length number");
        uint8_t b = *pos++;
        value = (value << 7) | (b & 0x7F);
        if (!(b & 0x80)) return value;
    }
    throw MidiError("Data may have been broken.", "variable-length number longer than four bytes");
}

// ---------------------------------------------------------------------------------------------
anyEvent::anyEvent(int32_t t, uint8_t st)
    : time(t < 0 ? 0 : t), serial(g_serial.fetch_add(1, std::memory_order_relaxed)), status(st) {}

void anyEvent::setChannelBits(int channel) {
    if (status >= 0xF0 || channel < 0 || channel > 15) return;
    status = static_cast<uint8_t>((status & 0xF0) | channel);
}

bool eventLess(const anyEvent* a, const anyEvent* b) {
    if (a->time != b->time) return a->time < b->time;
    if (a->serial != b->serial) return a->serial < b->serial;
    // Same serial only for a note of duration 0 and its own note off: the note goes first.
    return a->kind() == kindNote && b->kind() != kindNote;
}

std::string positionText(const anyEvent& e) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%3.3d:%2.2d:%3.3d ", e.bar + 1, e.beat + 1, e.tick);
    return buf;
}

// ---------------------------------------------------------------------------------------------
namespace {
inline uint8_t clamp7(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 127 ? 127 : v); }
}  // namespace

NoteOnEvent::NoteOnEvent(int32_t t, uint8_t st) : MIDIEvent(t, static_cast<uint8_t>(0x90 | (st & 0x0F))) {}

NoteOnEvent::NoteOnEvent(const NoteOnEvent& o) : MIDIEvent(o.time, static_cast<uint8_t>(0x90 | (o.status & 0x0F))) {
    data1_ = o.data1_;
    data2_ = o.data2_;
    duration_ = o.duration_;
}

void NoteOnEvent::readData(ByteReader& in) {
    data1_ = in.byte();
    data2_ = in.byte();
    if (data2_ == 0) status ^= 0x10;
}

void NoteOnEvent::writeData(ByteWriter& out) const {
    out.put(data1_ & 0x7F);
    out.put(data2_ & 0x7F);
}

void NoteOnEvent::setNote(int key) { data1_ = clamp7(key); }

void NoteOnEvent::setVelocity(int v) { data2_ = static_cast<uint8_t>(v <= 0 ? 1 : v > 127 ? 127 : v); }

NoteOffEvent::NoteOffEvent(int32_t t, uint8_t st) : NoteOnEvent(t, st) {}

void NoteOffEvent::readData(ByteReader& in) {
    data1_ = in.byte();
    in.byte();  // release velocity is not kept
    data2_ = 0;
}

PolyAfterEvent::PolyAfterEvent(int32_t t, uint8_t st) : NoteOnEvent(t, st) {
    status = static_cast<uint8_t>(0xA0 | (st & 0x0F));
}

void PolyAfterEvent::readData(ByteReader& in) {
    data1_ = in.byte();
    data2_ = in.byte();
}

ControlChangeEvent::ControlChangeEvent(int32_t t, uint8_t st)
    : MIDIEvent(t, static_cast<uint8_t>(0xB0 | (st & 0x0F))) {}

ControlChangeEvent::ControlChangeEvent(const ControlChangeEvent& o)
    : MIDIEvent(o.time, static_cast<uint8_t>(0xB0 | (o.status & 0x0F))) {
    data1_ = o.data1_;
    data2_ = o.data2_;
}

void ControlChangeEvent::readData(ByteReader& in) {
    data1_ = in.byte();
    data2_ = in.byte();
}

void ControlChangeEvent::writeData(ByteWriter& out) const {
    out.put(data1_ & 0x7F);
    out.put(data2_ & 0x7F);
}

void ControlChangeEvent::setController(int c) { data1_ = clamp7(c); }
void ControlChangeEvent::setValue(int v) { data2_ = clamp7(v); }

ProgramChangeEvent::ProgramChangeEvent(int32_t t, uint8_t st)
    : MIDIEvent(t, static_cast<uint8_t>(0xC0 | (st & 0x0F))) {}

ProgramChangeEvent::ProgramChangeEvent(const ProgramChangeEvent& o)
    : MIDIEvent(o.time, static_cast<uint8_t>(0xC0 | (o.status & 0x0F))) {
    data1_ = o.data1_;
}

void ProgramChangeEvent::readData(ByteReader& in) { data1_ = in.byte(); }
void ProgramChangeEvent::writeData(ByteWriter& out) const { out.put(data1_ & 0x7F); }

ChannelAfterTouchEvent::ChannelAfterTouchEvent(int32_t t, uint8_t st)
    : MIDIEvent(t, static_cast<uint8_t>(0xD0 | (st & 0x0F))) {}

void ChannelAfterTouchEvent::readData(ByteReader& in) { data1_ = in.byte(); }
void ChannelAfterTouchEvent::writeData(ByteWriter& out) const { out.put(data1_ & 0x7F); }

PitchBendEvent::PitchBendEvent(int32_t t, uint8_t st)
    : MIDIEvent(t, static_cast<uint8_t>(0xE0 | (st & 0x0F))) {}

PitchBendEvent::PitchBendEvent(const PitchBendEvent& o)
    : MIDIEvent(o.time, static_cast<uint8_t>(0xE0 | (o.status & 0x0F))), raw_(o.raw_) {}

void PitchBendEvent::readData(ByteReader& in) {
    uint8_t lo = in.byte();
    uint8_t hi = in.byte();
    raw_ = static_cast<uint16_t>((lo & 0x7F) + (hi & 0x7F) * 128);
}

void PitchBendEvent::writeData(ByteWriter& out) const {
    out.put(raw_ & 0x7F);
    out.put((raw_ >> 7) & 0x7F);
}

void PitchBendEvent::setBend(int b) { setRawBend(b + 8192); }
void PitchBendEvent::setRawBend(int raw) { raw_ = static_cast<uint16_t>(raw < 0 ? 0 : raw > 16383 ? 16383 : raw); }

// ---------------------------------------------------------------------------------------------
sysexEvent::sysexEvent(int32_t t, uint8_t st, int32_t index) : anyEvent(t, st), sysexIndex(index) {}

void sysexEvent::readData(ByteReader& in) {
    uint32_t n = in.varLen();
    if (n > in.remaining()) throw MidiError("System exclusive data runs past the end of the file");
    sysexData.insert(sysexData.end(), in.pos, in.pos + n);
    in.pos += n;
}

void sysexEvent::writeData(ByteWriter& out) const {
    out.putVarLen(static_cast<uint32_t>(sysexData.size()));
    out.put(sysexData.data(), sysexData.size());
}

namespace {
int addressPosition(int manufacturer) { return manufacturer == 0x43 ? 3 : manufacturer == 0x41 ? 4 : -1; }
}  // namespace

int32_t sysexEvent::address() const {
    int p = addressPosition(manufacturer());
    if (p < 0 || sysexData.size() < static_cast<size_t>(p + 3)) return -1;
    return (sysexData[p] << 16) + (sysexData[p + 1] << 8) + sysexData[p + 2];
}

void sysexEvent::setAddress(int32_t a) {
    int p = addressPosition(manufacturer());
    if (p < 0) return;
    size_t need = std::max<size_t>(p == 3 ? 8 : 0, static_cast<size_t>(p + 3));
    if (sysexData.size() < need) sysexData.resize(need, 0);
    sysexData[p] = static_cast<uint8_t>((a >> 16) & 0xFF);
    sysexData[p + 1] = static_cast<uint8_t>((a >> 8) & 0xFF);
    sysexData[p + 2] = static_cast<uint8_t>(a & 0xFF);
}

int sysexEvent::dataAt(int i) const {
    int p = addressPosition(manufacturer());
    if (p < 0) return 0;
    size_t pos = static_cast<size_t>(i) + p + 3;
    if (i < 0 || pos >= sysexData.size()) return -1;
    return sysexData[pos];
}

void sysexEvent::setDataAt(int i, int v) {
    int p = addressPosition(manufacturer());
    if (p < 0 || i < 0) return;
    size_t need = static_cast<size_t>(i) + p + 5;  // address, data up to i, checksum or F7 slot
    if (sysexData.size() < need) sysexData.resize(need, 0);
    sysexData.back() = 0xF7;
    sysexData[static_cast<size_t>(i) + p + 3] = static_cast<uint8_t>(v);
}

void sysexEvent::makeXGParameter(int n) {
    sysexData = {0x43, 0x10, 0x4C, 0x00, 0x00};
    sysexData.insert(sysexData.end(), static_cast<size_t>(n < 0 ? 0 : n) + 1, 0);
    sysexData.push_back(0xF7);
}

// ---------------------------------------------------------------------------------------------
metaEvent::metaEvent(int32_t t, uint8_t type) : anyEvent(t, 0xFF), metaType(type) {}

void metaEvent::readData(ByteReader& in) {
    metaType = in.byte();
    uint32_t n = in.varLen();
    if (n > in.remaining()) throw MidiError("Meta event data runs past the end of the file");
    if (n > 0) data.assign(in.pos, in.pos + n);
    in.pos += n;
}

void metaEvent::writeData(ByteWriter& out) const {
    out.put(metaType);
    out.putVarLen(static_cast<uint32_t>(data.size()));
    out.put(data.data(), data.size());
}

std::string metaEvent::dataText() const {
    std::string s;
    for (uint8_t b : data) {
        s += std::to_string(b);
        s += ' ';
    }
    return s;
}

uint32_t metaEvent::numericValue() const {
    uint32_t v = 0;
    for (uint8_t b : data) v = (v << 8) | b;
    return v;
}

TempoEvent::TempoEvent(int32_t t, uint8_t, int32_t tempo) : metaEvent(t, 0x51) { setTempo(tempo); }

uint32_t TempoEvent::getTempo() const {
    uint32_t v = numericValue();
    return v == 0 ? 500000 : v;
}

void TempoEvent::setTempo(int32_t us) {
    uint32_t v = static_cast<uint32_t>(us < 0 ? 0 : us > 0xFFFFFF ? 0xFFFFFF : us);
    data = {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

int timeBeatEvent::denominator() const {
    if (data.size() < 2 || data[1] > 30) return 0;
    return 1 << data[1];
}

metaEvent* makeMetaEvent(int32_t t, uint8_t type) {
    switch (type) {
    case 0x00: return new seqNumEvent(t);
    case 0x01: return new textEvent(t);
    case 0x02: return new copyrightEvent(t);
    case 0x03: return new trackNameEvent(t);
    case 0x04: return new instNameEvent(t);
    case 0x05: return new lyricEvent(t);
    case 0x06: return new MarkerEvent(t);
    case 0x07: return new queuePointEvent(t);
    case 0x21: return new portNoEvent(t);
    case 0x2F: return new trackEndEvent(t);
    case 0x51: return new TempoEvent(t);
    case 0x54: return new SMPTEOffsetEvent(t);
    case 0x58: return new timeBeatEvent(t);
    case 0x59: return new keyEvent(t);
    default: return new metaEvent(t, type);
    }
}

}  // namespace tonvela
