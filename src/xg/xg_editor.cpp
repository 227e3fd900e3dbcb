#include "xg/xg_editor.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "base/errors.h"
#include "song/song.h"
#include "song/xgdescription.h"

namespace tonvela {

namespace {

constexpr size_t kDataStart = 6;  // 43 1n 4C AH AM AL, then the data

// sysexEvent::setDataAt on a copy of the bytes: grows the message as needed, F7 stays last.
void setData(std::vector<uint8_t>& bytes, int i, int value) {
    const size_t at = kDataStart + static_cast<size_t>(i);
    if (bytes.size() < at + 2) bytes.resize(at + 2, 0);
    bytes.back() = 0xF7;
    bytes[at] = static_cast<uint8_t>(std::clamp(value, 0, 127));
}

std::vector<uint8_t> withData(std::vector<uint8_t> bytes, std::span<const int> data) {
    for (size_t i = 0; i < data.size(); ++i) setData(bytes, static_cast<int>(i), data[i]);
    return bytes;
}

std::vector<int> twoBytes(int value) {
    value = std::clamp(value, 0, 127 * 128 + 127);
    return {value / 128, value % 128};
}

}  // namespace

bool isXGMessage(const sysexEvent& e) { return e.manufacturer() == 0x43; }

bool isXGDisplay(const sysexEvent& e) {
    const int32_t a = e.address();
    return isXGMessage(e) && (a == xgDisplayLettersAddress || a == xgDisplayBitmapAddress);
}

int xgData(const sysexEvent& e, int i) {
    if (i < 0) return 0;
    const size_t at = kDataStart + static_cast<size_t>(i);
    // The last byte is the F7 that ends the message, never data.
    if (at + 1 >= e.sysexData.size()) return 0;
    return e.sysexData[at] & 0x7F;
}

std::vector<uint8_t> xgParameterBytes(int32_t address, std::span<const int> data) {
    std::vector<uint8_t> bytes = {0x43, 0x10, 0x4C, static_cast<uint8_t>((address >> 16) & 0x7F),
                                  static_cast<uint8_t>((address >> 8) & 0x7F), static_cast<uint8_t>(address & 0x7F)};
    for (int v : data) bytes.push_back(static_cast<uint8_t>(std::clamp(v, 0, 127)));
    bytes.push_back(0xF7);
    return bytes;
}

// ---- the two lists ------------------------------------------------------------------------------

std::string xgListText(const sysexEvent& e) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%3.3d:%2.2d:%3.3d ", e.bar + 1, e.beat + 1, e.tick);
    return buf + xgDescription(e);
}

XGListItems xgListItems(const midiSong& song) {
    XGListItems items;
    for (sysexEvent* e : song.sysexEvents) {
        if (!isXGMessage(*e)) continue;
        if (isXGDisplay(*e)) items.display.push_back({e, xgListText(*e), false});
        else items.messages.push_back({e, xgListText(*e), e->time < song.firstNoteTime});
    }
    return items;
}

// ---- display messages ---------------------------------------------------------------------------

bool xgValidLetters(std::string_view text) {
    if (text.size() > static_cast<size_t>(xgMaxLetters)) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

std::vector<uint8_t> xgLettersMessage(std::string_view text) {
    if (!xgValidLetters(text))
        throw MidiError("Display letters are at most 32 characters from space to '~'.");
    std::vector<int> data(text.begin(), text.end());
    return xgParameterBytes(xgDisplayLettersAddress, data);
}

std::vector<uint8_t> xgBitmapMessage(const XGBitmap& picture) {
    std::vector<int> data(48, 0);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c) {
            if (!picture.test(static_cast<size_t>(r * 16 + c))) continue;
            if (c < 7) data[r] |= 1 << (6 - c);
            else if (c < 14) data[16 + r] |= 1 << (13 - c);
            else data[32 + r] |= 1 << (20 - c);
        }
    return xgParameterBytes(xgDisplayBitmapAddress, data);
}

std::string xgLettersOf(const sysexEvent& e) {
    std::string text;
    for (size_t i = kDataStart; i + 1 < e.sysexData.size(); ++i) text += static_cast<char>(e.sysexData[i]);
    return text;
}

