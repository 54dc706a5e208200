#pragma once

#include "Notifications/NoticeCategory.h"

#include <map>
#include <string>

namespace quillmarsh {

// One user notification as the rules decide it: a title, a body, its category and a few
// string values that a click reads back ("repository" for a failed job, "url" for billing).
// Titles and bodies are plain text; the poster escapes them where its server reads markup.
struct Notice {
    NoticeCategory category = NoticeCategory::image;
    std::string title;
    std::string body;
    std::map<std::string, std::string> userInfo;

    bool operator==(const Notice&) const = default;
};

} // namespace quillmarsh
