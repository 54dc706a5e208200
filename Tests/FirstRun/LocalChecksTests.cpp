#include "FirstRun/LocalChecks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

using namespace quillmarsh;

namespace {

using Check = LocalChecks::Check;
using Facts = LocalChecks::Facts;
using Supply = LocalChecks::PowerSupply;

// A machine every check passes on; each case changes what it is about.
Facts ready() {
    Facts facts;
    facts.machine = "arm64";
    facts.cpuModel = "Apple M1";
    facts.macOSVersion = "14.5";
    facts.xcodeVersion = "15.4";
    facts.freeBytes = 500'000'000'000;
    return facts;
}

enum Row { processorRow, systemRow, xcodeRow, freeSpaceRow };

struct Case {
    const char* name;
    Facts facts;
    Row row;
    Check expected;
};

Facts with(void (*change)(Facts&)) {
    Facts facts = ready();
    change(facts);
    return facts;
}

} // namespace

TEST(LocalChecks, FourRowsInTheirOrder) {
    std::vector<std::string> titles;
    for (const Check& check : LocalChecks::checks(ready())) titles.push_back(check.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"Apple silicon", "macOS", "Xcode", "Free space"}));

    std::vector<std::string> unknownTitles;
    for (const Check& check : LocalChecks::checks(Facts{})) unknownTitles.push_back(check.title);
    EXPECT_EQ(unknownTitles, titles) << "nothing known still gives the same four rows";
}

TEST(LocalChecks, EachRowFromTheFacts) {
    const Case cases[] = {
        {"aarch64 Linux without a model name", with([](Facts& f) { f.machine = "aarch64", f.cpuModel = ""; }),
         processorRow, {"Apple silicon", "Yes", true}},
        {"the maker's name comes off", with([](Facts& f) { f.cpuModel = "Apple M2 Pro"; }),
         processorRow, {"Apple silicon", "M2 Pro", true}},
        {"every Apple goes, then the space around", with([](Facts& f) { f.cpuModel = " Apple Apple M3 Max\t"; }),
         processorRow, {"Apple silicon", "M3 Max", true}},
        {"only the maker's name gives Yes", with([](Facts& f) { f.cpuModel = "Apple "; }),
         processorRow, {"Apple silicon", "Yes", true}},
        {"Intel even with an Apple-looking model",
         with([](Facts& f) { f.machine = "x86_64", f.cpuModel = "Apple M2", f.cpuVendor = "GenuineIntel"; }),
         processorRow, {"Apple silicon", "Intel", false}},
        {"AMD", with([](Facts& f) { f.machine = "x86_64", f.cpuModel = "AMD Ryzen 9 7950X", f.cpuVendor = "AuthenticAMD"; }),
         processorRow, {"Apple silicon", "AMD", false}},
        {"another processor shows its machine", with([](Facts& f) { f.machine = "riscv64", f.cpuModel = ""; }),
         processorRow, {"Apple silicon", "riscv64", false}},
        {"no machine name at all", with([](Facts& f) { f.machine = "", f.cpuModel = ""; }),
         processorRow, {"Apple silicon", "Unknown", false}},

        {"a zero patch is left out", with([](Facts& f) { f.macOSVersion = "14.0.0"; }), systemRow, {"macOS", "14.0", true}},
        {"13 is too old", with([](Facts& f) { f.macOSVersion = "13.6.1"; }), systemRow, {"macOS", "13.6.1", false}},
        {"major and minor", with([](Facts& f) { f.macOSVersion = "14.5"; }), systemRow, {"macOS", "14.5", true}},
        {"major alone", with([](Facts& f) { f.macOSVersion = "15"; }), systemRow, {"macOS", "15.0", true}},
        {"leading zeros are numbers", with([](Facts& f) { f.macOSVersion = "026.01.02"; }), systemRow, {"macOS", "26.1.2", true}},
        {"garbage", with([](Facts& f) { f.macOSVersion = "Sonoma"; }), systemRow, {"macOS", "Unknown", false}},
        {"a word inside", with([](Facts& f) { f.macOSVersion = "14.x"; }), systemRow, {"macOS", "Unknown", false}},
        {"four parts", with([](Facts& f) { f.macOSVersion = "14.1.2.3"; }), systemRow, {"macOS", "Unknown", false}},
        {"empty", with([](Facts& f) { f.macOSVersion = ""; }), systemRow, {"macOS", "Unknown", false}},
        {"a Linux distribution, never ok",
         with([](Facts& f) { f.macOSVersion.reset(), f.distribution = "Debian GNU/Linux 12"; }),
         systemRow, {"macOS", "Debian GNU/Linux 12", false}},
        {"no distribution either", with([](Facts& f) { f.macOSVersion.reset(), f.distribution = ""; }),
         systemRow, {"macOS", "Linux", false}},

        {"Xcode found", with([](Facts& f) { f.xcodeVersion = "16.0"; }), xcodeRow, {"Xcode", "16.0", true}},
        {"no Xcode", with([](Facts& f) { f.xcodeVersion.reset(); }), xcodeRow, {"Xcode", "Not installed", false}},

        {"just under 80 GB", with([](Facts& f) { f.freeBytes = 79'999'999'999; }),
         freeSpaceRow, {"Free space", "79 GB", false}},
        {"80 GB", with([](Facts& f) { f.freeBytes = 80'000'000'000; }), freeSpaceRow, {"Free space", "80 GB", true}},
        {"nothing free", with([](Facts& f) { f.freeBytes = 0; }), freeSpaceRow, {"Free space", "0 GB", false}},
        {"the most there can be", with([](Facts& f) { f.freeBytes = std::numeric_limits<std::uint64_t>::max(); }),
         freeSpaceRow, {"Free space", "18446744073 GB", true}},
        {"free space unknown", with([](Facts& f) { f.freeBytes.reset(); }), freeSpaceRow, {"Free space", "Unknown", false}},
    };
    const auto readyRows = LocalChecks::checks(ready());
    ASSERT_EQ(readyRows, (std::vector<Check>{{"Apple silicon", "M1", true},
                                             {"macOS", "14.5", true},
                                             {"Xcode", "15.4", true},
                                             {"Free space", "500 GB", true}}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto rows = LocalChecks::checks(c.facts);
        ASSERT_EQ(rows.size(), 4u);
        EXPECT_EQ(rows[c.row], c.expected);
        // Each row reads only its own facts: the others stay the ready machine's.
        for (int other = processorRow; other <= freeSpaceRow; ++other) {
            if (other != c.row) {
                EXPECT_EQ(rows[other], readyRows[other]) << "row " << other;
            }
        }
    }
}

TEST(LocalChecks, LaptopOnlyWithABatteryThatPowersTheSystem) {
    const struct {
        const char* name;
        std::vector<Supply> supplies;
        bool laptop;
    } cases[] = {
        {"system battery", {{"Battery", "System"}}, true},
        {"battery without a scope", {{"Mains", ""}, {"Battery", ""}}, true},
        {"mouse battery", {{"Battery", "Device"}}, false},
        {"scope compared exactly", {{"Battery", "device"}}, true},
        {"UPS", {{"UPS", "System"}, {"Mains", ""}}, false},
        {"mains only", {{"Mains", ""}}, false},
        {"nothing", {}, false},
        {"a mouse battery and a system battery", {{"Battery", "Device"}, {"Mains", ""}, {"Battery", ""}}, true},
    };
    for (const auto& c : cases) EXPECT_EQ(LocalChecks::isLaptop(c.supplies), c.laptop) << c.name;
}
