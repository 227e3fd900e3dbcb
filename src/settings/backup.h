#pragma once

// The backup kept beside a file before it is saved over.

#include <functional>
#include <optional>
#include <string>

namespace tonvela {

enum class BackupScheme {
    Bak = 0,          // song.BAK, an older backup is replaced
    Numbered = 1,     // song.000, song.001, ... the first free one
    NumberedMid = 2,  // song000.mid, song001.mid, ... the first free one
};

inline constexpr const char* kAllBackupsTaken =
    "Dooh! Why don't you delete backup files? Delete them and try again.";

// The backup name of `path`; nullopt when all thousand numbered names exist. The extension
// is the part after the last '.' of the file name (none: the name is extended).
std::optional<std::string> backupNameFor(const std::string& path, BackupScheme scheme,
                                         const std::function<bool(const std::string&)>& exists);

enum class BackupResult {
    NoFile,    // nothing to back up
    Made,      // the previous content is at `path`
    Failed,    // the backup could not be made (not reported to the user; the save goes on)
    AllTaken,  // every numbered name exists: do not save
};

struct BackupOutcome {
    BackupResult result;
    std::string path;
};

// Keeps the current content of `path` under its backup name. The file itself stays in place
// (a second link, or a copy where links are not possible), so a save that fails afterwards
// still leaves the previous file where it was.
BackupOutcome makeBackup(const std::string& path, BackupScheme scheme);

}  // namespace tonvela
