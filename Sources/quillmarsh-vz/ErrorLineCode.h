#pragma once

#include <string_view>

namespace quillmarsh {

// The codes of the tool's error lines, and the usage line an unknown command gets as "next".
namespace ErrorLineCode {
inline constexpr std::string_view badArguments = "bad_arguments";
inline constexpr std::string_view cloneFailed = "clone_failed";
inline constexpr std::string_view restoreImage = "restore_image";
inline constexpr std::string_view unsupported = "unsupported";
inline constexpr std::string_view installFailed = "install_failed";

inline constexpr std::string_view usage = "quillmarsh-vz capabilities | sensors | clone | run | macos-install";
} // namespace ErrorLineCode

} // namespace quillmarsh
