#pragma once

#include <string>

namespace quillmarsh {

// The title and body of the notification that tells the user about a billing notice.
struct BillingMessage {
    std::string title;
    std::string body;

    bool operator==(const BillingMessage&) const = default;
};

} // namespace quillmarsh
