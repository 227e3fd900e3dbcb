#pragma once

// Installs a shipped package (the effect library, the manual) into the user's settings folder
// without ever overwriting a file the user changed. The target folder keeps a record of what was
// installed (kInstallRecord: a content hash and a relative path per line): a target file that
// still has the content last installed is the program's own and may be replaced by the new
// version; any other file of the same name is the user's and is kept.

#include <string>
#include <string_view>
#include <vector>

namespace tonvela {

inline constexpr std::string_view kInstallRecord = ".tonvela-installed";

struct InstallReport {
    std::vector<std::string> installed;  // new files (relative paths, '/' separated)
    std::vector<std::string> updated;    // files of an earlier install replaced by the new version
    std::vector<std::string> kept;       // files the user changed or made: left as they are
    std::vector<std::string> failed;     // "PATH: MESSAGE" for files that could not be written
    // Files already as shipped, or changed by the user where the package brings nothing new.
    int unchanged = 0;

    bool complete() const { return failed.empty(); }
    // "Effects installed: 30 new, 2 updated, 1 kept (changed by you)." style summary; `what`
    // names the package ("Effects").
    std::string summary(const std::string& what) const;
};

// Copies every file below `package` into `target` (folders made as needed; names beginning
// with "." skipped). A file already in `target` is replaced only when it holds what the last
// install put there. Each file is written atomically. The record is updated at the end.
InstallReport installPackage(const std::string& package, const std::string& target);

}  // namespace tonvela
