// Whole-file reads and the large-buffer helpers under them.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/pages.h"
#include "temp_folder.h"

using namespace tonvela;

namespace {

std::vector<uint8_t> pattern(size_t n) {
    std::vector<uint8_t> out(n);
    uint32_t x = 12345;
    for (auto& b : out) {
        x = x * 1103515245 + 12345;
        b = static_cast<uint8_t>(x >> 16);
    }
    return out;
}

std::string messageOf(const std::string& path) {
    try {
        readWholeFile(path);
    } catch (const MidiError& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace

TEST(ReadWholeFile, GivesEveryByteOfFilesSmallAndLarge) {
    test::TempFolder dir;
    // Empty, one byte, past the first 64 KB buffer, and large enough for huge pages (not a
    // whole number of them).
    for (size_t size : {size_t{0}, size_t{1}, size_t{70'000}, (size_t{3} << 20) + 7}) {
        const std::vector<uint8_t> bytes = pattern(size);
        const std::string path = dir.file("f" + std::to_string(size));
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        const FileBytes file = readWholeFile(path);
        ASSERT_EQ(file.size(), size);
        EXPECT_TRUE(size == 0 || std::memcmp(file.data(), bytes.data(), size) == 0) << size;
        EXPECT_EQ(readFileBytes(path), bytes) << size;
    }
}

TEST(ReadWholeFile, ReadsAPipeToItsEnd) {
    // No size to go by: the buffer grows as the data comes.
    test::TempFolder dir;
    const std::string path = dir.file("fifo");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << std::strerror(errno);
    const std::vector<uint8_t> bytes = pattern(300'000);
    std::thread writer([&] {
        std::ofstream out(path, std::ios::binary);
        for (size_t at = 0; at < bytes.size(); at += 1000)  // in pieces, as a pipe delivers them
            out.write(reinterpret_cast<const char*>(bytes.data() + at), 1000).flush();
    });
    const std::vector<uint8_t> got = readFileBytes(path);
    writer.join();
    EXPECT_EQ(got, bytes);
}

TEST(ReadWholeFile, FailuresCarryTheSystemsMessage) {
    test::TempFolder dir;
    EXPECT_EQ(messageOf(dir.file("missing.mid")), std::strerror(ENOENT));
    EXPECT_EQ(messageOf(dir.path()), std::strerror(EISDIR));
}

TEST(Pages, GrowingAheadKeepsEveryElementInOrder) {
    // Past 2 MB the new buffers lie in huge pages; the elements must move over intact.
    std::vector<std::string> lines;
    FaultAhead ahead;
    for (int i = 0; i < 200'000; ++i) {
        growAhead(lines);
        ahead.before(lines);
        lines.push_back("V," + std::to_string(i) + (i % 7 == 0 ? std::string(40, 'x') : std::string()));
    }
    ASSERT_EQ(lines.size(), 200'000u);
    for (int i = 0; i < 200'000; i += 997)
        EXPECT_EQ(lines[static_cast<size_t>(i)], "V," + std::to_string(i) + (i % 7 == 0 ? std::string(40, 'x') : std::string()));
}
