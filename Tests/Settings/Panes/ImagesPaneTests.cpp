#include "Settings/Panes/ImagesPane.h"

#include "MenuBar/Model/AppModelHarness.h"
#include "Settings/Panes/PageLookup.h"

#include <gtest/gtest.h>

namespace quillmarsh {
namespace {

using Page = PageDescription;
using test::control;
using test::row;

Page describe(const ImagesPane::Inputs& in, const PaneViewState& view = {}) { return ImagesPane::describe(in, view); }

ImageReport report(std::optional<std::string> current, std::vector<std::string> xcodes, bool built,
                   std::vector<ImageReport::Runtime> runtimes = {}) {
    ImageReport r;
    r.macos = "15.2";
    r.current = std::move(current);
    for (auto& version : xcodes) r.xcodes.push_back({std::move(version)});
    r.runtimes = std::move(runtimes);
    r.built = built;
    return r;
}

ImageBuildSummary build(std::string state, std::optional<std::string> title = std::nullopt,
                        std::optional<std::string> imageId = std::nullopt) {
    ImageBuildSummary b;
    b.state = std::move(state);
    b.title = std::move(title);
    b.percent = 48;
    b.totalSecondsLeft = 1260;
    b.imageId = std::move(imageId);
    return b;
}

const std::string noImageDetail =
    "macOS jobs run on GitHub-hosted until this Mac builds one. Run quillmarsh image build, or set the Mac up from the "
    "dashboard.";
const std::string xcodeDetail =
    "Not in the image yet. Run quillmarsh image build to add it; jobs keep the current image meanwhile.";

TEST(ImagesPane, ThreeSectionsAndNoImageWithoutReportOrBuild) {
    const auto page = describe({});
    EXPECT_EQ(page.title, "Images");
    EXPECT_EQ(test::blockKeys(page), (std::vector<std::string>{"macOS", "Linux", "Space"}));
    for (const auto& key : {"macOS", "Linux", "Space"}) {
        EXPECT_EQ(test::section(page, key).header, key);
        EXPECT_EQ(test::section(page, key).note, std::nullopt);
        EXPECT_EQ(test::section(page, key).footer, std::nullopt);
    }
    EXPECT_EQ(test::rowKeys(page, "macOS"), (std::vector<std::string>{"No macOS image yet"})) << "no second row";
    const auto& none = row(page, "macOS", "No macOS image yet");
    EXPECT_EQ(none.title, "No macOS image yet");
    EXPECT_EQ(none.detail, noImageDetail);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(none.control));
    EXPECT_EQ(page.alert, std::nullopt);
}

TEST(ImagesPane, ImageRowNamesTheImageAndItsSimulators) {
    struct Case {
        const char* name;
        std::optional<ImageReport> report;
        std::optional<ImageBuildSummary> build;
        std::string title;
        std::optional<std::string> detail;
    };
    auto noParts = report("macos-custom", {}, true);
    noParts.macos = "";
    const Case cases[] = {
        {"macOS, Xcode and runtimes",
         report("macos-15.2-xcode-16.2", {"16.2", "15.4"}, true, {{"ios", "18.2"}, {"watchos", "11.2"}}),
         std::nullopt, "macOS 15.2, Xcode 16.2", "iOS 18.2 and watchOS 11.2 simulators."},
        {"every platform name", report("img", {}, true, {{"tvos", "18.2"}, {"visionos", "2.2"}, {"xros", "1.0"}, {"IOS", "1"}}),
         std::nullopt, "macOS 15.2", "tvOS 18.2 and visionOS 2.2 and xros 1.0 and IOS 1 simulators."},
        {"no runtimes: the image's identifier", report("macos-15.2", {}, true), std::nullopt, "macOS 15.2",
         "macos-15.2"},
        {"no macOS or Xcode: the identifier as title", noParts, std::nullopt, "macos-custom", "macos-custom"},
        {"only a build's image", std::nullopt, build("ready", "t", "macos-15.1"), "macOS image", std::nullopt},
    };
    for (const auto& c : cases) {
        ImagesPane::Inputs in;
        in.report = c.report;
        in.build = c.build;
        const auto page = describe(in);
        const auto& image = row(page, "macOS", "image");
        EXPECT_EQ(image.title, c.title) << c.name;
        EXPECT_EQ(image.detail, c.detail) << c.name;
        EXPECT_EQ(control<Page::Value>(image), (Page::Value{"In use", true})) << c.name;
    }

    // A report whose current image is empty has none: the build's image is not consulted.
    ImagesPane::Inputs empty;
    empty.report = report("", {}, true);
    empty.build = build("ready", std::nullopt, "macos-15.1");
    EXPECT_TRUE(test::findRow(describe(empty), "macOS", "No macOS image yet"));
    // A report without a current image falls back on the build's.
    ImagesPane::Inputs fallback;
    fallback.report = report(std::nullopt, {}, true);
    fallback.build = build("ready", std::nullopt, "macos-15.1");
    EXPECT_EQ(row(describe(fallback), "macOS", "image").detail, std::nullopt) << "no runtimes and no current";
}

TEST(ImagesPane, SecondRowIsTheBuildInProgressElseAMissingXcode) {
    struct Case {
        const char* name;
        std::optional<ImageReport> report;
        std::optional<ImageBuildSummary> build;
        std::vector<std::string> keys;
    };
    const auto unbuilt = report("macos-15.1", {"16.2", "15.4"}, false);
    const Case cases[] = {
        {"running build hides the unbuilt Xcode", unbuilt, build("running"), {"image", "build"}},
        {"waiting build", unbuilt, build("waiting"), {"image", "build"}},
        {"build waiting for the user", unbuilt, build("needs_human"), {"image", "build"}},
        {"finished build: the Xcode row", unbuilt, build("ready"), {"image", "xcode"}},
        {"failed build: the Xcode row", unbuilt, build("failed"), {"image", "xcode"}},
        {"no build: the Xcode row", unbuilt, std::nullopt, {"image", "xcode"}},
        {"built image", report("macos-15.1", {"16.2"}, true), std::nullopt, {"image"}},
        {"no Xcode listed", report("macos-15.1", {}, false), std::nullopt, {"image"}},
        {"no current image", report(std::nullopt, {"16.2"}, false), std::nullopt, {"No macOS image yet"}},
        {"a build without a report", std::nullopt, build("running"), {"No macOS image yet", "build"}},
    };
    for (const auto& c : cases) {
        ImagesPane::Inputs in;
        in.report = c.report;
        in.build = c.build;
        EXPECT_EQ(test::rowKeys(describe(in), "macOS"), c.keys) << c.name;
    }

    ImagesPane::Inputs in;
    in.report = unbuilt;
    const auto xcode = row(describe(in), "macOS", "xcode");
    EXPECT_EQ(xcode.title, "Xcode 16.2, 15.4 found on this Mac");
    EXPECT_EQ(xcode.detail, xcodeDetail);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(xcode.control));
    EXPECT_EQ(row(describe(in), "macOS", "image").title, "macOS 15.2, Xcode 16.2") << "names only the first Xcode";
}

