#pragma once

#include <string>
#include <vector>

namespace quillmarsh {

// `quillmarsh-vz clone --from SOURCE --to DESTINATION`: a copy-on-write clone of an image file.
namespace Clone {

// Clones source to a destination that must not exist yet (FICLONE, so both must be on one file
// system that shares extents). Returns 0, or the errno of the failure; a destination this call
// created is removed again when the clone fails.
int cloneFile(const std::string& source, const std::string& destination);

// The command: the arguments after "clone". Writes {"path","status":"ok"} and returns, or writes an
// error line and exits with status 1.
void command(const std::vector<std::string>& args);

} // namespace Clone

} // namespace quillmarsh
