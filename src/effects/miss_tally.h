#pragma once

// Why a run hit nothing: every filter that turned candidates away, counted, so that a run whose
// filters excluded every candidate can say which filter did.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace tonvela::effects {

class MissTally {
public:
    // `noun`: what the candidates are ("note", "value").
    explicit MissTally(std::string noun) : noun_(std::move(noun)) {}

    // A filter. `every` is said when it alone turned every candidate away ("every note overlaps
    // another (Allow Overlap is off)"); `some` follows a count when several filters did
    // ("overlapping another (Allow Overlap is off)"). Returns the filter's number for miss().
    int add(std::string every, std::string some) {
        filters_.push_back({std::move(every), std::move(some), 0});
        return static_cast<int>(filters_.size()) - 1;
    }
    void miss(int filter) { ++filters_[static_cast<size_t>(filter)].count; }

    // "" when no candidate was turned away.
    std::string reason() const {
        std::vector<const Filter*> missed;
        for (const Filter& f : filters_)
            if (f.count > 0) missed.push_back(&f);
        if (missed.empty()) return {};
        if (missed.size() == 1) return missed.front()->every;
        std::stable_sort(missed.begin(), missed.end(), [](const Filter* a, const Filter* b) { return a->count > b->count; });
        std::string text = "no " + noun_ + " passes the filter: ";
        for (size_t i = 0; i < missed.size(); ++i)
            text += (i ? ", " : "") + std::to_string(missed[i]->count) + " " + missed[i]->some;
        return text;
    }

private:
    struct Filter {
        std::string every, some;
        int64_t count;
    };
    std::string noun_;
    std::vector<Filter> filters_;
};

}  // namespace tonvela::effects
