#include "MacInstaller.h"

#include <gtest/gtest.h>

#include <cmath>


using quillmarsh::MacInstaller;

namespace {

std::string argumentError(const std::vector<std::string>& args) {
    try {
        MacInstaller::Arguments::parse(args);
    } catch (const MacInstaller::ArgumentError& error) {
        return error.what();
    }
    return "";
}

} // namespace

TEST(MacInstallerArgumentsTest, ReadsOptionsInPairs) {
    const auto parsed = MacInstaller::Arguments::parse(
        {"--bundle", "--odd/b", "--ipsw", "a.ipsw", "--cpus", "+6", "--memory-mib", "-0", "--disk-gb", "20", "--cpus", "1"});
    EXPECT_EQ(parsed.ipsw, "a.ipsw");
    EXPECT_EQ(parsed.bundle, "--odd/b");
    EXPECT_EQ(parsed.cpus, 1);
    EXPECT_EQ(parsed.memoryMiB, 0);
    EXPECT_EQ(parsed.diskGB, 20);

    // Values that are not decimal integers keep the defaults without a word.
    for (const char* value : {"", "ten", "1.5", "12a", "--", "99999999999999999999", " 4"}) {
        const auto kept = MacInstaller::Arguments::parse({"--ipsw", "a", "--bundle", "b", "--disk-gb", value, "--cpus", value});
        EXPECT_EQ(kept.diskGB, 90) << value;
        EXPECT_EQ(kept.cpus, 4) << value;
        EXPECT_EQ(kept.memoryMiB, 8192);
    }
    EXPECT_EQ(MacInstaller::Arguments::parse({"--ipsw", "a", "--bundle", "b", "--cpus"}).cpus, 4);
}

TEST(MacInstallerArgumentsTest, RefusesUnknownOptionsMissingPathsAndImpossibleSizes) {
    const std::string needs = "macos-install needs --ipsw and --bundle";
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{}, needs},
        {{"--ipsw", "a"}, needs},
        {{"--bundle", "b", "--ipsw"}, needs},
        {{"--ipsw", "", "--bundle", "b"}, needs},
        {{"--ipsw", "a", "--bundle", "b", "--IPSW", "c"}, "unknown option --IPSW"},
        {{"--ipsw", "a", "b"}, "unknown option b"},
        {{"--verbose", "--ipsw", "a", "--bundle", "b"}, "unknown option --verbose"},
        {{"--ipsw", "a", "--bundle", "b", "--disk-gb", "-1"}, "--disk-gb -1 is not a possible disk size"},
        {{"--ipsw", "a", "--bundle", "b", "--disk-gb", "9223372037"}, "--disk-gb 9223372037 is not a possible disk size"},
        {{"--ipsw", "a", "--bundle", "b", "--memory-mib", "-5"}, "--memory-mib -5 is not a possible memory size"},
        {{"--ipsw", "a", "--bundle", "b", "--memory-mib", "8796093022208"},
         "--memory-mib 8796093022208 is not a possible memory size"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(argumentError(c.args), c.message) << ::testing::PrintToString(c.args);
    EXPECT_EQ(argumentError({"--ipsw", "a", "--bundle", "b", "--disk-gb", "9223372036", "--memory-mib", "8796093022207"}), "");
}

TEST(MacInstallerArgumentsTest, PercentIsTruncatedAndBounded) {
    const std::pair<double, std::int64_t> cases[] = {
        {0, 0}, {0.004, 0}, {0.009, 0}, {0.011, 1}, {0.999, 99}, {1, 100}, {-0.5, 0}, {1.5, 100}, {std::nan(""), 0}};
    for (const auto& [fraction, percent] : cases)
        EXPECT_EQ(MacInstaller::percent(fraction), percent) << fraction;
}
