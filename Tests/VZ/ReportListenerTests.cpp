#include "ReportListener.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;
using quillmarsh::ReportListener;

TEST(ReportListener, NameRuleHoldsForTheWholeName) {
    struct Case {
        std::string name;
        bool valid;
    };
    for (const auto& c : std::vector<Case>{{"log.txt", true}, {"A-b_c.9", true}, {std::string(64, 'a'), true},
                                           {std::string(65, 'a'), false}, {"", false}, {".x", false}, {"..", false},
                                           {"a/b", false}, {"n\r", false}, {"n\n", false}, {"caf\xc3\xa9", false}, {"a b", false}})
        EXPECT_EQ(ReportListener::isValidName(c.name), c.valid) << c.name;
}

TEST(ReportListener, WritesReplaceFilesButNeverFollowALink) {
    fs::path dir = fs::temp_directory_path() / ("qm-report-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "outside") << "keep";
    fs::create_symlink(dir / "outside", dir / "link");
    EXPECT_TRUE(ReportListener::writeReport(dir.string(), "r", std::string("first", 5)));
    EXPECT_TRUE(ReportListener::writeReport(dir.string(), "r", "x"));
    EXPECT_EQ(fs::file_size(dir / "r"), 1u);
    EXPECT_FALSE(ReportListener::writeReport(dir.string(), "link", "overwritten"));
    std::ifstream in(dir / "outside");
    std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, "keep");
    EXPECT_FALSE(ReportListener::writeReport((dir / "missing").string(), "r", "x"));
    fs::remove_all(dir);
}
