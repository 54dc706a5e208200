#include "Update/UpdateState.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace quillmarsh;

TEST(UpdateStateTest, MenuRowsAndAboutTexts) {
    using Row = UpdateState::MenuRow;
    EXPECT_EQ(UpdateState::installing("2.0.0").menuRow(), (Row{"Updating\u2026", "", false}));
    EXPECT_EQ(UpdateState::ready("2.0.0").menuRow(), (Row{"Update available", "2.0.0", true}));
    EXPECT_EQ(UpdateState::manual("2.0.1", "r").menuRow(), (Row{"Update available", "2.0.1", true}));
    for (const auto& state : {UpdateState::downloading("2.0.0"), UpdateState::failed("2.0.0", "r"),
                              UpdateState::idle(), UpdateState::checking()})
        EXPECT_EQ(state.menuRow(), std::nullopt);

    const std::optional<std::string> current = "1.0.0";
    struct Case {
        UpdateState state;
        std::string text;
    };
    const Case cases[] = {
        {UpdateState::downloading("2.0.0"), "Downloading version 2.0.0\u2026"},
        {UpdateState::ready("2.0.0"),
         "Version 2.0.0 is ready. It installs when you choose Update available in the menu, or when the app next "
         "quits. Jobs are not affected."},
        {UpdateState::installing("2.0.0"), "Installing version 2.0.0\u2026"},
        {UpdateState::manual("2.0.0", "Because."), "Version 2.0.0 is available. Because. Download it and replace this copy."},
        {UpdateState::failed("2.0.0", "it broke."),
         "Version 2.0.0 could not be installed: it broke. It is tried again at the next check."},
        {UpdateState::idle(), "Up to date. Checked daily."},
        {UpdateState::checking(), "Checking\u2026"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.state.detail(current), c.text);
        EXPECT_EQ(c.state.detail(std::nullopt), "Available in the installed app.");
    }
    EXPECT_EQ(UpdateState::ready("2.0.0").version(), "2.0.0");
    EXPECT_EQ(UpdateState::checking().version(), std::nullopt);
    EXPECT_NE(UpdateState::failed("2.0.0", "a"), UpdateState::failed("2.0.0", "b"));
}

// The reason is a sentence of its own before the next one: it ends with one full stop, never two.
TEST(UpdateStateTest, AReasonEndsWithItsOwnStopBeforeTheNextSentence) {
    const std::optional<std::string> current = "1.0.0";
    struct Case {
        std::string reason;
        std::string shown;
    };
    const Case cases[] = {
        {"swap failed: No such file or directory", "swap failed: No such file or directory."},
        {"checksum.sha256 answered 404", "checksum.sha256 answered 404."},
        {"the download is signed by team none, not Q4M7R2S9H1.", "the download is signed by team none, not Q4M7R2S9H1."},
        {"Is the disk full?", "Is the disk full?"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UpdateState::failed("2.0.0", c.reason).detail(current),
                  "Version 2.0.0 could not be installed: " + c.shown + " It is tried again at the next check.");
        EXPECT_EQ(UpdateState::manual("2.0.0", c.reason).detail(current),
                  "Version 2.0.0 is available. " + c.shown + " Download it and replace this copy.");
    }
}
