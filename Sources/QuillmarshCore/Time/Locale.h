#pragma once

#include <unicode/locid.h>

#include <string>

namespace quillmarsh {

// The locale a wording function formats with ("en_GB", "en_US_POSIX", …).
class Locale {
public:
    explicit Locale(const std::string& identifier) : locale_(identifier.c_str()) {}
    static Locale enGB() { return Locale("en_GB"); }
    static Locale posix() { return Locale("en_US_POSIX"); }

    std::string identifier() const { return locale_.getName(); }
    const icu::Locale& icu() const { return locale_; }

private:
    icu::Locale locale_;
};

} // namespace quillmarsh
