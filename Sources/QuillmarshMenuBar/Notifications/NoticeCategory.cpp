#include "Notifications/NoticeCategory.h"

#include <array>

namespace quillmarsh {

namespace {

constexpr std::array<NoticeCategoryInfo, 6> table{{
    {NoticeCategory::job, "job", "OPEN_JOB", "Open job"},
    {NoticeCategory::takingBreak, "break", "WHY_MEMORY", "What is using memory"},
    {NoticeCategory::image, "image", "DETAILS", "Details"},
    {NoticeCategory::appUpdate, "appupdate", "UPDATE_NOW", "Update now"},
    {NoticeCategory::billing, "billing", "UPDATE_PAYMENT", "Update payment method"},
    {NoticeCategory::plan, "plan", "UPGRADE_PRO", "Upgrade to Pro"},
}};

} // namespace

std::span<const NoticeCategoryInfo> NoticeCategories::all() {
    return table;
}

const NoticeCategoryInfo& NoticeCategories::info(NoticeCategory category) {
    for (const auto& entry : table)
        if (entry.category == category) return entry;
    return table.front();
}

std::optional<NoticeCategory> NoticeCategories::fromIdentifier(std::string_view identifier) {
    for (const auto& entry : table)
        if (entry.identifier == identifier) return entry.category;
    return std::nullopt;
}

} // namespace quillmarsh
