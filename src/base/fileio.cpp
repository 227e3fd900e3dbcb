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

FileBytes readWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw MidiError(std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw MidiError(std::strerror(errno));
    if (S_ISDIR(st.st_mode)) throw MidiError(std::strerror(EISDIR));
    FileBytes file;
    // A regular file is read in one go into a buffer of its size, with one byte of room to see
    // whether it has grown since; other files (pipes, devices) grow the buffer as they go.
    const size_t expected = S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
    file.buffer_ = ByteBuffer(expected + 1 > 65536 ? expected + 1 : 65536);
    for (;;) {
        if (file.size_ == file.buffer_.capacity()) file.buffer_.grow(file.size_ * 2, file.size_);
        const ssize_t n = ::read(fd, file.buffer_.data() + file.size_, file.buffer_.capacity() - file.size_);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw MidiError(std::strerror(errno));
        }
        if (n == 0) break;
        file.size_ += static_cast<size_t>(n);
    }
    return file;
}

std::vector<uint8_t> readFileBytes(const std::string& path) {
    FileBytes file = readWholeFile(path);
    return std::vector<uint8_t>(file.data(), file.data() + file.size());
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
