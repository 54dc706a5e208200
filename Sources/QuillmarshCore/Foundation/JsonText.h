#pragma once

#include <nlohmann/json.hpp>

#include <string_view>

namespace quillmarsh {

// Strict reading of a whole JSON text: one value, valid UTF-8, nothing but white space
// after it, nesting no deeper than maxDepth. Any failure throws DecodeError.
class JsonText {
public:
    static constexpr int maxDepth = 256;
    static nlohmann::json parse(std::string_view text);
};

} // namespace quillmarsh
