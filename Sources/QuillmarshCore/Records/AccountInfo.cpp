#include "Records/AccountInfo.h"

#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"
#include "Foundation/Text.h"

namespace quillmarsh {

std::string AccountInfo::machineURL() const {
    // The path set keeps "/", which would split the name into segments.
    std::string segment;
    for (char c : Text::percentEncodePath(machineName)) {
        if (c == '/') segment += "%2F";
        else segment += c;
    }
    return dashboardUrl + "/fleet/" + segment;
}

std::string AccountInfo::jobsURL() const {
    return dashboardUrl + "/jobs?machine=" + Text::percentEncodeQueryValue(machineName);
}

std::string AccountInfo::jobURL(std::string_view repository) const {
    return jobsURL() + "&repository=" + Text::percentEncodeQueryValue(repository);
}

AccountInfo AccountInfo::decode(const nlohmann::json& json) {
    const JsonObject o(json, "AccountInfo");
    AccountInfo a;
    a.owner = o.string("owner");
    a.machineId = o.string("machineId");
    a.machineName = o.string("machineName");
    a.apiUrl = o.string("apiUrl");
    a.dashboardUrl = o.string("dashboardUrl");
    return a;
}

AccountInfo AccountInfo::parse(std::string_view body) {
    return decode(JsonText::parse(body));
}

} // namespace quillmarsh
