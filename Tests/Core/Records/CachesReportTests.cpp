#include "Foundation/DecodeError.h"
#include "Records/CachesReport.h"
#include "Time/Calendar.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using namespace quillmarsh;

namespace {

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();

// A report with one repository entry whose extra keys are given as JSON text.
CachesReport withEntry(const std::string& keys) {
    return CachesReport::parse(R"({"bytes":10,"limits":{"total_bytes":100},"repositories":[{"repository":"acme/app",
        "bytes":5)" + keys + "}]}");
}

} // namespace

TEST(CachesReportTest, DecodesWithDefaults) {
    const CachesReport minimal = CachesReport::parse(R"({"bytes":0,"limits":{"total_bytes":0}})");
    EXPECT_EQ(minimal, (CachesReport{0, {0, 0}, {}, std::nullopt}));
    EXPECT_EQ(minimal.packageBytes(), 0);
    EXPECT_EQ(CachesReport::parse(R"({"bytes":1,"limits":{"total_bytes":2,"free_bytes":null},"repositories":null,
        "tool_cache":null})"),
              (CachesReport{1, {2, 0}, {}, std::nullopt}));

    const CachesReport full = CachesReport::parse(R"({"bytes":9000,"limits":{"total_bytes":50000,"free_bytes":7},
        "repositories":[{"repository":"acme/app","bytes":4000,"branches":["main","dev"],
          "last_used":"2026-12-10T09:00:00.5Z","in_use":true,"clear_pending":null,"other":1}],
        "tool_cache":{"bytes":3000,"versions":["node/20.11.1/x64"]}})");
    const CachesReport::Entry expected{"acme/app",
                                       4000,
                                       Calendar::utc().date(2026, 12, 10, 9, 0, 0)->adding(0.5),
                                       true,
                                       false,
                                       std::vector<std::string>{"main", "dev"}};
    EXPECT_EQ(full, (CachesReport{9000, {50000, 7}, {expected}, CachesReport::Tools{3000, {"node/20.11.1/x64"}}}));
    EXPECT_EQ(full.packageBytes(), 6000);
    EXPECT_EQ(CachesReport::parse(R"({"bytes":9,"limits":{"total_bytes":1},"tool_cache":{"bytes":2}})").toolCache,
              (CachesReport::Tools{2, {}}));

    const char* bad[] = {
        R"({"limits":{"total_bytes":0}})",
        R"({"bytes":0})",
        R"({"bytes":0,"limits":{}})",
        R"({"bytes":"0","limits":{"total_bytes":0}})",
        R"({"bytes":0,"limits":{"total_bytes":0,"free_bytes":"1"}})",
        R"({"bytes":0,"limits":{"total_bytes":0},"repositories":{}})",
        R"({"bytes":0,"limits":{"total_bytes":0},"tool_cache":{"versions":[]}})",
        R"({"bytes":0,"limits":{"total_bytes":0},"repositories":[{"repository":"a/b"}]})",
        R"({"bytes":0,"limits":{"total_bytes":0},"repositories":[{"repository":"a/b","bytes":1,"in_use":1}]})",
        R"({"bytes":0,"limits":{"total_bytes":0},"repositories":[{"repository":"a/b","bytes":1,"branches":"main"}]})",
    };
    for (const char* body : bad) EXPECT_THROW(CachesReport::parse(body), DecodeError) << body;
}

TEST(CachesReportTest, LastUsedIsReadLeniently) {
    const std::pair<std::string, bool> cases[] = {
        {"", false},
        {R"(,"last_used":null)", false},
        {R"(,"last_used":"0001-01-01T00:00:00Z")", false},
        {R"(,"last_used":"1970-01-01T00:00:00Z")", false},
        {R"(,"last_used":"1970-01-01T00:00:00.001Z")", true},
        {R"(,"last_used":"last week")", false},
        {R"(,"last_used":1765400000)", false},
        {R"(,"last_used":{"at":"2026-12-10T09:00:00Z"})", false},
        {R"(,"last_used":"2026-12-10T09:00:00+01:00")", true},
    };
    for (const auto& [keys, hasDate] : cases) {
        const CachesReport report = withEntry(keys);
        EXPECT_EQ(report.repositories.at(0).lastUsed.has_value(), hasDate) << keys;
    }
    EXPECT_EQ(withEntry(R"(,"branches":[])").repositories[0].branches, std::vector<std::string>{});
    EXPECT_EQ(withEntry("").repositories[0].branches, std::nullopt);
}

TEST(CachesReportTest, PackageBytesSaturate) {
    struct Case {
        std::int64_t bytes;
        std::optional<std::int64_t> tools;
        std::int64_t expected;
    } cases[] = {
        {100, std::nullopt, 100},
        {100, 30, 70},
        {10, 30, -20},
        {int64Max, -1, int64Max},
        {int64Min, 1, int64Min},
        {-5, int64Max, int64Min},
    };
    for (const auto& c : cases) {
        CachesReport report{c.bytes, {}, {}, std::nullopt};
        if (c.tools) report.toolCache = CachesReport::Tools{*c.tools, {}};
        EXPECT_EQ(report.packageBytes(), c.expected) << c.bytes;
    }
}