XGBitmap xgBitmapOf(const sysexEvent& e) {
    XGBitmap picture;
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c) {
            const int byte = c < 7 ? xgData(e, r) : c < 14 ? xgData(e, 16 + r) : xgData(e, 32 + r);
            const int bit = c < 7 ? 6 - c : c < 14 ? 13 - c : 20 - c;
            if (byte & (1 << bit)) picture.set(static_cast<size_t>(r * 16 + c));
        }
    return picture;
}

// ---- Arrange ------------------------------------------------------------------------------------

XGArrangeFields xgArrangeDefaults(midiSong& song) {
    int32_t at = 0;
    for (const sysexEvent* e : song.sysexEvents)
        if (isXGDisplay(*e)) {
            at = e->time;
            break;
        }
    const int64_t tempo = std::max<int32_t>(1, song.tempoAt(at));
    return {static_cast<int32_t>(int64_t{song.timeBase} * 55000 / tempo), song.timeBase / 241 + 1};
}

bool xgArrangeLess(const sysexEvent* a, const sysexEvent* b) {
    const int32_t aa = a->address(), ba = b->address();
    const bool aReset = aa == xgAllParameterResetAddress, bReset = ba == xgAllParameterResetAddress;
    if (aReset != bReset) return aReset;
    if (aa != ba) return aa < ba;
    return a->serial < b->serial;
}

// ---- the editor ---------------------------------------------------------------------------------

XGEditor::XGEditor(midiSong& song) : song_(&song) {}

void XGEditor::beginStep(const std::string& label) {
    endStep();
    open_ = true;
    label_ = label;
}

std::vector<int> XGEditor::endStep() {
    std::vector<int> tracks;
    for (const Marked& m : marked_)
        if (m.track->journal.size() > m.journalSize)
            for (int i = 0; i < song_->trackCount(); ++i)
                if (song_->track(i) == m.track) tracks.push_back(i);
    open_ = false;
    marked_.clear();
    fresh_.clear();
    return tracks;
}

void XGEditor::checkStep() {
    if (!open_) beginStep("XG Editor");
    // An undo, a redo or a save since the step's marker: the step is over, and the events it
    // made may be held by the redo side; the rest of the change makes a step of its own.
    for (const Marked& m : marked_)
        if (m.track->journal.size() < m.journalSize || m.track->canRedo()) {
            marked_.clear();
            fresh_.clear();
            return;
        }
}

void XGEditor::mark(midiTrack& t) {
    for (const Marked& m : marked_)
        if (m.track == &t) return;
    t.beginUndoStep(label_);
    marked_.push_back({&t, t.journal.size()});
}

midiTrack& XGEditor::target() const {
    if (song_->trackCount() == 0) throw MidiError("The song has no track.");
    const int t = targetTrack >= 0 && targetTrack < song_->trackCount() ? targetTrack : 0;
    return *song_->track(t);
}

bool XGEditor::listed(const sysexEvent* e) const {
    // Compared as pointers only: a caller's pointer may name an event that left the song.
    return e && std::find(song_->sysexEvents.begin(), song_->sysexEvents.end(), e) != song_->sysexEvents.end();
}

sysexEvent* XGEditor::findXGMessage(int32_t address, int32_t time) const {
    for (sysexEvent* e : song_->sysexEvents)
        if (isXGMessage(*e) && e->address() == address && (time < 0 || e->time == time)) return e;
    return nullptr;
}

sysexEvent* XGEditor::touchXGMessage(int32_t address, int32_t time) {
    if (sysexEvent* e = findXGMessage(address, time)) return e;
    checkStep();
    midiTrack& t = target();
    auto* e = new sysexEvent(time < 0 ? 0 : time, 0xF0, 0);
    e->makeXGParameter(1);
    e->setAddress(address);
    mark(t);
    t.addEvent(e, true, true);
    fresh_.insert(e->serial);
    if (onReplace) onReplace(nullptr, e);
    return e;
}

