#include "base/pages.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace tonvela {

namespace {

// Below this a buffer is cheap to fault in page by page, and a huge page would mostly be waste.
constexpr size_t kLargeBuffer = kHugePageBytes / 2;
constexpr size_t kFewPages = 16 * 1024;

size_t roundUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

}  // namespace

void* allocateHugeBlock(size_t bytes, bool hugePages) {
#ifdef __linux__
    // Map one huge page more than asked and keep the aligned part.
    const size_t span = bytes + kHugePageBytes;
    void* p = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(p);
    const uintptr_t aligned = roundUp(start, kHugePageBytes);
    if (aligned > start) ::munmap(p, aligned - start);
    if (const size_t tail = start + span - (aligned + bytes); tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    if (hugePages) ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);  // a refusal leaves small pages
    return reinterpret_cast<void*>(aligned);
#else
    (void)hugePages;
    void* p = std::aligned_alloc(kHugePageBytes, bytes);
    if (!p) throw std::bad_alloc();
    return p;
#endif
}

void freeHugeBlock(void* block, size_t bytes) {
    if (!block) return;
#ifdef __linux__
    ::munmap(block, bytes);
#else
    (void)bytes;
    std::free(block);
#endif
}

void adviseHugePages(void* p, size_t bytes) {
#ifdef __linux__
    const auto start = reinterpret_cast<uintptr_t>(p);
    const uintptr_t first = roundUp(start, kHugePageBytes);
    const uintptr_t last = (start + bytes) / kHugePageBytes * kHugePageBytes;
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}

void prefaultPages(void* p, size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    if (bytes < kFewPages) return;  // a call costs more than a few faults
    static const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<uintptr_t>(p) / page * page;
    const uintptr_t stop = roundUp(reinterpret_cast<uintptr_t>(p) + bytes, page);
    ::madvise(reinterpret_cast<void*>(start), stop - start, MADV_POPULATE_WRITE);  // older kernels refuse it
#else
    (void)p;
    (void)bytes;
#endif
}

ByteBuffer::ByteBuffer(size_t capacity) : capacity_(capacity) {
    if (capacity >= kLargeBuffer) {
        mapped_ = roundUp(capacity, kHugePageBytes);
        data_ = static_cast<uint8_t*>(allocateHugeBlock(mapped_));
    } else if (capacity > 0) {
        data_ = static_cast<uint8_t*>(::operator new(capacity));
    }
}

ByteBuffer::~ByteBuffer() { release(); }

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)),
      mapped_(std::exchange(other.mapped_, 0)) {}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

void ByteBuffer::grow(size_t capacity, size_t keep) {
    ByteBuffer bigger(capacity);
    if (keep > 0) std::memcpy(bigger.data_, data_, std::min({keep, capacity_, capacity}));
    *this = std::move(bigger);
}

void ByteBuffer::release() noexcept {
    if (mapped_ > 0)
        freeHugeBlock(data_, mapped_);
    else
        ::operator delete(data_);
    data_ = nullptr;
    capacity_ = mapped_ = 0;
}

}  // namespace tonvela
