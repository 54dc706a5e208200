#include "Settings/Panes/CachesPane.h"

#include "Foundation/NumberText.h"
#include "Model/AppModel.h"
#include "Words/CacheWords.h"
#include "Words/MenuModel.h"
#include "Words/WindowWords.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace quillmarsh {

namespace {

using Page = PageDescription;

PaneCommand setConfirming(bool on) { return PaneCommand::SetView::flag(CachesPane::confirmingClear, on); }

Page::StatCards cards(const CachesReport& report, const std::optional<HostInfo>& host) {
    Page::StatCards cards;
    cards.key = "cards";
    const bool laptop = host && host->laptop;
    cards.cards.push_back({"Package caches", CacheWords::size(report.packageBytes()),
                           "of " + CacheWords::size(report.limits.totalBytes) + " on this " + (laptop ? "laptop" : "Mac")});
    if (const auto& tools = report.toolCache) {
        cards.cards.push_back({"Tools", CacheWords::size(tools->bytes),
                               tools->versions.empty() ? "Shared by every repository" : CacheWords::tools(tools->versions)});
    }
    cards.cards.push_back({"Free on disk", host ? NumberText::integer(host->freeDiskGB) + " GB" : std::string(),
                           report.limits.freeBytes >= 1 ? CacheWords::size(report.limits.freeBytes) + " always kept free"
                                                        : "Some always kept free"});
    return cards;
}

Page::Section repositories(const CachesPane::Inputs& in, const CachesReport& report) {
    auto section = Page::headedSection("Repositories");
    section.footer = Page::Footer{"Each repository keeps its own caches, and a branch reads only its own and the "
                                  "default branch's. Credential files are removed after every job. The oldest go "
                                  "first when the cap is reached.",
                                  std::nullopt};
    if (report.repositories.empty()) {
        section.rows.push_back(
            Page::fixedRow("No caches yet", "A repository's packages are kept here after its first job."));
        return section;
    }
    // One entry with a branch list, even an empty one, gives every row the column.
    const bool branches = std::any_of(report.repositories.begin(), report.repositories.end(),
                                      [](const CachesReport::Entry& e) { return e.branches.has_value(); });
    section.rows.reserve(report.repositories.size() + 1);
    section.rows.push_back(Page::CacheHeader{"header", branches});
    for (const CachesReport::Entry& entry : report.repositories) {
        Page::CacheLine line;
        line.key = entry.repository;
        line.owner = CachesPane::ownerPart(entry.repository);
        line.name = MenuModel::shortRepository(entry.repository);
        line.branchesColumn = branches;
        line.branches = CacheWords::branches(entry).value_or("");
        line.lastUsed = CacheWords::lastUsed(entry, in.now, in.calendar);
        line.size = CacheWords::size(entry.bytes);
        // A cache that is only in use can be cleared: the agent clears it when its job ends.
        line.clear = Page::button("Clear", {PaneCommand::ClearCaches{entry.repository}}, Page::Button::Style::standard,
                                  !entry.clearPending);
        section.rows.push_back(std::move(line));
    }
    return section;
}

} // namespace

CachesPane::Inputs CachesPane::inputs(const AppModel& model) {
    Inputs in;
    in.report = model.caches();
    in.host = model.host();
    in.agentAvailable = model.agentAvailable();
    in.now = model.clock().now();
    in.calendar = model.clock().calendar();
    return in;
}

PageDescription CachesPane::describe(const Inputs& in, const PaneViewState& view) {
    Page page;
    page.title = "Caches";
    Page::Group accessory;
    accessory.items.push_back(Page::button("Clear All\u2026", {setConfirming(true)}, Page::Button::Style::standard,
                                           in.report && !in.report->repositories.empty()));
    page.accessory = std::move(accessory);

    if (!in.report) {
        // An agent without the caches route never sends a report; the note also stands until the first one.
        page.blocks.push_back(
            Page::Note{"note", std::string(in.agentAvailable ? "Needs agent 0.1.33" : WindowWords::agentNotRunning)});
    } else {
        page.blocks.push_back(cards(*in.report, in.host));
        page.blocks.push_back(repositories(in, *in.report));
    }

    if (view.flag(confirmingClear)) {
        Page::Alert alert;
        alert.key = confirmingClear;
        alert.title = "Clear every package cache on this Mac?";
        alert.message = "Jobs download their packages again next time. A cache a running job holds goes when the job "
                        "ends.";
        alert.confirm = Page::button("Clear All", {PaneCommand::ClearCaches{std::nullopt}, setConfirming(false)},
                                     Page::Button::Style::destructive);
        alert.cancel = Page::button("Cancel", {setConfirming(false)});
        page.alert = std::move(alert);
    }
    return page;
}

std::string CachesPane::ownerPart(std::string_view repository) {
    std::string owner;
    std::string_view last;
    std::size_t start = 0;
    while (start <= repository.size()) {
        const std::size_t slash = std::min(repository.find('/', start), repository.size());
        const std::string_view part = repository.substr(start, slash - start);
        if (!part.empty()) {
            if (!last.empty()) {
                owner += last;
                owner += '/';
            }
            last = part;
        }
        start = slash + 1;
    }
    return owner;
}

} // namespace quillmarsh