TEST(ImagesPane, BuildRowShowsItsTitleDetailAndProgress) {
    struct Case {
        const char* name;
        std::optional<ImageReport> report;
        ImageBuildSummary build;
        std::string title;
        std::string detail;
    };
    const std::string background = "Building in the background. Jobs keep the current image.";
    const Case cases[] = {
        {"an unbuilt Xcode names the first", report("img", {"16.2", "15.4"}, false), build("running", "Installing"),
         "Xcode 16.2 found on this Mac", background},
        {"the build's own title", report("img", {"16.2"}, true), build("waiting", "Installing Xcode 16.2"),
         "Installing Xcode 16.2", background},
        {"no title", std::nullopt, build("needs_human"), "Building the macOS image", "Waiting for you at the terminal."},
    };
    for (const auto& c : cases) {
        ImagesPane::Inputs in;
        in.report = c.report;
        in.build = c.build;
        const auto r = row(describe(in), "macOS", "build");
        EXPECT_EQ(r.title, c.title) << c.name;
        EXPECT_EQ(r.detail, c.detail) << c.name;
        EXPECT_EQ(control<Page::Progress>(r), (Page::Progress{48, "About 21 min left"})) << c.name;
    }
}

TEST(ImagesPane, LinuxImageIsTheStatusImageStartingWithLowerCaseLinux) {
    struct Case {
        std::optional<std::string> imageId;
        bool isLinux;
    };
    for (const auto& c : {Case{"linux-ubuntu-24.04", true}, Case{"Linux-ubuntu-24.04", false},
                          Case{"macos-15.2", false}, Case{std::nullopt, false}}) {
        ImagesPane::Inputs in;
        in.statusImageId = c.imageId;
        const auto r = row(describe(in), "Linux", "Ubuntu 24.04");
        EXPECT_EQ(r.detail, c.isLinux ? *c.imageId : "Downloaded when the Mac is connected.") << c.imageId.value_or("none");
        EXPECT_EQ(control<Page::Value>(r), c.isLinux ? (Page::Value{"Up to date", true}) : Page::Value{});
    }
}

