#include "effects/effect_group.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/text_lines.h"
#include "effects/effect_file.h"
#include "song/song.h"

namespace tonvela {

namespace fs = std::filesystem;

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool lessWithoutCase(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char x = lower(a[i]), y = lower(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

bool endsWithoutCase(std::string_view name, std::string_view suffix) {
    if (name.size() < suffix.size()) return false;
    name = name.substr(name.size() - suffix.size());
    for (size_t i = 0; i < suffix.size(); ++i)
        if (lower(name[i]) != lower(suffix[i])) return false;
    return true;
}

// The canonical form of a path that exists, else empty.
fs::path canonicalOrEmpty(const fs::path& p) {
    std::error_code ec;
    fs::path c = fs::canonical(p, ec);
    return ec ? fs::path() : c;
}

// Whether `inner` is `root` or lies below it (both canonical).
bool isInside(const fs::path& inner, const fs::path& root) {
    auto r = root.begin(), i = inner.begin();
    for (; r != root.end(); ++r, ++i) {
        if (i == inner.end() || *i != *r) return false;
    }
    return true;
}

void checkOneLine(const std::string& text, const char* what) {
    if (text.find_first_of("\r\n") != std::string::npos)
        throw MidiError(std::string("The effect group cannot be saved: ") + what + " holds a line break.");
}

}  // namespace

// ---- the file -----------------------------------------------------------------------------------

EffectGroup parseEffectGroup(std::string_view text) {
    if (text.size() > kMaxGroupFileBytes)
        throw MidiError("The effect group file is too large (" + std::to_string(text.size()) + " bytes).");
    const std::vector<std::string_view> lines = splitLines(text);
    const bool blank = std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
    if (blank) throw MidiError("The effect group file is empty.");
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.size() > kMaxGroupLineBytes)
            throw MidiError("The effect group file is broken: line " + std::to_string(i + 1) + " is longer than " +
                            std::to_string(kMaxGroupLineBytes) + " characters.");
        for (char c : line) {
            const auto u = static_cast<unsigned char>(c);
            if ((u < 32 && c != '\t') || u == 127)
                throw MidiError("This is not an effect group file: line " + std::to_string(i + 1) +
                                " holds binary data.");
        }
    }
    if (lines.size() < 2) throw MidiError("The effect group file ends early: line 2 (the group name) is missing.");
    EffectGroup group;
    group.name = std::string(lines[1]);
    for (size_t i = 2; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        group.members.emplace_back(line);
    }
    return group;
}

EffectGroup loadEffectGroup(const std::string& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (!ec && size > kMaxGroupFileBytes)
        throw MidiError("The effect group file is too large (" + std::to_string(size) + " bytes).");
    const std::vector<uint8_t> bytes = readFileBytes(path);
    return parseEffectGroup(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string formatEffectGroup(const EffectGroup& group) {
    checkOneLine(group.name, "the group name");
    std::string out = "000\r\n" + group.name + "\r\n";
    for (const std::string& m : group.members) {
        checkOneLine(m, "an effect path");
        out += m + "\r\n";
    }
    return out;
}

void saveEffectGroup(const std::string& path, const EffectGroup& group) {
    const std::string text = formatEffectGroup(group);
    writeFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end()), "The effect group could not be saved.");
}

// ---- members ------------------------------------------------------------------------------------

GroupMember findGroupMember(const std::string& effectsFolder, std::string_view line) {
    GroupMember m;
    // Folders are separated by backslashes (and slashes); a rooted path, a drive and ".." lead
    // out of the folder.
    if (line.empty() || line.front() == '\\' || line.front() == '/' || (line.size() >= 2 && line[1] == ':')) {
        m.state = line.empty() ? MemberState::missing : MemberState::outside;
        return m;
    }
    fs::path relative;
    size_t start = 0;
    while (start <= line.size()) {
        size_t end = line.find_first_of("\\/", start);
        if (end == std::string_view::npos) end = line.size();
        const std::string_view part = line.substr(start, end - start);
        if (part == "..") {
            m.state = MemberState::outside;
            return m;
        }
        if (!part.empty() && part != ".") relative /= std::string(part);
        start = end + 1;
    }
    const fs::path root = canonicalOrEmpty(effectsFolder);
    if (root.empty() || relative.empty()) return m;
    const fs::path target = canonicalOrEmpty(root / relative);
    if (target.empty()) return m;
    if (!isInside(target, root)) {
        m.state = MemberState::outside;
        return m;
    }
    std::error_code ec;
    if (!fs::is_regular_file(target, ec)) return m;
    m.state = MemberState::found;
    m.path = target.string();
    return m;
}

