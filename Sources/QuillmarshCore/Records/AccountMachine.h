#pragma once

#include "Foundation/RawValue.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// One machine of the account, inside AgentStatus::machines (snake_case keys, all required).
struct AccountMachine {
    enum class Routing { primary, backup, off };

    std::string id;
    std::string name;
    std::string status;  // the machine's state code, as the agent gives it
    Routing routing = Routing::primary;
    std::int64_t runningJobs = 0;
    std::int64_t capacity = 0;
    std::vector<std::string> labels;
    std::vector<std::string> standby;

    bool operator==(const AccountMachine&) const = default;

    // Throws DecodeError for a missing or null key, a wrong kind or an unknown routing word.
    static AccountMachine decode(const nlohmann::json& json);
};

template <>
struct RawValues<AccountMachine::Routing> {
    using Routing = AccountMachine::Routing;
    static constexpr auto table = std::to_array<RawEntry<Routing>>({
        {Routing::primary, "primary"},
        {Routing::backup, "backup"},
        {Routing::off, "off"},
    });
};

} // namespace quillmarsh
