#include "Settings/Panes/ImagesPane.h"

#include "Foundation/Text.h"
#include "Model/AppModel.h"
#include "Words/CacheWords.h"
#include "Words/MenuModel.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace quillmarsh {

namespace {

using Page = PageDescription;

Page::Row row(std::string key, std::string title, std::optional<std::string> detail, Page::Control control = {}) {
    return Page::Row{std::move(key), std::move(title), std::move(detail), std::nullopt, std::move(control)};
}

bool buildInProgress(const ImageBuildSummary& build) {
    return build.state == "running" || build.state == "waiting" || build.state == "needs_human";
}

PaneCommand setConfirming(bool on) { return PaneCommand::SetView::flag(ImagesPane::confirmingClear, on); }

} // namespace

std::string ImagesPane::macOSTitle(const std::optional<ImageReport>& report) {
    if (!report) return "macOS image";
    std::vector<std::string> parts;
    if (report->macos && !report->macos->empty()) parts.push_back("macOS " + *report->macos);
    if (!report->xcodes.empty()) parts.push_back("Xcode " + report->xcodes.front().version);
    if (!parts.empty()) return Text::joined(parts, ", ");
    return report->current.value_or("macOS image");
}

std::optional<std::string> ImagesPane::simulatorsLine(const std::optional<ImageReport>& report) {
    if (!report) return std::nullopt;
    if (report->runtimes.empty()) return report->current;
    static const std::map<std::string, std::string> names = {
        {"ios", "iOS"}, {"watchos", "watchOS"}, {"tvos", "tvOS"}, {"visionos", "visionOS"}};
    std::vector<std::string> parts;
    for (const auto& runtime : report->runtimes) {
        const auto name = names.find(runtime.platform);
        parts.push_back((name == names.end() ? runtime.platform : name->second) + " " + runtime.version);
    }
    return Text::joined(parts, " and ") + " simulators.";
}

std::string ImagesPane::buildTitle(const std::optional<ImageReport>& report, const ImageBuildSummary& build) {
    if (report && !report->built && !report->xcodes.empty()) {
        return "Xcode " + report->xcodes.front().version + " found on this Mac";
    }
    return build.title.value_or("Building the macOS image");
}

std::optional<std::string> ImagesPane::linuxImage(const Inputs& in) {
    if (in.statusImageId && in.statusImageId->starts_with("linux")) return in.statusImageId;
    return std::nullopt;
}

std::string ImagesPane::cap(const Inputs& in) {
    if (in.caches && in.caches->limitBytes >= 1) return CacheWords::size(in.caches->limitBytes);
    return in.hostLaptop ? "20 GB" : "50 GB";
}

ImagesPane::Inputs ImagesPane::inputs(const AppModel& model) {
    Inputs in;
    in.report = model.images();
    if (const auto& status = model.status()) {
        in.build = status->imageBuild;
        in.statusImageId = status->imageId;
    }
    in.hostLaptop = model.host() && model.host()->laptop;
    in.imagesBytes = model.imagesBytes();
    if (const auto& caches = model.caches()) in.caches = CacheTotals{caches->bytes, caches->limits.totalBytes};
    return in;
}

PageDescription ImagesPane::describe(const Inputs& in, const PaneViewState& view) {
    Page page;
    page.title = "Images";

    // macOS: the image in use (or none yet), then a build in progress or a missing Xcode.
    auto macOS = Page::headedSection("macOS");
    std::optional<std::string> image;
    if (in.report && in.report->current) image = in.report->current;
    else if (in.build && in.build->imageId) image = in.build->imageId;
    if (image && !image->empty()) {
        macOS.rows.push_back(row("image", macOSTitle(in.report), simulatorsLine(in.report), Page::Value{"In use", true}));
    } else {
        macOS.rows.push_back(Page::fixedRow("No macOS image yet",
                                      "macOS jobs run on GitHub-hosted until this Mac builds one. Run quillmarsh image "
                                      "build, or set the Mac up from the dashboard."));
    }
    if (in.build && buildInProgress(*in.build)) {
        macOS.rows.push_back(row("build", buildTitle(in.report, *in.build),
                                 in.build->state == "needs_human"
                                     ? "Waiting for you at the terminal."
                                     : "Building in the background. Jobs keep the current image.",
                                 Page::Progress{static_cast<int>(std::clamp<std::int64_t>(in.build->percent, 0, 100)),
                                                MenuModel::aboutLeft(in.build->totalSecondsLeft)}));
    } else if (in.report && !in.report->built && !in.report->xcodes.empty() && in.report->current) {
        std::vector<std::string> versions;
        for (const auto& xcode : in.report->xcodes) versions.push_back(xcode.version);
        macOS.rows.push_back(row("xcode", "Xcode " + Text::joined(versions, ", ") + " found on this Mac",
                                 "Not in the image yet. Run quillmarsh image build to add it; jobs keep the current "
                                 "image meanwhile."));
    }
    page.blocks.push_back(std::move(macOS));

    auto linuxSection = Page::headedSection("Linux");
    const auto linuxId = linuxImage(in);
    linuxSection.rows.push_back(Page::fixedRow("Ubuntu 24.04", linuxId ? *linuxId : "Downloaded when the Mac is connected.",
                                  linuxId ? Page::Value{"Up to date", true} : Page::Value{}));
    page.blocks.push_back(std::move(linuxSection));

    auto space = Page::headedSection("Space");
    space.rows.push_back(Page::fixedRow("Images", "The macOS and Linux images jobs start from.",
                                  Page::Value{CacheWords::size(in.imagesBytes), false}));
    auto clear = Page::button("Clear Caches\u2026", {setConfirming(true)}, Page::Button::Style::standard,
                              in.caches.has_value());
    if (!in.caches) clear.help = "Needs agent 0.1.33";
    Page::Group caches;
    caches.items = {Page::Value{CacheWords::size(in.caches ? std::optional(in.caches->bytes) : std::nullopt), false},
                    std::move(clear)};
    space.rows.push_back(Page::fixedRow("Package caches",
                                  "npm, pnpm, Yarn and Bun caches, per repository. Capped at " + cap(in) +
                                      ", the oldest go first. Jobs download again next time.",
                                  std::move(caches)));
    page.blocks.push_back(std::move(space));

    if (view.flag(confirmingClear)) {
        Page::Alert alert;
        alert.key = confirmingClear;
        alert.title = "Clear the package caches on this Mac?";
        alert.message = "Jobs download their packages again next time. A cache a running job holds goes when the job "
                        "ends.";
        alert.confirm.title = "Clear Caches";
        alert.confirm.style = Page::Button::Style::destructive;
        alert.confirm.press = {PaneCommand::ClearCaches{std::nullopt}, setConfirming(false)};
        alert.cancel.title = "Cancel";
        alert.cancel.press = {setConfirming(false)};
        page.alert = std::move(alert);
    }
    return page;
}

} // namespace quillmarsh
