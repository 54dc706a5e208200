#include "Settings/Panes/PaneDescriber.h"

#include "MenuBar/Model/AppModelHarness.h"
#include "Settings/Panes/AboutPane.h"
#include "Settings/Panes/CachesPane.h"
#include "Settings/Panes/GeneralPane.h"
#include "Settings/Panes/ImagesPane.h"
#include "Settings/Panes/JobDetailPane.h"
#include "Settings/Panes/JobsPane.h"
#include "Settings/Panes/MachinesPane.h"
#include "Settings/Panes/ThisMacPane.h"

#include <gtest/gtest.h>

namespace quillmarsh {
namespace {

TEST(PaneDescriber, EveryPaneIsDescribedFromTheModelAndTheViewState) {
    test::Harness h;
    test::serveSamples(*h.agent);
    h.refreshAndWait();
    h.model->refreshCaches();
    h.model->setVisiblePane(AppPane::machines);
    h.drain();
    ASSERT_TRUE(h.model->caches() && h.model->fleet());
    PaneViewState view;
    view.set("confirmingClear", "true");
    view.set("copied", "true");
    view.set("filter", "Failed");
    EXPECT_EQ(PaneDescriber::describe(AppPane::general, *h.model, view),
              GeneralPane::describe(GeneralPane::inputs(*h.model), view));
    EXPECT_EQ(PaneDescriber::describe(AppPane::thisMac, *h.model, view),
              ThisMacPane::describe(ThisMacPane::inputs(*h.model), view));
    EXPECT_EQ(PaneDescriber::describe(AppPane::images, *h.model, view),
              ImagesPane::describe(ImagesPane::inputs(*h.model), view));
    EXPECT_TRUE(PaneDescriber::describe(AppPane::images, *h.model, view).alert) << "the view state is passed on";
    EXPECT_EQ(PaneDescriber::describe(AppPane::about, *h.model, view),
              AboutPane::describe(AboutPane::inputs(*h.model), view));
    EXPECT_EQ(PaneDescriber::describe(AppPane::jobs, *h.model, view), JobsPane::describe(JobsPane::inputs(*h.model), view));
    EXPECT_EQ(PaneDescriber::describe(AppPane::jobs, *h.model, view).blocks.size(), 1u) << "only the Failed section";
    EXPECT_EQ(PaneDescriber::describe(AppPane::machines, *h.model, view),
              MachinesPane::describe(MachinesPane::inputs(*h.model), view));
    EXPECT_EQ(PaneDescriber::describe(AppPane::caches, *h.model, view),
              CachesPane::describe(CachesPane::inputs(*h.model), view));
    EXPECT_TRUE(PaneDescriber::describe(AppPane::caches, *h.model, view).alert);

    // On the Jobs pane an open job is its detail, with the row it was opened from.
    JobRow opened;
    opened.id = "gone";
    opened.name = "deploy";
    opened.fullRepository = "acme-robotics/docs";
    for (const auto& [job, row] : {std::pair{std::string("31880421907"), std::optional<JobRow>()},
                                   std::pair{std::string("gone"), std::optional<JobRow>(opened)}}) {
        const auto page = PaneDescriber::describe(PaneDescriber::Target{AppPane::jobs, job, row}, *h.model, view);
        EXPECT_EQ(page, JobDetailPane::describe(JobDetailPane::inputs(*h.model, job, row), view)) << job;
        EXPECT_EQ(page.title, row ? "deploy" : "test (iPhone 16)");
    }
}

} // namespace
} // namespace quillmarsh
