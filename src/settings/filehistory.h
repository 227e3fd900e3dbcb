#pragma once

// The list of recently used files, newest first, with a capacity.

#include <functional>
#include <string>
#include <vector>

namespace tonvela {

class FileHistory {
public:
    explicit FileHistory(int capacity = 10) : capacity_(capacity < 1 ? 1 : capacity) {}

    // Empty paths are ignored. A new path goes to the top and, when the list then holds more
    // than the capacity, the entry at the position equal to the capacity is dropped. A path
    // already listed changes places with the top entry; the others keep theirs.
    void add(const std::string& path);
    void clearAll() { entries_.clear(); }
    // Drops every entry for which exists() is false.
    void optimize(const std::function<bool(const std::string&)>& exists);

    // Takes effect at the next add (entries beyond it are dropped one per add).
    void setCapacity(int capacity) { capacity_ = capacity < 1 ? 1 : capacity; }
    int capacity() const { return capacity_; }
    const std::vector<std::string>& entries() const { return entries_; }
    // The entries a menu lists: every entry except the current file, in order.
    std::vector<std::string> menuEntries(const std::string& currentFile) const;

private:
    int capacity_;
    std::vector<std::string> entries_;
};

}  // namespace tonvela
