#pragma once

// Memory for large buffers that are filled front to back.
//
// Each 4 KB page that a process touches for the first time costs a page fault, and on a
// virtual machine a fault costs several microseconds: a song of a few million events would
// spend more time faulting its memory in than reading its file. Large buffers therefore ask
// for 2 MB pages (Linux transparent huge pages, `madvise(MADV_HUGEPAGE)`): one fault per 2 MB.
// Elsewhere, or when the system has no huge pages, they are plain memory.

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace tonvela {

inline constexpr size_t kHugePageBytes = size_t{2} << 20;

// A block of `bytes` (a multiple of kHugePageBytes) aligned to kHugePageBytes and, unless
// `hugePages` is false, advised as huge pages; its pages are taken from the system as they are
// first touched. Throws std::bad_alloc.
void* allocateHugeBlock(size_t bytes, bool hugePages = true);
void freeHugeBlock(void* block, size_t bytes);

// Asks for huge pages over the whole, aligned 2 MB pages inside [p, p + bytes), memory the
// caller owns. Only for memory that will be filled: a huge page is taken whole when it is first
// touched. Does nothing where huge pages are not available.
void adviseHugePages(void* p, size_t bytes);

// Faults in the pages of [p, p + bytes) in one go, memory the caller owns and is about to fill:
// cheaper than a fault per page. Does nothing for a few pages, where a fault each is cheaper
// than the call, or where the system cannot.
void prefaultPages(void* p, size_t bytes);

// For a vector filled front to back: faults its pages in a stretch (64 KB) at a time just ahead
// of its end, and once it holds 1 MB, when it is clearly large, asks for huge pages for the rest
// of its room. Call before each push_back.
class FaultAhead {
public:
    template <typename Vector>
    void before(Vector& v) {
        if (v.size() < ready_ && v.data() == buffer_) return;
        using T = typename Vector::value_type;
        const size_t filled = v.size() * sizeof(T), room = (v.capacity() - v.size()) * sizeof(T);
        void* end = reinterpret_cast<char*>(v.data()) + filled;
        if (filled >= kLargeBytes && large_ != v.data()) {
            adviseHugePages(end, room);
            large_ = v.data();
        }
        const size_t n = std::min(kStretchBytes, room) / sizeof(T);
        prefaultPages(end, n * sizeof(T));
        ready_ = v.size() + n;
        buffer_ = v.data();
    }

private:
    static constexpr size_t kStretchBytes = 64 * 1024;
    static constexpr size_t kLargeBytes = 1024 * 1024;
    size_t ready_ = 0;
    const void* buffer_ = nullptr;
    const void* large_ = nullptr;
};

// Makes room for exactly `n` more elements that are about to be written in one go, their pages
// faulted in at once (in huge pages where whole ones fit).
template <typename Vector>
void prepareToFill(Vector& v, size_t n) {
    using T = typename Vector::value_type;
    v.reserve(v.size() + n);
    T* end = v.data() + v.size();
    adviseHugePages(end, n * sizeof(T));
    prefaultPages(end, n * sizeof(T));
}

// Makes room in a full vector that grows one element at a time, as push_back would (twice the
// capacity), but faults in the new buffer's pages in one go before the elements move there (a
// large one in huge pages).
template <typename Vector>
void growAhead(Vector& v) {
    if (v.size() < v.capacity()) return;
    using T = typename Vector::value_type;
    Vector bigger;
    bigger.reserve(std::max<size_t>(2 * v.capacity(), 16));
    if (v.size() * sizeof(T) >= kHugePageBytes) adviseHugePages(bigger.data(), bigger.capacity() * sizeof(T));
    prefaultPages(bigger.data(), v.size() * sizeof(T));
    for (auto& e : v) bigger.push_back(std::move(e));
    v.swap(bigger);
}

// An owned, uninitialised byte buffer; a large one lies in huge pages (its last 2 MB page may
// be partly used), a small one on the heap.
class ByteBuffer {
public:
    ByteBuffer() = default;
    explicit ByteBuffer(size_t capacity);
    ~ByteBuffer();
    ByteBuffer(ByteBuffer&& other) noexcept;
    ByteBuffer& operator=(ByteBuffer&& other) noexcept;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t capacity() const { return capacity_; }
    // A larger buffer holding the first `keep` bytes of this one.
    void grow(size_t capacity, size_t keep);

private:
    void release() noexcept;

    uint8_t* data_ = nullptr;
    size_t capacity_ = 0;
    size_t mapped_ = 0;  // bytes of the huge-page block, 0 for a heap buffer
};

}  // namespace tonvela
