#include "Notifications/NoticeRoute.h"

#include <QUrl>

namespace quillmarsh {

NoticeRoute NoticeRoute::of(const NotificationCenter::Response& response) {
    const auto value = [&](const char* key) -> std::optional<std::string> {
        const auto found = response.userInfo.find(key);
        if (found == response.userInfo.end()) return std::nullopt;
        return found->second;
    };
    switch (NoticeCategories::fromIdentifier(response.category).value_or(NoticeCategory::image)) {
    case NoticeCategory::job:
        return {Kind::openJobs, value("repository").value_or("")};
    case NoticeCategory::appUpdate:
        return {Kind::installUpdate, {}};
    case NoticeCategory::billing:
    case NoticeCategory::plan:
        // Any scheme passes here; the model opens only http and https.
        if (auto url = value("url"); url && QUrl(QString::fromStdString(*url), QUrl::StrictMode).isValid())
            return {Kind::openLink, *url};
        return {Kind::openMachine, {}};
    case NoticeCategory::takingBreak:
    case NoticeCategory::image:
        break;
    }
    return {Kind::openMachine, {}};
}

} // namespace quillmarsh
