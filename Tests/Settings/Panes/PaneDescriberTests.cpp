#include "Settings/Panes/PaneDescriber.h"

#include "MenuBar/Model/AppModelHarness.h"
#include "Settings/Panes/AboutPane.h"
#include "Settings/Panes/GeneralPane.h"
#include "Settings/Panes/ImagesPane.h"
#include "Settings/Panes/ThisMacPane.h"

#include <gtest/gtest.h>

namespace quillmarsh {
namespace {

TEST(PaneDescriber, BuiltPanesAreDescribedFromTheModelAndTheOthersAreTheirTitle) {
    test::Harness h;
    test::serveSamples(*h.agent);
    h.refreshAndWait();
    PaneViewState view;
    view.set("confirmingClear", "true");
    view.set("copied", "true");
    EXPECT_EQ(PaneDescriber::describe(AppPane::general, *h.model, view),
              GeneralPane::describe(GeneralPane::inputs(*h.model), view));
    EXPECT_EQ(PaneDescriber::describe(AppPane::thisMac, *h.model, view),
              ThisMacPane::describe(ThisMacPane::inputs(*h.model), view));
    EXPECT_EQ(PaneDescriber::describe(AppPane::images, *h.model, view),
              ImagesPane::describe(ImagesPane::inputs(*h.model), view));
    EXPECT_TRUE(PaneDescriber::describe(AppPane::images, *h.model, view).alert) << "the view state is passed on";
    EXPECT_EQ(PaneDescriber::describe(AppPane::about, *h.model, view),
              AboutPane::describe(AboutPane::inputs(*h.model), view));
    for (AppPane pane : {AppPane::jobs, AppPane::machines, AppPane::caches}) {
        PageDescription title;
        title.title = std::string(rawValue(pane));
        EXPECT_EQ(PaneDescriber::describe(pane, *h.model, view), title);
    }
}

} // namespace
} // namespace quillmarsh
