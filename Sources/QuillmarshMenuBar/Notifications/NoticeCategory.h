#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace quillmarsh {

// The six kinds of notice. Each has one action button; a click on the notice or on its button
// does what the kind says (Notifier::route).
enum class NoticeCategory { job, takingBreak, image, appUpdate, billing, plan };

// A category's texts: the identifier that travels with the notice, and its one action.
struct NoticeCategoryInfo {
    NoticeCategory category;
    std::string_view identifier;        // "job", "break", "image", "appupdate", "billing", "plan"
    std::string_view actionIdentifier;  // "OPEN_JOB", …
    std::string_view actionTitle;       // "Open job", …
};

namespace NoticeCategories {
// All six, in the order above.
std::span<const NoticeCategoryInfo> all();
const NoticeCategoryInfo& info(NoticeCategory category);
// The category whose identifier is exactly the text; none for any other text.
std::optional<NoticeCategory> fromIdentifier(std::string_view identifier);
} // namespace NoticeCategories

} // namespace quillmarsh
