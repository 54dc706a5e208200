#pragma once

#include "Notifications/NotificationCenter.h"

#include <string>

namespace quillmarsh {

// What a click on a notice, or on its button, does. Both mean the same.
struct NoticeRoute {
    enum class Kind {
        openJobs,       // the dashboard's job list for `text`, a repository (empty when the notice had none)
        installUpdate,  // the app's own update
        openLink,       // `text`, a billing notice's own address
        openMachine,    // this machine's dashboard page
    };
    Kind kind = Kind::openMachine;
    std::string text;

    bool operator==(const NoticeRoute&) const = default;

    // A failed job opens its repository's jobs; an app update installs; billing and plan open
    // their link when it is a valid URL, else the machine page; every other category the machine
    // page. Only text values count as present.
    static NoticeRoute of(const NotificationCenter::Response& response);
};

} // namespace quillmarsh