sysexEvent* XGEditor::replace(sysexEvent* e, int32_t time, const std::vector<uint8_t>& bytes) {
    if (e->time == time && e->sysexData == bytes) return e;
    checkStep();
    if (e->time == time && fresh_.count(e->serial)) {
        e->sysexData = bytes;
        return e;
    }
    midiTrack* t = song_->trackOf(e);
    if (!t) return e;
    mark(*t);
    auto* n = new sysexEvent(time, e->status, e->sysexIndex);
    n->sysexData = bytes;
    t->removeEvent(e);
    t->addEvent(n, true, true);
    t->pack();
    fresh_.insert(n->serial);
    if (onReplace) onReplace(e, n);
    return n;
}

void XGEditor::remove(sysexEvent* e) {
    midiTrack* t = song_->trackOf(e);
    if (!t) return;
    checkStep();
    mark(*t);
    t->removeEvent(e);
    t->pack();
    if (onReplace) onReplace(e, nullptr);
}

void XGEditor::sendBytes(std::span<const uint8_t> sysexData) const {
    if (!send) return;
    std::vector<uint8_t> message;
    message.reserve(sysexData.size() + 1);
    message.push_back(0xF0);
    message.insert(message.end(), sysexData.begin(), sysexData.end());
    send(message);
}

void XGEditor::sendMessage(const sysexEvent& e) const {
    if (!send) return;
    std::vector<uint8_t> message;
    message.reserve(e.sysexData.size() + 1);
    message.push_back(e.status);
    message.insert(message.end(), e.sysexData.begin(), e.sysexData.end());
    send(message);
}

void XGEditor::setXGData(int32_t address, std::span<const int> data) {
    sysexEvent* e = touchXGMessage(address);
    e = replace(e, e->time, withData(e->sysexData, data));
    sendMessage(*e);
}

void XGEditor::setXGValue(int32_t address, int value, int defaultValue) {
    if (value == defaultValue) return resetXGValue(address, defaultValue);
    const int data[] = {value};
    setXGData(address, data);
}

void XGEditor::setXGValue2(int32_t address, int value, int defaultValue) {
    if (value == defaultValue) return resetXGValue2(address, defaultValue);
    setXGData(address, twoBytes(value));
}

void XGEditor::resetXGValue(int32_t address, int defaultValue) {
    const int data[] = {defaultValue};
    if (sysexEvent* e = findXGMessage(address)) {
        sendBytes(withData(e->sysexData, data));
        remove(e);
    } else {
        sendBytes(xgParameterBytes(address, data));
    }
}

void XGEditor::resetXGValue2(int32_t address, int defaultValue) {
    const std::vector<int> data = twoBytes(defaultValue);
    if (sysexEvent* e = findXGMessage(address)) {
        sendBytes(withData(e->sysexData, data));
        remove(e);
    } else {
        sendBytes(xgParameterBytes(address, data));
    }
}

void XGEditor::dropXGMessage(int32_t address) {
    if (sysexEvent* e = findXGMessage(address)) remove(e);
}

void XGEditor::setMasterTune(int position) {
    position = std::clamp(position, 0, 2047);
    if (position == 1024) return dropXGMessage(xgMasterTuneAddress);
    sysexEvent* e = touchXGMessage(xgMasterTuneAddress);
    const int nibbles[] = {(position >> 12) & 15, (position >> 8) & 15, (position >> 4) & 15, position & 15};
    e = replace(e, e->time, xgParameterBytes(xgMasterTuneAddress, nibbles));
    sendMessage(*e);
}

void XGEditor::setEffectType(int32_t typeAddress, XGBlock block, int effectNumber) {
    const int code = xgTypeCode(block, effectNumber);
    const int lsb = block == XGBlock::reverb ? code & 0x7F : code & 0x0F;
    const int data[] = {code >> 8, lsb};
    setXGData(typeAddress, data);
}

int XGEditor::effectType(int32_t typeAddress, XGBlock block, int shownDefaultCode) const {
    const sysexEvent* e = findXGMessage(typeAddress);
    const int code = e ? xgData(*e, 0) * 256 + xgData(*e, 1) : shownDefaultCode;
    return xgEffectNumber(block, code);
}

