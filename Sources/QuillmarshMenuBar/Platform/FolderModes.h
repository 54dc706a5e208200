#pragma once

#include <sys/types.h>

#include <map>
#include <string>

namespace quillmarsh {

// The modes the folders of a tree are meant to have, by path relative to the tree's root ("" is
// the root itself; components joined by "/"). Unpacking an archive gives them and copying the
// tree applies them last: until then every folder stays open to its owner, so that a tree whose
// folders are read-only or closed can still be filled, copied and removed.
struct FolderModes {
    std::map<std::string, mode_t> byPath;

    // The modes of the subtree at prefix (a relative path), relative to that subtree.
    FolderModes under(const std::string& prefix) const;
};

} // namespace quillmarsh
