#include "Foundation/DecodeError.h"
#include "Records/AccountInfo.h"
#include "Support/Fixtures.h"

#include <gtest/gtest.h>

using namespace quillmarsh;

TEST(AccountInfoTest, DecodesAllFiveTextsAndNothingLess) {
    EXPECT_EQ(AccountInfo::parse(R"({"owner":"acme","machineId":"m-1","machineName":"Studio A",
                  "apiUrl":"https://api.example.test","dashboardUrl":"https://dash.example.test","plan":"pro"})"),
              (AccountInfo{"acme", "m-1", "Studio A", "https://api.example.test", "https://dash.example.test"}));
    for (const char* body : {
             R"({"machineId":"m-1","machineName":"n","apiUrl":"a","dashboardUrl":"d"})",
             R"({"owner":"acme","machineId":null,"machineName":"n","apiUrl":"a","dashboardUrl":"d"})",
             R"({"owner":"acme","machineId":"m","machineName":1,"apiUrl":"a","dashboardUrl":"d"})",
             R"({"owner":"acme","machineId":"m","machineName":"n","apiUrl":"a"})",
             R"(["acme"])",
         })
        EXPECT_THROW(AccountInfo::parse(body), DecodeError) << body;
}

TEST(AccountInfoTest, DashboardLinksEncodeTheNameAndRepository) {
    struct Case {
        const char* base;
        const char* machine;
        const char* machineURL;
        const char* jobsURL;
    };
    const Case cases[] = {
        {"https://d.test", "Studio A/B", "https://d.test/fleet/Studio%20A%2FB", "https://d.test/jobs?machine=Studio%20A%2FB"},
        {"https://d.test", "mac-mini-2", "https://d.test/fleet/mac-mini-2", "https://d.test/jobs?machine=mac-mini-2"},
        {"https://d.test/", "a&b=c+d", "https://d.test//fleet/a&b=c+d", "https://d.test//jobs?machine=a%26b%3Dc%2Bd"},
        {"https://d.test", "Zoë's Mac", "https://d.test/fleet/Zo%C3%AB's%20Mac", "https://d.test/jobs?machine=Zo%C3%AB's%20Mac"},
        {"https://d.test", "q?x#y", "https://d.test/fleet/q%3Fx%23y", "https://d.test/jobs?machine=q?x%23y"},
    };
    for (const auto& c : cases) {
        const AccountInfo account{"acme", "m-1", c.machine, "https://api.test", c.base};
        EXPECT_EQ(account.machineURL(), c.machineURL) << c.machine;
        EXPECT_EQ(account.jobsURL(), c.jobsURL) << c.machine;
    }
    const AccountInfo account{"acme", "m-1", "Studio A/B", "https://api.test", "https://d.test"};
    EXPECT_EQ(account.jobURL("acme/app+1"), "https://d.test/jobs?machine=Studio%20A%2FB&repository=acme%2Fapp%2B1");
}

// The sample agent's answers (served by fake-agent and the demo) must stay decodable.
TEST(AccountInfoTest, SampleAgentAnswerDecodes) {
    EXPECT_FALSE(AccountInfo::parse(test::sampleAnswer("account.json")).machineName.empty());
}
