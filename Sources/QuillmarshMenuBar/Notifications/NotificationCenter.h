#pragma once

#include "Notifications/Notice.h"

#include <functional>
#include <map>
#include <string>

namespace quillmarsh {

// Where notices go: the desktop's notification service, or a stand-in. Lives on the main thread.
class NotificationCenter {
public:
    // A click on one of our notices or on its action button: the notice's category identifier
    // and its user info, as they were posted.
    struct Response {
        std::string category;
        std::map<std::string, std::string> userInfo;
        bool operator==(const Response&) const = default;
    };
    using OnResponse = std::function<void(const Response&)>;

    virtual ~NotificationCenter() = default;

    // Shows the notice at once. Never blocks; a notice that cannot be delivered is dropped.
    virtual void post(const Notice& notice) = 0;
    // Called on the main thread for each click on a notice this center posted.
    virtual void setOnResponse(OnResponse onResponse) = 0;
};

} // namespace quillmarsh
