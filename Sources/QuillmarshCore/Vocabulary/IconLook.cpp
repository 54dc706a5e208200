#include "Vocabulary/IconLook.h"

namespace quillmarsh {

std::string_view name(IconLook look) {
    switch (look) {
    case IconLook::needsAttention: return "Needs attention";
    case IconLook::paused: return "Paused";
    case IconLook::running: return "Running";
    case IconLook::holdingBack: return "Holding back";
    case IconLook::idle: return "Ready";
    }
    return "Ready";
}

} // namespace quillmarsh
