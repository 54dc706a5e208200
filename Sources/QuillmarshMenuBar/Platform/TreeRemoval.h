#pragma once

#include <string>

namespace quillmarsh {

// Removes a tree as its owner would with `rm -rf`, also where the tree's own folder modes stand
// in the way: a folder of this user's that is read-only or closed (an archive can carry such
// modes) is first opened to its owner. A link is removed, never followed; each level of the tree
// holds one descriptor while it is emptied. Nothing is thrown.
class TreeRemoval {
public:
    // True when nothing is left at path (also when nothing was there).
    static bool remove(const std::string& path);
};

} // namespace quillmarsh
