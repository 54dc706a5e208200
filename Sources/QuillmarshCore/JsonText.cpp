#include "JsonText.h"

#include "DecodeError.h"

namespace quillmarsh {

namespace {

// The parser itself is iterative, but a deep value would still cost memory and time for
// nothing; the agent's records nest a few levels at most.
bool nestsTooDeep(std::string_view text) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > JsonText::maxDepth) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

} // namespace

nlohmann::json JsonText::parse(std::string_view text) {
    if (nestsTooDeep(text)) throw DecodeError("the JSON nests too deeply");
    try {
        return nlohmann::json::parse(text.begin(), text.end());
    } catch (const nlohmann::json::exception& e) {
        throw DecodeError(std::string("the answer is not valid JSON: ") + e.what());
    }
}

} // namespace quillmarsh
