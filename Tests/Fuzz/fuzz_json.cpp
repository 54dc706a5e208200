// The strict JSON reader against nlohmann's own parser: both accept and refuse the same texts
// (apart from nesting deeper than the reader allows, and NUL bytes, where nlohmann's parser stops
// reading as if the text ended), and what both accept reads the same.
#include "Foundation/DecodeError.h"
#include "Foundation/JsonText.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool comparable = text.find('\0') == std::string_view::npos;
    nlohmann::json reference;
    bool referenceAccepts = true;
    try {
        reference = nlohmann::json::parse(text.begin(), text.end());
    } catch (const nlohmann::json::exception&) {
        referenceAccepts = false;
    }
    try {
        const nlohmann::json ours = quillmarsh::JsonText::parse(text);
        if (comparable && (!referenceAccepts || ours != reference)) std::abort();
    } catch (const quillmarsh::DecodeError& e) {
        if (comparable && referenceAccepts && std::string_view(e.what()).find("too deep") == std::string_view::npos) std::abort();
    }
    return 0;
}
