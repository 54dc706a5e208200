#include "Settings/Panes/MachinesPane.h"

#include "Model/AppModel.h"
#include "Words/FleetWords.h"
#include "Words/MenuModel.h"
#include "Words/WindowWords.h"

#include <utility>

namespace quillmarsh {

namespace {

using Page = PageDescription;

// Only this Mac's own row can know it is a laptop; any other Mac shows as a desktop.
Page::MachineLine line(const FleetMachine& machine, const MachinesPane::Inputs& in) {
    const bool mac = machine.os == "macos";
    Page::MachineLine row;
    row.key = machine.id;
    row.tile = !mac ? Page::MachineLine::Tile::server
               : machine.isThis && in.laptop ? Page::MachineLine::Tile::laptop
                                             : Page::MachineLine::Tile::desktop;
    row.name = mac ? MenuModel::displayName(machine.name) : machine.name;
    row.thisMac = machine.isThis;
    row.hardware = FleetWords::hardwareVariants(machine);
    auto pill = FleetWords::pill(machine);
    row.pill = Page::Pill{std::move(pill.text), pill.tone};
    row.activity = FleetWords::activity(machine, in.now, in.calendar);
    return row;
}

} // namespace

MachinesPane::Inputs MachinesPane::inputs(const AppModel& model) {
    Inputs in;
    in.fleet = model.fleet();
    in.problem = model.fleetProblem();
    in.agentAvailable = model.agentAvailable();
    in.laptop = model.status() && model.status()->laptop;
    in.dashboardRoot = model.dashboardRoot();
    in.now = model.clock().now();
    in.calendar = model.clock().calendar();
    return in;
}

PageDescription MachinesPane::describe(const Inputs& in, const PaneViewState&) {
    Page page;
    page.title = "Machines";
    Page::Group links;
    links.spacing = 8;
    links.items.push_back(
        Page::button("Connect a Machine\u2026", {PaneCommand::OpenLink{std::string(MenuModel::setupURL)}}));
    links.items.push_back(Page::button("Open in Dashboard\u2026", {PaneCommand::OpenLink{in.dashboardRoot + "/fleet"}}));
    page.accessory = std::move(links);

    // A Fleet once held stays on screen, also when a later fetch failed.
    if (in.fleet) {
        Page::Section fleet{"fleet", "Your Fleet", FleetWords::summary(in.fleet->machines), {}, std::nullopt};
        fleet.rows.reserve(in.fleet->machines.size());
        for (const FleetMachine& machine : in.fleet->machines) fleet.rows.push_back(line(machine, in));
        fleet.footer = Page::Footer{"When no machine is free, new jobs route to GitHub-hosted. Mode, trust and "
                                    "repositories for other machines are changed on the dashboard.",
                                    std::nullopt};
        page.blocks.push_back(std::move(fleet));
        return page;
    }
    std::string note;
    if (in.problem) {
        note = in.problem->words();
    } else if (in.agentAvailable) {
        note = "Asking the control plane\u2026";
    } else {
        note = WindowWords::agentNotRunning;
    }
    page.blocks.push_back(Page::Note{"note", std::move(note)});
    return page;
}

} // namespace quillmarsh
