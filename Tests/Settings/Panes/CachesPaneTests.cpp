#include "Settings/Panes/CachesPane.h"

#include "MenuBar/Model/AppModelHarness.h"
#include "Settings/Panes/PageLookup.h"
#include "Words/CacheWords.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace quillmarsh {
namespace {

using Page = PageDescription;
using Keys = std::vector<std::string>;

const Date now = Date::fromSecondsSince1970(1'796'900'000);  // 2026-12-10 10:53:20 UTC
const std::string footer =
    "Each repository keeps its own caches, and a branch reads only its own and the default branch's. Credential files "
    "are removed after every job. The oldest go first when the cap is reached.";

// The sample report, changed by patch.
CachesReport report(const nlohmann::json& patch = nlohmann::json::object()) {
    auto json = nlohmann::json::parse(test::sampleAnswer("caches.json"));
    json.merge_patch(patch);
    return CachesReport::decode(json);
}

HostInfo host(bool laptop = false) {
    auto h = HostInfo::parse(test::sampleAnswer("host.json"));
    h.laptop = laptop;
    return h;
}

CachesPane::Inputs withReport(std::optional<CachesReport> r = report(), std::optional<HostInfo> h = host()) {
    CachesPane::Inputs in;
    in.report = std::move(r);
    in.host = std::move(h);
    in.agentAvailable = true;
    in.now = now;
    return in;
}

std::vector<Page::StatCard> cardsOf(const Page& page) { return test::block<Page::StatCards>(page, "cards").cards; }

const PaneCommands openAlert{PaneCommand::SetView{"confirmingClear", "true"}};

TEST(CachesPane, ClearAllIsEnabledOnlyWithRepositoriesAndOnlyOpensTheAlert) {
    struct Case {
        const char* name;
        CachesPane::Inputs in;
        bool enabled;
    };
    const Case cases[] = {
        {"repositories", withReport(), true},
        {"no repositories", withReport(report({{"repositories", nlohmann::json::array()}})), false},
        {"no report", withReport(std::nullopt), false},
    };
    for (const auto& c : cases) {
        const auto page = CachesPane::describe(c.in, {});
        EXPECT_EQ(page.title, "Caches");
        EXPECT_EQ(page.back, std::nullopt);
        ASSERT_TRUE(page.accessory);
        ASSERT_EQ(page.accessory->items.size(), 1u);
        EXPECT_EQ(test::accessoryItem<Page::Button>(page, 0),
                  Page::button("Clear All\u2026", openAlert, Page::Button::Style::standard, c.enabled))
            << c.name << ": the press only raises the confirmation";
        EXPECT_EQ(page.alert, std::nullopt) << c.name;
    }

    const auto in = withReport();
    PaneViewState confirming;
    confirming.set(CachesPane::confirmingClear, "true");
    const auto page = CachesPane::describe(in, confirming);
    ASSERT_TRUE(page.alert);
    EXPECT_EQ(page.alert->key, "confirmingClear");
    EXPECT_EQ(page.alert->title, "Clear every package cache on this Mac?");
    EXPECT_EQ(page.alert->message,
              "Jobs download their packages again next time. A cache a running job holds goes when the job ends.");
    EXPECT_EQ(page.alert->confirm,
              Page::button("Clear All",
                           {PaneCommand::ClearCaches{std::nullopt}, PaneCommand::SetView{"confirmingClear", ""}},
                           Page::Button::Style::destructive));
    EXPECT_EQ(page.alert->cancel, Page::button("Cancel", {PaneCommand::SetView{"confirmingClear", ""}}));
    auto withoutAlert = page;
    withoutAlert.alert.reset();
    EXPECT_EQ(withoutAlert, CachesPane::describe(in, {}));
}

TEST(CachesPane, WithoutAReportOneNoteSaysWhy) {
    auto in = withReport(std::nullopt);
    EXPECT_EQ(test::noteTexts(CachesPane::describe(in, {})), Keys{"Needs agent 0.1.33"});
    EXPECT_EQ(CachesPane::describe(in, {}).blocks.size(), 1u);
    in.agentAvailable = false;
    EXPECT_EQ(test::noteTexts(CachesPane::describe(in, {})), Keys{"The Quillmarsh agent is not running on this Mac."});
    // A report held stays on screen while the agent is down.
    EXPECT_EQ(test::blockKeys(CachesPane::describe(withReport(report(), std::nullopt), {})),
              (Keys{"cards", "Repositories"}));
}

TEST(CachesPane, SummaryCardsFollowTheReportAndTheHost) {
    using Cards = std::vector<Page::StatCard>;
    const auto sample = report();
    const Page::StatCard packages{"Package caches", "11 GB", "of 50 GB on this Mac"};
    const Page::StatCard tools{"Tools", "7.3 GB", CacheWords::tools(sample.toolCache->versions)};
    const Page::StatCard free{"Free on disk", "412 GB", "32 GB always kept free"};
    struct Case {
        const char* name;
        CachesPane::Inputs in;
        Cards cards;
    };
    const Case cases[] = {
        {"the sample on a desktop", withReport(), {packages, tools, free}},
        {"on a laptop", withReport(report(), host(true)),
         {{"Package caches", "11 GB", "of 50 GB on this laptop"}, tools, free}},
        {"no host record", withReport(report(), std::nullopt),
         {packages, tools, {"Free on disk", "", "32 GB always kept free"}}},
        {"no tool cache: all bytes are packages", withReport(report({{"tool_cache", nullptr}})),
         {{"Package caches", "18 GB", "of 50 GB on this Mac"}, free}},
        {"a tool cache without versions", withReport(report({{"tool_cache", {{"versions", nlohmann::json::array()}}}})),
         {packages, {"Tools", "7.3 GB", "Shared by every repository"}, free}},
        {"nothing kept free", withReport(report({{"limits", {{"free_bytes", 0}}}})),
         {packages, tools, {"Free on disk", "412 GB", "Some always kept free"}}},
        {"no cap", withReport(report({{"limits", {{"total_bytes", 0}}}})),
         {{"Package caches", "11 GB", "of 0 MB on this Mac"}, tools, free}},
    };
    for (const auto& c : cases) EXPECT_EQ(cardsOf(CachesPane::describe(c.in, {})), c.cards) << c.name;
    EXPECT_EQ(tools.detail, "Node 20 and 18, Go 1.22, Python 3, Java 21, Ruby 3") << "the sample's tools";
}

TEST(CachesPane, RepositoriesTableWithItsColumnsAndClearButtons) {
    const auto page = CachesPane::describe(withReport(), {});
    const auto& section = test::section(page, "Repositories");
    EXPECT_EQ(section.header, "Repositories");
    EXPECT_EQ(section.note, std::nullopt);
    EXPECT_EQ(section.footer, (Page::Footer{footer, std::nullopt}));
    EXPECT_EQ(test::rowKeys(page, "Repositories"),
              (Keys{"header", "acme-robotics/ios-app", "acme-robotics/firmware", "acme-robotics/docs"}));
    EXPECT_EQ(std::get<Page::CacheHeader>(section.rows[0]), (Page::CacheHeader{"header", true}));

    const auto lines = test::lines<Page::CacheLine>(page, "Repositories");
    auto clear = [](const std::string& repository, bool enabled) {
        return Page::button("Clear", {PaneCommand::ClearCaches{repository}}, Page::Button::Style::standard, enabled);
    };
    const std::vector<Page::CacheLine> expected = {
        {"acme-robotics/ios-app", "acme-robotics/", "ios-app", true, "main + 2", "In use", "9.2 GB",
         clear("acme-robotics/ios-app", true)},
        {"acme-robotics/firmware", "acme-robotics/", "firmware", true, "main", "Clears after its job", "1.2 GB",
         clear("acme-robotics/firmware", false)},
        {"acme-robotics/docs", "acme-robotics/", "docs", true, "", "Never", "640 MB", clear("acme-robotics/docs", true)},
    };
    EXPECT_EQ(lines, expected);

    // An entry that is neither in use nor pending reads its age.
    auto idle = report();
    idle.repositories[0].inUse = false;
    EXPECT_EQ(test::lines<Page::CacheLine>(CachesPane::describe(withReport(idle), {}), "Repositories")[0].lastUsed,
              "1 h ago");
}

TEST(CachesPane, BranchesColumnOnlyWhenAnEntryHasAList) {
    struct Case {
        const char* name;
        nlohmann::json branches;  // of each of the three entries
        bool column;
        Keys cells;
    };
    const Case cases[] = {
        {"no entry has a list", {nullptr, nullptr, nullptr}, false, {"", "", ""}},
        {"one empty list", {nullptr, nlohmann::json::array(), nullptr}, true, {"", "", ""}},
        {"one name and several", {{"main"}, nullptr, {"main", "dev"}}, true, {"main", "", "main + 1"}},
    };
    for (const auto& c : cases) {
        auto json = nlohmann::json::parse(test::sampleAnswer("caches.json"));
        for (std::size_t i = 0; i < 3; ++i) json["repositories"][i]["branches"] = c.branches[i];
        const auto page = CachesPane::describe(withReport(CachesReport::decode(json)), {});
        EXPECT_EQ(std::get<Page::CacheHeader>(test::section(page, "Repositories").rows[0]).branches, c.column) << c.name;
        Keys cells;
        for (const auto& line : test::lines<Page::CacheLine>(page, "Repositories")) {
            EXPECT_EQ(line.branchesColumn, c.column) << c.name << " " << line.key;
            cells.push_back(line.branches);
        }
        EXPECT_EQ(cells, c.cells) << c.name;
    }
}

TEST(CachesPane, NoRepositoriesIsOneTextRowWithoutHeader) {
    const auto page = CachesPane::describe(withReport(report({{"repositories", nlohmann::json::array()}})), {});
    EXPECT_EQ(test::blockKeys(page), (Keys{"cards", "Repositories"}));
    const auto& section = test::section(page, "Repositories");
    ASSERT_EQ(section.rows.size(), 1u);
    EXPECT_EQ(std::get<Page::Row>(section.rows[0]),
              Page::fixedRow("No caches yet", "A repository's packages are kept here after its first job."));
    EXPECT_EQ(section.footer, (Page::Footer{footer, std::nullopt}));
}

TEST(CachesPane, OwnerPartIsEveryPartButTheLast) {
    const std::pair<const char*, const char*> cases[] = {
        {"a/b", "a/"}, {"a/b/c", "a/b/"}, {"foo", ""}, {"a//b", "a/"}, {"/x", ""},
        {"a/b/", "a/"}, {"", ""}, {"/", ""}, {"//a//b//", "a/"},
    };
    for (const auto& [repository, owner] : cases) EXPECT_EQ(CachesPane::ownerPart(repository), owner) << repository;

    // The cell reads the whole name once: owner part, then the last part.
    auto r = report();
    r.repositories[0].repository = "foo";
    r.repositories[1].repository = "a/b/c";
    const auto lines = test::lines<Page::CacheLine>(CachesPane::describe(withReport(r), {}), "Repositories");
    EXPECT_EQ(lines[0].owner + lines[0].name, "foo");
    EXPECT_EQ(lines[1].owner + lines[1].name, "a/b/c");
}

TEST(CachesPane, DescribesTheModelsReport) {
    test::Harness h;
    test::serveSamples(*h.agent);
    h.refreshAndWait();
    EXPECT_EQ(test::noteTexts(CachesPane::describe(CachesPane::inputs(*h.model), {})), Keys{"Needs agent 0.1.33"})
        << "before the first report";
    h.model->setVisiblePane(AppPane::caches);
    h.drain();
    const auto page = CachesPane::describe(CachesPane::inputs(*h.model), {});
    EXPECT_EQ(cardsOf(page).back(), (Page::StatCard{"Free on disk", "412 GB", "32 GB always kept free"}));
    EXPECT_EQ(test::rowKeys(page, "Repositories"),
              (Keys{"header", "acme-robotics/ios-app", "acme-robotics/firmware", "acme-robotics/docs"}));
    EXPECT_EQ(test::lines<Page::CacheLine>(page, "Repositories")[1].lastUsed, "Clears after its job");
    EXPECT_TRUE(test::accessoryItem<Page::Button>(page, 0).enabled);
}

} // namespace
} // namespace quillmarsh
