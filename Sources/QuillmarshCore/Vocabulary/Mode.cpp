#include "Vocabulary/Mode.h"

namespace quillmarsh {

std::string_view label(Mode mode) {
    switch (mode) {
    case Mode::primary: return "Primary";
    case Mode::backup: return "Backup";
    case Mode::off: return "Off";
    }
    return "Off";
}

} // namespace quillmarsh