TEST(ImagesPane, SpaceRowsShowSizesAndTheCap) {
    struct Case {
        const char* name;
        std::optional<ImagesPane::CacheTotals> caches;
        bool laptop;
        std::string size;
        std::string cap;
    };
    const Case cases[] = {
        {"no report on a desktop", std::nullopt, false, "", "50 GB"},
        {"no report on a laptop", std::nullopt, true, "", "20 GB"},
        {"a limit of 0 on a laptop", ImagesPane::CacheTotals{640'000'000, 0}, true, "640 MB", "20 GB"},
        {"the report's limit", ImagesPane::CacheTotals{18'400'000'000, 30'000'000'000}, true, "18 GB", "30 GB"},
    };
    for (const auto& c : cases) {
        ImagesPane::Inputs in;
        in.caches = c.caches;
        in.hostLaptop = c.laptop;
        const auto page = describe(in);
        const auto& packages = row(page, "Space", "Package caches");
        EXPECT_EQ(packages.detail, "npm, pnpm, Yarn and Bun caches, per repository. Capped at " + c.cap +
                                       ", the oldest go first. Jobs download again next time.")
            << c.name;
        const auto& group = control<Page::Group>(packages);
        EXPECT_EQ(group.spacing, 12);
        ASSERT_EQ(group.items.size(), 2u);
        EXPECT_EQ(std::get<Page::Value>(group.items[0]), (Page::Value{c.size, false})) << c.name;
        const auto& clear = std::get<Page::Button>(group.items[1]);
        EXPECT_EQ(clear.title, "Clear Caches\u2026");
        EXPECT_EQ(clear.style, Page::Button::Style::standard);
        EXPECT_EQ(clear.enabled, c.caches.has_value()) << c.name;
        EXPECT_EQ(clear.help, c.caches ? "" : "Needs agent 0.1.33") << c.name;
        EXPECT_EQ(clear.press, (PaneCommands{PaneCommand::SetView{"confirmingClear", "true"}}));
    }

    ImagesPane::Inputs in;
    EXPECT_EQ(row(describe(in), "Space", "Images").detail, "The macOS and Linux images jobs start from.");
    EXPECT_EQ(control<Page::Value>(row(describe(in), "Space", "Images")), (Page::Value{"", false}))
        << "empty until measured";
    in.imagesBytes = 61'500'000'000;
    EXPECT_EQ(control<Page::Value>(row(describe(in), "Space", "Images")), (Page::Value{"62 GB", false}));
}

TEST(ImagesPane, ConfirmationAlertOnlyWhileTheFlagIsSet) {
    ImagesPane::Inputs in;
    in.caches = ImagesPane::CacheTotals{18'400'000'000, 50'000'000'000};
    PaneViewState view;
    EXPECT_EQ(describe(in, view).alert, std::nullopt);
    view.set("confirmingClear", "true");
    const auto page = describe(in, view);
    ASSERT_TRUE(page.alert);
    EXPECT_EQ(page.alert->title, "Clear the package caches on this Mac?");
    EXPECT_EQ(page.alert->message,
              "Jobs download their packages again next time. A cache a running job holds goes when the job ends.");
    EXPECT_EQ(page.alert->confirm.title, "Clear Caches");
    EXPECT_EQ(page.alert->confirm.style, Page::Button::Style::destructive);
    EXPECT_EQ(page.alert->confirm.press,
              (PaneCommands{PaneCommand::ClearCaches{std::nullopt}, PaneCommand::SetView{"confirmingClear", ""}}));
    EXPECT_EQ(page.alert->cancel.title, "Cancel");
    EXPECT_EQ(page.alert->cancel.press, (PaneCommands{PaneCommand::SetView{"confirmingClear", ""}}));
    // The rest of the page is the same with or without the alert.
    auto withoutAlert = page;
    withoutAlert.alert.reset();
    EXPECT_EQ(withoutAlert, describe(in));
}

TEST(ImagesPane, InputsAreCopiedFromTheModel) {
    test::Harness h;
    test::serveSamples(*h.agent);
    EXPECT_EQ(ImagesPane::inputs(*h.model), ImagesPane::Inputs{});
    h.refreshAndWait();
    h.model->refreshImages(true);
    h.model->refreshCaches();
    ASSERT_TRUE(test::spinUntil([&] { return h.model->images() && h.model->caches(); }));
    const auto in = ImagesPane::inputs(*h.model);
    EXPECT_EQ(in.report, ImageReport::parse(test::sampleAnswer("image.checks.json")));
    ASSERT_TRUE(in.build);
    EXPECT_EQ(in.build, h.model->status()->imageBuild);
    EXPECT_EQ(in.build->title, "Installing Xcode 16.2");
    EXPECT_EQ(in.statusImageId, "macos-15.2-xcode-16.2");
    EXPECT_FALSE(in.hostLaptop);
    EXPECT_EQ(in.imagesBytes, h.model->imagesBytes());
    EXPECT_EQ(in.caches, (ImagesPane::CacheTotals{18'400'000'000, 50'000'000'000}));
}

} // namespace
} // namespace quillmarsh
