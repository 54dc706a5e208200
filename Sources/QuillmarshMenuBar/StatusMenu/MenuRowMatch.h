#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quillmarsh {

// How the menu built for one list of row keys becomes the menu for the next without being built
// anew: a new row takes the old row of the same key (rows with the same key pair up in order,
// first with first), and of the rows taken over, the longest run that kept its order stays where
// it is; the others move. Old rows nobody takes go, new rows without an old one are made. The
// work is linear in the rows but for the run, which costs n log n.
struct MenuRowMatch {
    static constexpr std::size_t none = static_cast<std::size_t>(-1);

    std::vector<std::size_t> source;  // per new row: the old row it takes over, or none
    std::vector<bool> taken;          // per old row: some new row takes it over
    std::vector<bool> stays;          // per old row: taken over and left where it is

    static MenuRowMatch of(const std::vector<std::string>& before, const std::vector<std::string>& after);
};

} // namespace quillmarsh
