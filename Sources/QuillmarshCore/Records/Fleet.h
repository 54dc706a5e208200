#pragma once

#include "Records/FleetMachine.h"

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// The agent's answer to GET /machines: the account's machines in the agent's order.
struct Fleet {
    std::string owner;
    std::vector<FleetMachine> machines;

    bool operator==(const Fleet&) const = default;

    // Throws DecodeError; one bad machine fails the whole answer.
    static Fleet decode(const nlohmann::json& json);
    static Fleet parse(std::string_view body);
};

} // namespace quillmarsh