std::string groupMemberLine(const std::string& effectsFolder, const std::string& file) {
    const fs::path root = canonicalOrEmpty(effectsFolder);
    std::error_code ec;
    // The file's own name is kept (a link inside the folder stays what the user chose); its
    // folder must lie inside the effects folder.
    const fs::path absolute = fs::absolute(file, ec);
    if (root.empty() || ec) return {};
    const fs::path folder = canonicalOrEmpty(absolute.parent_path());
    if (folder.empty() || !isInside(folder, root)) return {};
    std::string line;
    for (const fs::path& part : folder.lexically_relative(root)) {
        if (part == ".") continue;
        line += part.string() + "\\";
    }
    return line + absolute.filename().string();
}

namespace {

void scanInto(const fs::path& folder, const fs::path& root, std::string_view extension, std::set<fs::path>& visited,
              int depth, std::vector<EffectFolderEntry>& out) {
    if (depth > 32) return;
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec) return;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const fs::path path = it->path();
        const std::string name = path.filename().string();
        std::error_code e2;
        const bool isDir = fs::is_directory(path, e2);  // follows links
        const bool isFile = !isDir && fs::is_regular_file(path, e2);
        if (!isDir && !isFile) continue;
        const bool isLink = fs::is_symlink(path, e2);
        if (isDir) {
            if (name.empty() || name.front() == '.') continue;
            const fs::path real = canonicalOrEmpty(path);
            if (real.empty() || !isInside(real, root) || visited.count(real)) continue;
            visited.insert(real);
            EffectFolderEntry entry{name, true, {}};
            scanInto(real, root, extension, visited, depth + 1, entry.children);
            out.push_back(std::move(entry));
        } else if (endsWithoutCase(name, extension)) {
            if (isLink) {
                const fs::path real = canonicalOrEmpty(path);
                if (real.empty() || !isInside(real, root)) continue;
            }
            out.push_back({name, false, {}});
        }
    }
    std::sort(out.begin(), out.end(),
              [](const EffectFolderEntry& a, const EffectFolderEntry& b) { return lessWithoutCase(a.name, b.name); });
}

}  // namespace

std::vector<EffectFolderEntry> scanEffectsFolder(const std::string& root, std::string_view extension) {
    std::vector<EffectFolderEntry> out;
    const fs::path real = canonicalOrEmpty(root);
    if (real.empty()) return out;
    std::set<fs::path> visited{real};
    scanInto(real, real, extension, visited, 0, out);
    return out;
}

// ---- running --------------------------------------------------------------------------------------

std::string GroupRunResult::statusText() const {
    if (ran == members) return std::string(kGroupDone);
    return std::string(kGroupDone) + " (" + std::to_string(ran) + " of " + std::to_string(members) + " effects)";
}

GroupRunResult runEffectGroup(midiSong& song, const EffectGroup& group, const std::string& effectsFolder,
                              const Selection& selection, const GroupRunHooks& hooks) {
    GroupRunResult result;
    result.members = static_cast<int>(group.members.size());
    auto status = [&](const std::string& text) {
        if (hooks.status) hooks.status(text);
    };
    auto fail = [&](std::string_view text, const std::string& line, std::string detail) {
        GroupFailure f{std::string(text) + line, std::move(detail)};
        if (hooks.failed) hooks.failed(f);
        result.failures.push_back(std::move(f));
    };
    for (const std::string& line : group.members) {
        status(std::string(kGroupReading) + line);
        const GroupMember member = findGroupMember(effectsFolder, line);
        if (member.state == MemberState::missing) {
            fail(kGroupMissing, line, {});
            continue;
        }
        if (member.state == MemberState::outside) {
            fail(kGroupOutside, line, "A group names effect files inside the effects folder only.");
            continue;
        }
        LoadedEffect loaded;
        try {
            loaded = loadEffect(member.path);
        } catch (const MidiError& e) {
            fail(kGroupReadFailed, line, e.message());
            continue;
        }
        for (const std::string& w : loaded.warnings)
            if (hooks.warning) hooks.warning(line, w);

        status(std::string(kGroupExecuting) + line);
        // Each member runs on the selection as it is now: an earlier member may have added bars
        // or an echo track.
        std::string error;
        const std::optional<EffectScope> scope =
            EffectScope::of(song, selection, rangeFieldsFor(song, selection), &error);
        if (!scope) {
            fail(kGroupExecuteFailed, line, error);
            continue;
        }
        EffectResult run;
        try {
            run = applyEffect(song, loaded.settings, *scope, hooks.progress);
        } catch (const MidiError& e) {
            fail(kGroupExecuteFailed, line, e.message());
            continue;
        }
        if (!run.applied) {
            fail(kGroupExecuteFailed, line, "its interval (Distance) is not a number above 0");
            continue;
        }
        ++result.ran;
        status(run.statusText());
    }
    return result;
}

}  // namespace tonvela
