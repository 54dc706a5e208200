#include "Platform/FolderModes.h"

namespace quillmarsh {

FolderModes FolderModes::under(const std::string& prefix) const {
    FolderModes out;
    for (const auto& [path, mode] : byPath) {
        if (path == prefix)
            out.byPath.emplace("", mode);
        else if (path.size() > prefix.size() && path.starts_with(prefix) && path[prefix.size()] == '/')
            out.byPath.emplace(path.substr(prefix.size() + 1), mode);
    }
    return out;
}

} // namespace quillmarsh
