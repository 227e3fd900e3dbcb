#include "settings/options.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "settings/numbertext.h"

namespace tonvela {

namespace {

// Walks the lines one after another, as the file is laid out.
class LineCursor {
public:
    explicit LineCursor(const std::vector<std::string>& lines) : lines_(lines) {}
    bool ended() const { return next_ >= lines_.size(); }
    std::optional<std::string> text() {
        if (ended()) return std::nullopt;
        return lines_[next_++];
    }
    void skip() { ++next_; }
    // False once the file has ended; a line that is no number leaves `value` as it is.
    bool integer(int& value, int low, int high) {
        auto t = text();
        if (!t) return false;
        if (auto v = readInteger(*t)) value = std::clamp(*v, low, high);
        return true;
    }
    bool check(bool& value) {
        auto t = text();
        if (!t) return false;
        if (auto v = readInteger(*t)) value = *v != 0;
        return true;
    }

private:
    const std::vector<std::string>& lines_;
    size_t next_ = 0;
};

std::string bit(bool b) { return b ? "1" : "0"; }

}  // namespace

OptionPrefsStatus readOptionPrefs(const std::vector<std::string>& lines, Options& o,
                                  DialogPosition& position) {
    if (lines.empty()) return OptionPrefsStatus::Unreadable;
    auto version = readInteger(lines[0]);
    if (!version) return OptionPrefsStatus::Unreadable;
    if (*version >= 10) return OptionPrefsStatus::NewerVersion;
    const int v = *version;

    LineCursor in(lines);
    in.skip();  // version
    int top = 0, left = 0;
    if (!in.integer(top, INT32_MIN, INT32_MAX)) return OptionPrefsStatus::Short;
    if (!in.integer(left, INT32_MIN, INT32_MAX)) return OptionPrefsStatus::Short;
    position = {top, left, true};
    in.skip();  // width and height: the dialog keeps its own size
    in.skip();
    bool ok = in.check(o.deleteDuplicatedNote);
    in.skip();  // line 7 is always "0"
    ok = ok && in.check(o.detectShortDuraion) && in.integer(o.minimumDur, 1, 100) &&
         in.check(o.detectIllegalVel) && in.integer(o.illegalVeloMin, 1, 127) &&
         in.integer(o.illegalVeloMax, 1, 127);
    if (!ok) return OptionPrefsStatus::Short;

    if (v <= 0) {
        o.detectSametimeonoff = o.detectSameControlValue = o.detectSynchronousNoteON =
            o.detectSameBendValue = o.detectInvalidDataEntry = true;
        o.makeBackup = true;
        o.extension = 1;
        o.midiErrorSound = true;
    } else if (!(in.check(o.detectSametimeonoff) && in.check(o.detectSameControlValue) &&
                 in.check(o.detectSynchronousNoteON) && in.check(o.detectSameBendValue) &&
                 in.check(o.detectInvalidDataEntry) && in.check(o.makeBackup) &&
                 in.integer(o.extension, 0, 2) && in.check(o.midiErrorSound))) {
        return OptionPrefsStatus::Short;
    }
    if (v < 2) {
        o.detectSynchronousControl = o.detectSynchronousPitchBend = o.checkInitial = true;
    } else if (!(in.check(o.detectSynchronousControl) && in.check(o.detectSynchronousPitchBend) &&
                 in.check(o.checkInitial))) {
        return OptionPrefsStatus::Short;
    }
    if (v < 3) {
        o.historyCount = 10;
    } else if (!in.integer(o.historyCount, 1, 100)) {
        return OptionPrefsStatus::Short;
    }
    if (v < 4) {
        o.detectNoteOnandOtherEvent = o.noteonWhileVol0 = false;
    } else if (!(in.check(o.detectNoteOnandOtherEvent) && in.check(o.noteonWhileVol0))) {
        return OptionPrefsStatus::Short;
    }
    if (v < 5) {
        o.invalidOnOff = false;
    } else if (!in.check(o.invalidOnOff)) {
        return OptionPrefsStatus::Short;
    }
    if (v >= 6) {
        for (std::string* name : {&o.editName1, &o.editName2, &o.editName3}) {
            auto t = in.text();
            if (!t) return OptionPrefsStatus::Short;
            *name = *t;
        }
    }
    if (v < 7) {
        o.nonefctPB = false;
    } else if (!in.check(o.nonefctPB)) {
        return OptionPrefsStatus::Short;
    }
    if (v < 8) {
        o.ineffectivePitchbend = false;
    } else if (!in.check(o.ineffectivePitchbend)) {
        return OptionPrefsStatus::Short;
    }
    if (v == 9) {
        auto t = in.text();
        if (!t) return OptionPrefsStatus::Short;
        o.dispInterval = normalizedDispInterval(*t);
    }
    return OptionPrefsStatus::Read;
}

std::vector<std::string> formatOptionPrefs(const Options& o, int top, int left, int width,
                                           int height) {
    return {
        "0009",
        std::to_string(top),
        std::to_string(left),
        std::to_string(width),
        std::to_string(height),
        bit(o.deleteDuplicatedNote),
        "0",
        bit(o.detectShortDuraion),
        std::to_string(o.minimumDur),
        bit(o.detectIllegalVel),
        std::to_string(o.illegalVeloMin),
        std::to_string(o.illegalVeloMax),
        bit(o.detectSametimeonoff),
        bit(o.detectSameControlValue),
        bit(o.detectSynchronousNoteON),
        bit(o.detectSameBendValue),
        bit(o.detectInvalidDataEntry),
        bit(o.makeBackup),
        std::to_string(o.extension),
        bit(o.midiErrorSound),
        bit(o.detectSynchronousControl),
        bit(o.detectSynchronousPitchBend),
        bit(o.checkInitial),
        std::to_string(o.historyCount),
        bit(o.detectNoteOnandOtherEvent),
        bit(o.noteonWhileVol0),
        bit(o.invalidOnOff),
        o.editName1,
        o.editName2,
        o.editName3,
        bit(o.nonefctPB),
        bit(o.ineffectivePitchbend),
        o.dispInterval,
    };
}

std::string normalizedDispInterval(const std::string& text) {
    auto v = readInteger(text);
    if (v && *v < 0) return "0";
    return text;
}

int dispIntervalMs(const std::string& text) {
    auto v = readInteger(text);
    return v ? std::max(*v, 0) : 1000;
}

}  // namespace tonvela
