#include "Vocabulary/MenuIcon.h"

#include "Foundation/Text.h"

#include <unicode/uchar.h>

namespace quillmarsh {

MenuIcon MenuIcon::notSetUp() {
    return {IconLook::idle, "Quillmarsh, not set up on this Mac"};
}

namespace {

// The first character lower-cased (one code point, simple case mapping), the rest unchanged.
std::string lowercasingFirst(const std::string& text) {
    if (text.empty()) return text;
    std::u32string chars = Text::decodeUTF8(text);
    chars[0] = static_cast<char32_t>(u_tolower(static_cast<UChar32>(chars[0])));
    return Text::encodeUTF8(chars);
}

} // namespace

std::string MenuIcon::accessibilityValue() const {
    switch (look) {
    case IconLook::idle: return "Ready";
    case IconLook::paused:
    case IconLook::running: return tooltip;
    case IconLook::needsAttention:
    case IconLook::holdingBack: break;
    }
    return std::string(name(look)) + ", " + lowercasingFirst(tooltip);
}

} // namespace quillmarsh
