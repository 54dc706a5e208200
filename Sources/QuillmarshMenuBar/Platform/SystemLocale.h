#pragma once

#include "Time/Locale.h"

namespace quillmarsh {

// The user's current locale, as the desktop sets it (LC_ALL, LC_TIME, LANG through QLocale).
struct SystemLocale {
    static Locale current();
};

} // namespace quillmarsh
