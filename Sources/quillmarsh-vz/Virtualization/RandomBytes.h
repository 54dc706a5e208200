#pragma once

#include <cstddef>
#include <string>

namespace vz {

// `count` bytes from the kernel's random source: machine identifiers, MAC addresses and names that
// must not be guessed.
std::string randomBytes(std::size_t count);

} // namespace vz
