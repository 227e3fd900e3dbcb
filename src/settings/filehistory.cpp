#include "settings/filehistory.h"

#include <algorithm>

namespace tonvela {

void FileHistory::add(const std::string& path) {
    if (path.empty()) return;
    auto it = std::find(entries_.begin(), entries_.end(), path);
    if (it != entries_.end()) {
        std::iter_swap(entries_.begin(), it);
        return;
    }
    entries_.insert(entries_.begin(), path);
    if (static_cast<int>(entries_.size()) > capacity_)
        entries_.erase(entries_.begin() + capacity_);
}

void FileHistory::optimize(const std::function<bool(const std::string&)>& exists) {
    std::erase_if(entries_, [&](const std::string& p) { return !exists(p); });
}

std::vector<std::string> FileHistory::menuEntries(const std::string& currentFile) const {
    std::vector<std::string> out;
    for (const std::string& p : entries_)
        if (p != currentFile) out.push_back(p);
    return out;
}

}  // namespace tonvela
