#include "base/fileio.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/errors.h"

namespace tonvela {

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw MidiError(std::strerror(errno));
    std::vector<uint8_t> bytes;
    struct stat st {};
    if (::fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        throw MidiError(std::strerror(EISDIR));
    }
    if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    bool failed = std::ferror(f);
    int err = errno;
    std::fclose(f);
    if (failed) throw MidiError(std::strerror(err));
    return bytes;
}

namespace {

// The file a path finally names, through any chain of symbolic links (a link to a file that
// does not exist yet names that file). Saving replaces that file and leaves the links alone.
std::string resolveLinks(const std::string& path, const std::string& failed) {
    std::filesystem::path p(path);
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(p, ec)) || ec) return p.string();
        std::filesystem::path target = std::filesystem::read_symlink(p, ec);
        if (ec) throw MidiError(failed, ec.message());
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    throw MidiError(failed, std::strerror(ELOOP));
}

}  // namespace

void writeFileAtomically(const std::string& linkPath, const std::vector<uint8_t>& bytes, const std::string& failed) {
    const std::string path = resolveLinks(linkPath, failed);
    std::filesystem::path target(path);
    std::string dir = target.has_parent_path() ? target.parent_path().string() : ".";
    std::string tmpl = (std::filesystem::path(dir) / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) throw MidiError(failed, std::strerror(errno));
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(name.data());
        throw MidiError(failed, std::strerror(err));
    };
    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat st {};
    mode_t mode;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0) fail(errno);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        done += static_cast<size_t>(w);
    }
    if (::fsync(fd) != 0) fail(errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(name.data());
        throw MidiError(failed, std::strerror(err));
    }
    if (::rename(name.data(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(name.data());
        throw MidiError(failed, std::strerror(err));
    }
}

}  // namespace tonvela
