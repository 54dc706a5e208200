#include "Words/BillingNotice.h"

#include "Foundation/JsonObject.h"
#include "Time/Calendar.h"
#include "Time/DateText.h"
#include "Time/Locale.h"
#include "Time/RFC3339.h"
#include "Words/MenuModel.h"

#include <string_view>

namespace quillmarsh {

BillingNotice BillingNotice::decode(const nlohmann::json& json) {
    const JsonObject o(json, "BillingNotice");
    BillingNotice n;
    n.status = o.string("status");
    n.until = o.optionalString("until");
    n.url = o.string("url");
    n.repository = o.optionalString("repository");
    return n;
}

bool BillingNotice::isHeldRepository() const { return status == "needs_plan"; }

std::string BillingNotice::key() const {
    if (isHeldRepository()) return "needs_plan:" + repository.value_or(url);
    return until.value_or(url);
}

BillingMessage BillingNotice::message() const {
    static constexpr std::string_view keepThem = " Update the payment method to keep them here.";
    if (isHeldRepository()) {
        const std::string name = repository ? MenuModel::shortRepository(*repository) : "A private repository";
        return {name + " needs Pro", "Its jobs ran on GitHub-hosted. Free runs one private repository; the rest need Pro."};
    }
    if (const auto d = day(until))
        return {"Payment didn't go through", "Private repositories stay on your machines until " + *d +
                                                 ", then go to GitHub-hosted." + std::string(keepThem)};
    return {"Payment didn't go through",
            "Private repositories go to GitHub-hosted if it isn't fixed." + std::string(keepThem)};
}

std::optional<std::string> BillingNotice::day(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    const auto date = RFC3339::parse(*text);
    if (!date) return std::nullopt;
    // The day is the UTC calendar day, in British English whatever the user's locale.
    return DateText::pattern(*date, "d MMM", Calendar::utc(), Locale::enGB());
}

} // namespace quillmarsh
