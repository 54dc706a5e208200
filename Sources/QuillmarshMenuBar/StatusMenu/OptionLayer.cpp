#include "StatusMenu/OptionLayer.h"

namespace quillmarsh {

void OptionLayer::force() {
    forced_ = true;
    infoShown_ = true;
}

bool OptionLayer::menuWillOpen(bool altHeld) {
    open_ = true;
    return show(forced_ || altHeld, altHeld);
}

bool OptionLayer::altChanged(bool altHeld) {
    if (!open_) return false;
    return show(forced_ || altHeld, altHeld);
}

bool OptionLayer::menuDidClose() {
    open_ = false;
    return show(forced_, false);
}

bool OptionLayer::show(bool info, bool alternates) {
    const bool changed = info != infoShown_ || alternates != alternatesShown_;
    infoShown_ = info;
    alternatesShown_ = alternates;
    return changed;
}

} // namespace quillmarsh
