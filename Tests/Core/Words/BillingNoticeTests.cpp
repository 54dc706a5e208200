#include "Words/BillingNotice.h"

#include <gtest/gtest.h>

using namespace quillmarsh;

namespace {

BillingNotice notice(std::string status, std::optional<std::string> until, std::optional<std::string> repository) {
    BillingNotice n;
    n.status = std::move(status);
    n.until = std::move(until);
    n.url = "https://dashboard.example/billing";
    n.repository = std::move(repository);
    return n;
}

const std::string heldBody = "Its jobs ran on GitHub-hosted. Free runs one private repository; the rest need Pro.";
const std::string paymentTitle = "Payment didn't go through";
const std::string keepThem = " Update the payment method to keep them here.";

std::string stayUntil(const std::string& day) {
    return "Private repositories stay on your machines until " + day + ", then go to GitHub-hosted." + keepThem;
}
const std::string noDayBody = "Private repositories go to GitHub-hosted if it isn't fixed." + keepThem;

} // namespace

TEST(BillingNoticeTest, HeldRepositoryOrFailedPayment) {
    struct Case {
        const char* what;
        BillingNotice notice;
        bool held;
        std::string key;
        BillingMessage message;
    } cases[] = {
        {"held repository", notice("needs_plan", std::nullopt, "octo/site"), true, "needs_plan:octo/site",
         {"site needs Pro", heldBody}},
        {"held, trailing slash", notice("needs_plan", "2026-03-05T10:00:00Z", "octo/site/"), true,
         "needs_plan:octo/site/", {"site needs Pro", heldBody}},
        {"held, only slashes", notice("needs_plan", std::nullopt, "//"), true, "needs_plan://", {"// needs Pro", heldBody}},
        {"held, no repository", notice("needs_plan", "2026-03-05T10:00:00Z", std::nullopt), true,
         "needs_plan:https://dashboard.example/billing", {"A private repository needs Pro", heldBody}},
        {"payment with a day", notice("payment_failed", "2026-03-05T10:00:00Z", "octo/site"), false,
         "2026-03-05T10:00:00Z", {paymentTitle, stayUntil("5 Mar")}},
        {"fractional seconds", notice("past_due", "2026-03-05T10:00:00.250Z", std::nullopt), false,
         "2026-03-05T10:00:00.250Z", {paymentTitle, stayUntil("5 Mar")}},
        {"day taken in UTC", notice("past_due", "2026-03-31T23:30:00-02:00", std::nullopt), false,
         "2026-03-31T23:30:00-02:00", {paymentTitle, stayUntil("1 Apr")}},
        {"September", notice("past_due", "2026-09-05T00:00:00+01:00", std::nullopt), false,
         "2026-09-05T00:00:00+01:00", {paymentTitle, stayUntil("4 Sept")}},
        {"date without time", notice("past_due", "2026-03-05", std::nullopt), false, "2026-03-05",
         {paymentTitle, noDayBody}},
        {"no until", notice("past_due", std::nullopt, std::nullopt), false, "https://dashboard.example/billing",
         {paymentTitle, noDayBody}},
        {"capitalised status", notice("Needs_Plan", "", "octo/site"), false, "", {paymentTitle, noDayBody}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.notice.isHeldRepository(), c.held) << c.what;
        EXPECT_EQ(c.notice.key(), c.key) << c.what;
        EXPECT_EQ(c.notice.message(), c.message) << c.what;
    }
}

TEST(BillingNoticeTest, PaymentKeyIgnoresStatus) {
    EXPECT_EQ(notice("past_due", "2026-03-05T10:00:00Z", std::nullopt).key(),
              notice("card_declined", "2026-03-05T10:00:00Z", "octo/other").key());
}

TEST(BillingNoticeTest, DayIsShortBritishUTCDay) {
    struct Case {
        std::optional<std::string> text;
        std::optional<std::string> day;
    } cases[] = {
        {std::nullopt, std::nullopt},
        {"", std::nullopt},
        {"2026-03-05", std::nullopt},
        {"5 March 2026", std::nullopt},
        {"2026-03-05T10:00:00Z", "5 Mar"},
        {"2026-03-05T00:30:00+01:00", "4 Mar"},
        {"2026-12-31T23:59:59.999Z", "31 Dec"},
        {"0001-01-01T00:00:00Z", "1 Jan"},
        {"9999-12-31T23:59:59Z", "31 Dec"},
    };
    for (const Case& c : cases) EXPECT_EQ(BillingNotice::day(c.text), c.day) << c.text.value_or("(none)");
}
