#include "settings/backup.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tonvela {

namespace fs = std::filesystem;

namespace {

// The path without the extension of its file name (dots in folder names do not count).
std::string withoutExtension(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}

std::string threeDigits(int n) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%03d", n);
    return buffer;
}

}  // namespace

std::optional<std::string> backupNameFor(const std::string& path, BackupScheme scheme,
                                         const std::function<bool(const std::string&)>& exists) {
    const std::string stem = withoutExtension(path);
    if (scheme == BackupScheme::Bak) return stem + ".BAK";
    for (int n = 0; n <= 999; ++n) {
        std::string name = scheme == BackupScheme::Numbered ? stem + "." + threeDigits(n)
                                                            : stem + threeDigits(n) + ".mid";
        if (!exists(name)) return name;
    }
    return std::nullopt;
}

BackupOutcome makeBackup(const std::string& path, BackupScheme scheme) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return {BackupResult::NoFile, {}};
    auto exists = [](const std::string& p) {
        std::error_code e;
        return fs::exists(fs::symlink_status(p, e));
    };
    auto name = backupNameFor(path, scheme, exists);
    if (!name) return {BackupResult::AllTaken, {}};
    if (scheme == BackupScheme::Bak) fs::remove(*name, ec);
    ec.clear();
    fs::create_hard_link(path, *name, ec);
    if (ec) {
        ec.clear();
        fs::copy_file(path, *name, fs::copy_options::none, ec);
    }
    if (ec) return {BackupResult::Failed, *name};
    return {BackupResult::Made, *name};
}

}  // namespace tonvela
