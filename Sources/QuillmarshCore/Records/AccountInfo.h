#pragma once

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <string_view>

namespace quillmarsh {

// The agent's answer to GET /account; all five texts are required. Builds the dashboard links.
struct AccountInfo {
    std::string owner;  // a GitHub user or organisation
    std::string machineId;
    std::string machineName;
    std::string apiUrl;
    std::string dashboardUrl;  // used as given: no slash is added or removed

    bool operator==(const AccountInfo&) const = default;

    // <dashboardUrl>/fleet/<machine name as one path segment>
    std::string machineURL() const;
    // <dashboardUrl>/jobs?machine=<machine name as a query value>
    std::string jobsURL() const;
    // jobsURL() narrowed to one repository ("owner/name"), also encoded as a query value.
    std::string jobURL(std::string_view repository) const;

    static AccountInfo decode(const nlohmann::json& json);
    // Parses the body of GET /account strictly (JsonText::parse), then decodes it.
    static AccountInfo parse(std::string_view body);
};

} // namespace quillmarsh
