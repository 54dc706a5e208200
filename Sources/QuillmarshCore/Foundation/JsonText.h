#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <limits>
#include <string_view>

namespace quillmarsh {

// Strict reading of a whole JSON text: one value, valid UTF-8, nothing but white space
// after it, nesting no deeper than maxDepth. Any failure throws DecodeError.
class JsonText {
public:
    static constexpr int maxDepth = 256;
    // Builds at most maxValues values: every object, array, string, number, true, false and null
    // counts one (an object's keys do not). A text with more fails as it is read, so a short text
    // cannot make a value many times its size ("[{},{},…]" costs a few bytes of text and a heap
    // node for each element).
    static nlohmann::json parse(std::string_view text,
                                std::size_t maxValues = std::numeric_limits<std::size_t>::max());
};

} // namespace quillmarsh
