#include "settings/package_install.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/text_lines.h"

namespace tonvela {

namespace fs = std::filesystem;

namespace {

// FNV-1a, 64 bits: enough to tell the shipped content from an edited one.
std::string contentHash(const std::vector<uint8_t>& bytes) {
    uint64_t h = 14695981039346656037ull;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 1099511628211ull;
    }
    static const char* digits = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, h >>= 4) out[static_cast<size_t>(i)] = digits[h & 15];
    return out;
}

std::optional<std::vector<uint8_t>> readIfFile(const fs::path& p) {
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) return std::nullopt;
    try {
        return readFileBytes(p.string());
    } catch (const MidiError&) {
        return std::nullopt;
    }
}

// relative path -> hash of the content last installed.
std::map<std::string, std::string> readRecord(const fs::path& file) {
    std::map<std::string, std::string> record;
    const auto bytes = readIfFile(file);
    if (!bytes) return record;
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    for (std::string_view line : splitLines(text))
        if (line.size() > 17 && line[16] == ' ') record[std::string(line.substr(17))] = std::string(line.substr(0, 16));
    return record;
}

bool hidden(const fs::path& relative) {
    for (const fs::path& part : relative) {
        const std::string s = part.string();
        if (!s.empty() && s.front() == '.') return true;
    }
    return false;
}

std::string joinCounted(const char* word, size_t n) { return std::to_string(n) + " " + word; }

}  // namespace

std::string InstallReport::summary(const std::string& what) const {
    std::string s = what + " installed: " + joinCounted("new", installed.size()) + ", " +
                    joinCounted("updated", updated.size());
    if (!kept.empty()) s += ", " + joinCounted("kept (changed by you)", kept.size());
    if (!failed.empty()) s += ", " + joinCounted("failed", failed.size());
    return s + ".";
}

InstallReport installPackage(const std::string& package, const std::string& target) {
    InstallReport report;
    const fs::path from(package), to(target);
    std::error_code ec;
    std::vector<fs::path> files;
    fs::recursive_directory_iterator it(from, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path relative = it->path().lexically_relative(from);
        if (hidden(relative)) {
            if (it->is_directory(ec)) it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file(ec)) files.push_back(relative);
    }
    std::sort(files.begin(), files.end());

    const fs::path recordFile = to / std::string(kInstallRecord);
    std::map<std::string, std::string> record = readRecord(recordFile);
    for (const fs::path& relative : files) {
        const std::string name = relative.generic_string();
        const auto shipped = readIfFile(from / relative);
        if (!shipped) {
            report.failed.push_back(name + ": could not be read");
            continue;
        }
        const std::string shippedHash = contentHash(*shipped);
        const fs::path dest = to / relative;
        std::error_code e2;
        const bool exists = fs::exists(fs::symlink_status(dest, e2));
        bool write = !exists;
        if (exists) {
            const auto current = readIfFile(dest);
            const std::string currentHash = current ? contentHash(*current) : std::string();
            if (current && currentHash == shippedHash) {
                ++report.unchanged;
                record[name] = shippedHash;
                continue;
            }
            auto last = record.find(name);
            // The user's edit of a file the package has not changed since: theirs, nothing to say.
            if (current && last != record.end() && last->second == shippedHash) {
                ++report.unchanged;
                continue;
            }
            if (!current || last == record.end() || last->second != currentHash) {
                report.kept.push_back(name);
                continue;
            }
            write = true;
        }
        if (!write) continue;
        try {
            fs::create_directories(dest.parent_path());
            writeFileAtomically(dest.string(), *shipped, "Could not install the file.");
        } catch (const std::exception& e) {
            report.failed.push_back(name + ": " + e.what());
            continue;
        }
        (exists ? report.updated : report.installed).push_back(name);
        record[name] = shippedHash;
    }

    std::string text;
    for (const auto& [name, hash] : record) text += hash + " " + name + "\r\n";
    try {
        fs::create_directories(to);
        writeFileAtomically(recordFile.string(), std::vector<uint8_t>(text.begin(), text.end()),
                            "Could not write the install record.");
    } catch (const std::exception& e) {
        report.failed.push_back(std::string(kInstallRecord) + ": " + e.what());
    }
    return report;
}

}  // namespace tonvela