sysexEvent* XGEditor::newDisplay(int32_t time, const std::vector<uint8_t>& message) {
    time = std::max(time, 0);
    // The address of the message: letters or bitmap.
    const int32_t address = message.size() >= 6 ? (message[3] << 16) | (message[4] << 8) | message[5] : -1;
    sysexEvent* e = touchXGMessage(address, time);
    return replace(e, time, message);
}

sysexEvent* XGEditor::changeMessage(sysexEvent* e, int32_t time, const std::vector<uint8_t>& message) {
    if (!listed(e)) return nullptr;
    return replace(e, std::max(time, 0), message);
}

void XGEditor::deleteMessage(sysexEvent* e) {
    if (listed(e)) remove(e);
}

void XGEditor::moveToTrack(int track) {
    if (track < 0 || track >= song_->trackCount()) return;
    midiTrack& to = *song_->track(track);
    struct Held {
        sysexEvent* event;
        midiTrack* track;
        int position;
    };
    std::vector<Held> held;
    for (int i = 0; i < song_->trackCount(); ++i) {
        midiTrack* t = song_->track(i);
        if (t == &to) continue;
        for (int p = 0; p < t->size(); ++p) {
            auto* e = dynamic_cast<sysexEvent*>(t->at(p));
            if (e && !song_->isPreset(e)) held.push_back({e, t, p});
        }
    }
    if (held.empty()) return;
    checkStep();
    // In list order, so the copies keep the order of the messages they replace.
    std::sort(held.begin(), held.end(), [](const Held& a, const Held& b) { return a.event->serial < b.event->serial; });
    std::vector<anyEvent*> copies;
    copies.reserve(held.size());
    std::vector<midiTrack*> emptied;
    for (const Held& h : held) {
        mark(*h.track);
        auto* copy = new sysexEvent(h.event->time, h.event->status, h.event->sysexIndex);
        copy->copyDataFrom(*h.event);
        copies.push_back(copy);
        if (std::find(emptied.begin(), emptied.end(), h.track) == emptied.end()) emptied.push_back(h.track);
    }
    // Removals by position, each track from its end, so that no position moves under us.
    std::vector<Held> byPosition = held;
    std::sort(byPosition.begin(), byPosition.end(), [](const Held& a, const Held& b) {
        return a.track != b.track ? a.track < b.track : a.position > b.position;
    });
    for (const Held& h : byPosition) h.track->removeEventAt(h.position);
    for (midiTrack* t : emptied) t->pack();
    mark(to);
    to.addEvents(copies, true);
    for (size_t i = 0; i < held.size(); ++i) {
        fresh_.insert(copies[i]->serial);
        if (onReplace) onReplace(held[i].event, static_cast<sysexEvent*>(copies[i]));
    }
}

int XGEditor::arrange(int32_t start, int32_t offset, const std::function<bool(const sysexEvent&)>& checked) {
    std::vector<sysexEvent*> order;
    for (sysexEvent* e : song_->sysexEvents)
        if (isXGMessage(*e) && !isXGDisplay(*e) && checked(*e)) order.push_back(e);
    if (order.empty()) return 0;
    std::stable_sort(order.begin(), order.end(), xgArrangeLess);
    std::unordered_map<const anyEvent*, midiTrack*> holder;
    holder.reserve(order.size());
    for (const sysexEvent* e : order) holder.emplace(e, nullptr);
    for (int i = 0; i < song_->trackCount(); ++i)
        for (anyEvent* e : song_->track(i)->events())
            if (e) {
                auto it = holder.find(e);
                if (it != holder.end() && !it->second) it->second = song_->track(i);
            }
    checkStep();
    std::vector<midiTrack*> moved;
    int64_t time = std::max(start, 0);
    int count = 0;
    for (sysexEvent* e : order) {
        midiTrack* t = holder[e];
        if (!t) continue;
        mark(*t);
        t->setEventTime(e, static_cast<int32_t>(std::clamp<int64_t>(time, 0, INT32_MAX)));
        time += offset;
        ++count;
        if (std::find(moved.begin(), moved.end(), t) == moved.end()) moved.push_back(t);
    }
    for (midiTrack* t : moved) t->sortEvents();
    return count;
}

}  // namespace tonvela
