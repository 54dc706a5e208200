#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace quillmarsh {

// The VM tool's line format: one JSON value written compactly, object keys in ascending order,
// every "/" escaped as "\/", non-ASCII characters as plain UTF-8 and invalid UTF-8 in strings
// repaired with U+FFFD. A value that JSON cannot express (a non-finite number) gives the empty
// text. The line end is not part of the text.
namespace JsonLine {
std::string encode(const nlohmann::json& value);
} // namespace JsonLine

} // namespace quillmarsh
