#include "StatusMenu/MenuRowMatch.h"

#include <algorithm>
#include <deque>
#include <unordered_map>

namespace quillmarsh {

MenuRowMatch MenuRowMatch::of(const std::vector<std::string>& before, const std::vector<std::string>& after) {
    MenuRowMatch match;
    match.source.assign(after.size(), none);
    match.taken.assign(before.size(), false);
    match.stays.assign(before.size(), false);

    std::unordered_map<std::string, std::deque<std::size_t>> free;
    free.reserve(before.size());
    for (std::size_t i = 0; i < before.size(); ++i) free[before[i]].push_back(i);
    for (std::size_t j = 0; j < after.size(); ++j) {
        const auto found = free.find(after[j]);
        if (found == free.end() || found->second.empty()) continue;
        match.source[j] = found->second.front();
        found->second.pop_front();
        match.taken[match.source[j]] = true;
    }

    // The longest increasing run of old positions, in the new order (patience sorting): tails[k]
    // is the new row ending the best run of length k + 1 found so far, back[j] its predecessor.
    std::vector<std::size_t> tails;
    std::vector<std::size_t> back(after.size(), none);
    for (std::size_t j = 0; j < after.size(); ++j) {
        if (match.source[j] == none) continue;
        const auto place = std::lower_bound(tails.begin(), tails.end(), match.source[j],
                                            [&](std::size_t row, std::size_t old) { return match.source[row] < old; });
        if (place != tails.begin()) back[j] = *(place - 1);
        if (place == tails.end())
            tails.push_back(j);
        else
            *place = j;
    }
    for (std::size_t j = tails.empty() ? none : tails.back(); j != none; j = back[j]) match.stays[match.source[j]] = true;
    return match;
}

} // namespace quillmarsh
