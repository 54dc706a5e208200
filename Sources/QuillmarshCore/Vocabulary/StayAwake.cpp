#include "Vocabulary/StayAwake.h"

namespace quillmarsh {

std::string_view label(StayAwake value) {
    switch (value) {
    case StayAwake::never: return "Never";
    case StayAwake::pluggedIn: return "While plugged in";
    case StayAwake::always: return "Always";
    }
    return "Never";
}

} // namespace quillmarsh
