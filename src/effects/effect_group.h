#pragma once

// Effect groups (.fxg): a name and a list of effect files that run one after another over the
// same selection. Text lines ending in CR LF: "000", the group name, then one effect file per
// line as a path below the effects folder. A backslash separates folders on every platform and
// is what is written, so group files stay exchangeable; a slash is read as one too.
//
// Group files are untrusted: an empty file, missing lines, overlong lines or binary data are
// refused with a message, and a member path that would leave the effects folder (absolute,
// "..", or a link pointing out of it) is refused when the group runs.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "effects/apply_effect.h"

namespace tonvela {

class midiSong;

struct EffectGroup {
    std::string name;
    std::vector<std::string> members;  // the lines as stored (backslashes)
};

// Limits of what a group file may hold; beyond them the file is refused.
inline constexpr size_t kMaxGroupFileBytes = 1 << 20;
inline constexpr size_t kMaxGroupLineBytes = 1024;

// Reads a group from the text of a file. Line 1 is not examined; blank member lines are
// skipped. Throws MidiError for a file that is empty, has no name line, holds binary data (a
// control character other than tab) or a line longer than kMaxGroupLineBytes.
EffectGroup parseEffectGroup(std::string_view text);
// Reads the file at `path` (MidiError when it cannot be read or is refused).
EffectGroup loadEffectGroup(const std::string& path);
// "000", the name, the members, CR LF line ends. Throws MidiError when the name or a member
// holds a line break.
std::string formatEffectGroup(const EffectGroup& group);
// Writes formatEffectGroup atomically (a failed save leaves the old file).
void saveEffectGroup(const std::string& path, const EffectGroup& group);

// ---- members and the effects folder -------------------------------------------------------------

enum class MemberState {
    found,    // a regular file inside the effects folder
    missing,  // no such file
    outside,  // the path leaves the effects folder (absolute, "..", a link pointing out)
};

struct GroupMember {
    MemberState state = MemberState::missing;
    std::string path;  // the file to read when found
};

// Where a member line leads, below `effectsFolder`.
GroupMember findGroupMember(const std::string& effectsFolder, std::string_view line);
// The member line of a file below `effectsFolder`: its relative path with backslashes; empty
// when the file is not inside the folder.
std::string groupMemberLine(const std::string& effectsFolder, const std::string& file);

// A folder of the effects folder tree: its files of one extension and its sub-folders (names
// not beginning with "."), together sorted by name without regard to case. Links are followed
// only when they lead to a place inside the effects folder that the walk has not been to, so a
// link loop or a link out of the folder is never entered.
struct EffectFolderEntry {
    std::string name;  // file or folder name
    bool folder = false;
    std::vector<EffectFolderEntry> children;  // of a folder
};
// The entries of `root` (an empty list when it does not exist or cannot be read); `extension`
// with its dot, compared without regard to case (".fxl", ".fxg").
std::vector<EffectFolderEntry> scanEffectsFolder(const std::string& root, std::string_view extension);

// ---- running a group ----------------------------------------------------------------------------

// A member that did not run: the message names the member ("File NOT exists: ..."), the detail
// says why when there is more to say (the reader's or the run's message).
struct GroupFailure {
    std::string message;
    std::string detail;
};

struct GroupRunHooks {
    // "Reading " + line before a member is read, "Executing " + line before it runs, and the
    // member's own status text (hits) after it ran.
    std::function<void(const std::string& text)> status;
    // A member that did not run; the group goes on with the next one.
    std::function<void(const GroupFailure& failure)> failed;
    // A member read all the same after a warning (an effect file of a newer version).
    std::function<void(const std::string& line, const std::string& warning)> warning;
    // Progress of each member's run.
    EffectProgress progress;
};

struct GroupRunResult {
    int members = 0;  // member lines of the group
    int ran = 0;      // members that were read and applied
    std::vector<GroupFailure> failures;
    // "Effect done." when every member ran, else "Effect done. (R of M effects)".
    std::string statusText() const;
};

// Texts of a group run.
inline constexpr std::string_view kGroupReading = "Reading ";
inline constexpr std::string_view kGroupExecuting = "Executing ";
inline constexpr std::string_view kGroupMissing = "File NOT exists: ";
inline constexpr std::string_view kGroupOutside = "Not in the effects folder: ";
inline constexpr std::string_view kGroupReadFailed = "Read Failed: ";
inline constexpr std::string_view kGroupExecuteFailed = "Execute Failed: ";
inline constexpr std::string_view kGroupDone = "Effect done.";

// Runs the members in order over the selection: each is read from its file on top of the
// default settings (so a group gives the same result wherever it runs) and applied to the
// selected tracks and bars, as tonvela-cli apply --effect does, with its own undo steps. A
// member that is missing, outside the folder, unreadable or fails to run is reported and
// skipped.
GroupRunResult runEffectGroup(midiSong& song, const EffectGroup& group, const std::string& effectsFolder,
                              const Selection& selection, const GroupRunHooks& hooks = {});

}  // namespace tonvela
