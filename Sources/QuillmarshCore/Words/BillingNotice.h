#pragma once

#include "Words/BillingMessage.h"

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <string>

namespace quillmarsh {

// A billing problem to tell the user about, inside AgentStatus::billingNotice.
struct BillingNotice {
    std::string status;
    std::optional<std::string> until;       // RFC 3339 time, kept as text
    std::string url;
    std::optional<std::string> repository;  // owner and name joined by "/"

    bool operator==(const BillingNotice&) const = default;

    // A private repository held back by the plan ("needs_plan"); every other status is a
    // failed payment.
    bool isHeldRepository() const;
    // The key under which the notice counts as told: "needs_plan:" and the repository (or the
    // url) for a held repository; `until` (or the url) for a failed payment, whatever its status.
    std::string key() const;
    // The notification's title and body.
    BillingMessage message() const;
    // An RFC 3339 time as its UTC day in British English ("5 Mar"); none when absent or unreadable.
    static std::optional<std::string> day(const std::optional<std::string>& text);

    // Throws DecodeError; "status" and "url" are required.
    static BillingNotice decode(const nlohmann::json& json);
};

} // namespace quillmarsh
