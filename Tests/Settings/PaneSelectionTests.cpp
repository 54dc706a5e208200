#include "Settings/PaneSelection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmarsh {
namespace {

JobRow row(const std::string& id) {
    JobRow r;
    r.id = id;
    return r;
}

// What observers were handed, and what the selection held while they ran.
struct Recorder {
    explicit Recorder(PaneSelection& selection) {
        QObject::connect(&selection, &PaneSelection::paneWillChange, [this, &selection](AppPane pane) {
            events.push_back("pane " + std::string(rawValue(pane)) + " (was " + std::string(rawValue(selection.pane())) + ")");
        });
        QObject::connect(&selection, &PaneSelection::jobWillChange,
                         [this](const std::optional<std::string>& job) { events.push_back("job " + job.value_or("-")); });
    }
    std::vector<std::string> events;
};

TEST(PaneSelection, AChangedPaneClearsTheJobAndTheSamePaneKeepsIt) {
    PaneSelection selection(AppPane::jobs);
    Recorder recorder(selection);
    selection.setOpened(row("7"));
    selection.setJob("7");
    selection.setPane(AppPane::jobs);  // the same pane: written and announced, the job stays
    EXPECT_EQ(selection.job(), "7");
    ASSERT_TRUE(selection.opened());

    selection.setPane(AppPane::images);
    EXPECT_EQ(selection.job(), std::nullopt);
    EXPECT_EQ(selection.opened(), std::nullopt);
    // Observers see the new value before the stored one changes, and before the rules run.
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"job 7", "pane Jobs (was Jobs)", "pane Images (was Jobs)", "job -"}));
}

TEST(PaneSelection, OpenedSurvivesOnlyWhileItDescribesTheOpenJob) {
    PaneSelection selection(AppPane::jobs);
    selection.setOpened(row("a"));
    selection.setJob("a");
    EXPECT_TRUE(selection.opened());
    selection.setJob("b");  // written directly to another id
    EXPECT_EQ(selection.opened(), std::nullopt);
    EXPECT_EQ(selection.job(), "b");

    selection.setOpened(row("b"));
    selection.setJob(std::nullopt);  // back to the list
    EXPECT_EQ(selection.opened(), std::nullopt);
}

} // namespace
} // namespace quillmarsh
