#pragma once

#include "Model/Defaults.h"

#include <set>
#include <string>

namespace quillmarsh {

// The keys of held-repository billing notices that were announced already, kept in the user's
// settings so that each is told once across runs of the app. Keys are only ever added.
struct HeldRepositories {
    static constexpr const char* key = "toldHeldRepositories";

    // The stored keys; a missing value, or one that is not a list of texts, counts as empty.
    static std::set<std::string> load(const Defaults& defaults);
    // Writes the whole set back as a list of texts.
    static void store(Defaults& defaults, const std::set<std::string>& keys);
};

} // namespace quillmarsh
