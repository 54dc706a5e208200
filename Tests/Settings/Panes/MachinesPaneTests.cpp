#include "Settings/Panes/MachinesPane.h"

#include "MenuBar/Model/AppModelHarness.h"
#include "Settings/Panes/PageLookup.h"
#include "Words/FleetWords.h"
#include "Words/MenuModel.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace quillmarsh {
namespace {

using Page = PageDescription;
using Tile = Page::MachineLine::Tile;
using Keys = std::vector<std::string>;

const Date now = Date::fromSecondsSince1970(1'796'900'000);  // 2026-12-10 10:53:20 UTC
const std::string footer =
    "When no machine is free, new jobs route to GitHub-hosted. Mode, trust and repositories for other machines are "
    "changed on the dashboard.";
const std::string agentDown = "The Quillmarsh agent is not running on this Mac.";

Fleet sampleFleet() { return Fleet::parse(test::sampleAnswer("machines.json")); }

MachinesPane::Inputs withFleet(std::optional<Fleet> fleet = sampleFleet(), bool laptop = false) {
    MachinesPane::Inputs in;
    in.fleet = std::move(fleet);
    in.agentAvailable = true;
    in.laptop = laptop;
    in.dashboardRoot = "https://dashboard.example";
    in.now = now;
    return in;
}

TEST(MachinesPane, AccessoryLinksToSetupAndTheDashboardsFleet) {
    for (const auto& in : {withFleet(), MachinesPane::Inputs{}}) {
        const auto page = MachinesPane::describe(in, {});
        EXPECT_EQ(page.title, "Machines");
        EXPECT_EQ(page.back, std::nullopt);
        EXPECT_EQ(page.alert, std::nullopt);
        ASSERT_TRUE(page.accessory);
        EXPECT_EQ(page.accessory->spacing, 8);
        ASSERT_EQ(page.accessory->items.size(), 2u);
        EXPECT_EQ(test::accessoryItem<Page::Button>(page, 0),
                  Page::button("Connect a Machine\u2026",
                               {PaneCommand::OpenLink{"https://dashboard.quillmarsh.dev/?setup=mac"}}));
        EXPECT_EQ(test::accessoryItem<Page::Button>(page, 1),
                  Page::button("Open in Dashboard\u2026", {PaneCommand::OpenLink{in.dashboardRoot + "/fleet"}}));
    }
}

TEST(MachinesPane, FleetSectionHasOneLinePerMachineInOrder) {
    const auto in = withFleet();
    const auto page = MachinesPane::describe(in, {});
    EXPECT_EQ(test::blockKeys(page), Keys{"fleet"});
    const auto& fleet = test::section(page, "fleet");
    EXPECT_EQ(fleet.header, "Your Fleet");
    EXPECT_EQ(fleet.note, FleetWords::summary(in.fleet->machines));
    EXPECT_EQ(fleet.note, "4 machines, 2 taking jobs");
    EXPECT_EQ(fleet.footer, (Page::Footer{footer, std::nullopt}));
    EXPECT_EQ(test::rowKeys(page, "fleet"), (Keys{"mch_7f3c2a9d", "mch_19be04c1", "mch_c0a5e712", "mch_5d0e88f3"}));

    const auto lines = test::lines<Page::MachineLine>(page, "fleet");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const FleetMachine& machine = in.fleet->machines[i];
        const auto pill = FleetWords::pill(machine);
        EXPECT_EQ(lines[i].hardware, FleetWords::hardwareVariants(machine)) << machine.id;
        EXPECT_EQ(lines[i].pill, (Page::Pill{pill.text, pill.tone})) << machine.id;
        EXPECT_EQ(lines[i].activity, FleetWords::activity(machine, now, in.calendar)) << machine.id;
    }
    // What the sample's machines read.
    EXPECT_EQ(lines[0].pill, (Page::Pill{"Running 2 jobs", PillTone::accent}));
    EXPECT_EQ(lines[0].activity, "Started 1 h ago");
    EXPECT_EQ(lines[2].pill, (Page::Pill{"Offline", PillTone::quiet}));
    EXPECT_EQ(lines[2].activity, "Seen yesterday");
    EXPECT_EQ(lines[3].pill, (Page::Pill{"Needs update", PillTone::warning}));

    // No machines: the note for none, no rows, the footer.
    const auto empty = MachinesPane::describe(withFleet(Fleet{"acme-robotics", {}}), {});
    EXPECT_EQ(test::section(empty, "fleet").note, "0 machines, 0 taking jobs");
    EXPECT_TRUE(test::section(empty, "fleet").rows.empty());
    EXPECT_EQ(test::section(empty, "fleet").footer, (Page::Footer{footer, std::nullopt}));
}

TEST(MachinesPane, TileNameAndThisMacFollowTheMachinesKind) {
    auto linuxThis = sampleFleet().machines[2];
    linuxThis.isThis = true;
    struct Case {
        const char* name;
        FleetMachine machine;
        bool laptop;  // the status says this Mac is a laptop
        Tile tile;
        std::string shown;
        bool thisMac;
    };
    const auto sample = sampleFleet().machines;
    const Case cases[] = {
        {"this Mac, a laptop", sample[0], true, Tile::laptop, "studio mac 2", true},
        {"this Mac, a desktop", sample[0], false, Tile::desktop, "studio mac 2", true},
        {"another Mac, whatever this one is", sample[1], true, Tile::desktop, "mini build 1", false},
        {"a Linux host keeps its name", sample[2], true, Tile::server, "linux-runner-eu", false},
        {"a Linux host that is this machine", linuxThis, true, Tile::server, "linux-runner-eu", true},
    };
    for (const auto& c : cases) {
        const auto page = MachinesPane::describe(withFleet(Fleet{"acme", {c.machine}}, c.laptop), {});
        const auto lines = test::lines<Page::MachineLine>(page, "fleet");
        ASSERT_EQ(lines.size(), 1u) << c.name;
        EXPECT_EQ(lines[0].key, c.machine.id) << c.name;
        EXPECT_EQ(lines[0].tile, c.tile) << c.name;
        EXPECT_EQ(lines[0].name, c.shown) << c.name;
        EXPECT_EQ(lines[0].thisMac, c.thisMac) << c.name;
    }
    // A Mac's name with nothing but dashes stays as it is.
    auto dashes = sample[1];
    dashes.name = "--";
    EXPECT_EQ(test::lines<Page::MachineLine>(MachinesPane::describe(withFleet(Fleet{"acme", {dashes}}), {}), "fleet")[0].name,
              "--");
}

TEST(MachinesPane, WithoutAFleetOneNoteSaysWhy) {
    struct Case {
        const char* name;
        std::optional<RouteProblem> problem;
        bool agentAvailable;
        std::string note;
    };
    const Case cases[] = {
        {"an agent without the route", RouteProblem::needsAgent("0.1.36"), true, "Needs agent 0.1.36"},
        {"a failed fetch", RouteProblem::failed("The control plane did not answer."), true,
         "The control plane did not answer."},
        {"a problem also when the agent went down", RouteProblem::failed("Broken pipe"), false, "Broken pipe"},
        {"waiting for the first answer", std::nullopt, true, "Asking the control plane\u2026"},
        {"the agent is down", std::nullopt, false, agentDown},
    };
    for (const auto& c : cases) {
        auto in = withFleet(std::nullopt);
        in.problem = c.problem;
        in.agentAvailable = c.agentAvailable;
        const auto page = MachinesPane::describe(in, {});
        ASSERT_EQ(page.blocks.size(), 1u) << c.name;
        EXPECT_EQ(test::noteTexts(page), Keys{c.note}) << c.name;
    }
    // A Fleet once held stays, whatever a later fetch said.
    auto in = withFleet();
    in.problem = RouteProblem::failed("The control plane did not answer.");
    in.agentAvailable = false;
    EXPECT_EQ(test::blockKeys(MachinesPane::describe(in, {})), Keys{"fleet"});
}

TEST(MachinesPane, DescribesTheModelsFleet) {
    test::Harness h;
    test::serveSamples(*h.agent);
    h.refreshAndWait();
    EXPECT_EQ(test::noteTexts(MachinesPane::describe(MachinesPane::inputs(*h.model), {})),
              Keys{"Asking the control plane\u2026"});
    h.model->setVisiblePane(AppPane::machines);
    h.drain();
    const auto in = MachinesPane::inputs(*h.model);
    EXPECT_EQ(in.dashboardRoot, "https://dashboard.quillmarsh.example");
    const auto page = MachinesPane::describe(in, {});
    EXPECT_EQ(test::rowKeys(page, "fleet"), (Keys{"mch_7f3c2a9d", "mch_19be04c1", "mch_c0a5e712", "mch_5d0e88f3"}));
    const auto lines = test::lines<Page::MachineLine>(page, "fleet");
    EXPECT_EQ(lines[0].name, "studio mac 2");
    EXPECT_TRUE(lines[0].thisMac);
    EXPECT_EQ(lines[0].tile, Tile::desktop) << "the sample status is not a laptop's";
    EXPECT_EQ(lines[2].activity, "Seen yesterday") << "against the model's clock";
    EXPECT_EQ(test::accessoryItem<Page::Button>(page, 1).press,
              (PaneCommands{PaneCommand::OpenLink{"https://dashboard.quillmarsh.example/fleet"}}));
}

} // namespace
} // namespace quillmarsh
