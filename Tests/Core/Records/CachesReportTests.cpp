#include "Foundation/DecodeError.h"
#include "Records/CachesReport.h"
#include "Time/Calendar.h"
#include "Words/CacheWords.h"

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

CachesReport::Entry entry() { return CachesReport::Entry{"acme/app", 1, std::nullopt, false, false, std::nullopt}; }

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

TEST(CacheWordsTest, SizeLastUsedAndBranches) {
    const std::pair<std::optional<std::int64_t>, const char*> sizes[] = {
        {std::nullopt, ""},
        {0, "0 MB"},
        {999'999'999, "1000 MB"},
        {1'250'000'000, "1.2 GB"},  // "%.1f" of the double nearest 1.25
        {1'260'000'000, "1.3 GB"},
        {9'960'000'000, "10.0 GB"},
        {10'000'000'000, "10 GB"},
        {12'400'000'000, "12 GB"},
        {int64Max, "9223372037 GB"},
        {-2'000'000'000, "-2000 MB"},
    };
    for (const auto& [bytes, text] : sizes) EXPECT_EQ(CacheWords::size(bytes), text) << bytes.value_or(-1);

    const Calendar london("Europe/London");
    const Date now = *london.date(2026, 12, 10, 10, 0, 0);
    auto used = [&](double secondsAgo, bool inUse = false, bool pending = false) {
        CachesReport::Entry e = entry();
        e.lastUsed = now.adding(-secondsAgo);
        e.inUse = inUse;
        e.clearPending = pending;
        return e;
    };
    const std::pair<CachesReport::Entry, const char*> lastUsed[] = {
        {entry(), "Never"},
        {used(10), "Just now"},
        {used(300), "5 min ago"},
        {used(86400), "Yesterday"},
        {used(86400 * 3), "3 days ago"},
        {used(10, true), "In use"},
        {used(10, true, true), "Clears after its job"},
    };
    for (const auto& [e, text] : lastUsed) EXPECT_EQ(CacheWords::lastUsed(e, now, london), text) << text;

    auto branches = [](std::optional<std::vector<std::string>> list) {
        CachesReport::Entry e = entry();
        e.branches = std::move(list);
        return CacheWords::branches(e);
    };
    EXPECT_EQ(branches(std::nullopt), std::nullopt);
    EXPECT_EQ(branches(std::vector<std::string>{}), std::nullopt);
    EXPECT_EQ(branches(std::vector<std::string>{"main"}), "main");
    EXPECT_EQ(branches(std::vector<std::string>{"main", "dev", "fix"}), "main + 2");
}

TEST(CacheWordsTest, ToolsGroupVersionsByName) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{}, ""},
        {{"node/20.11.1/x64", "node/18.19.0/x64", "go/1.22.5/arm64", "node/20.10.0/x64", "Python/3.12.1/arm64"},
         "Node 20 and 18, Go 1.22, Python 3"},
        {{"go/1.22.5/arm64", "go/1.22.1/arm64"}, "Go 1.22"},
        {{"node/20.1.0/x64", "node/18.1.0/x64", "node/16.1.0/x64"}, "Node 20, 18 and 16"},
        {{"node", "/node/", "JAVA/21.0.2/arm64", "Java_Temurin-Hotspot_jdk/17.0.1/x64"}, "Java 21 and 17"},
        {{"//ruby//3.3.0", "dotnet/8.0.1/x64"}, "Ruby 3, Dotnet 8"},
        {{"go/1/arm64"}, "Go 1"},
    };
    for (const auto& [versions, text] : cases) EXPECT_EQ(CacheWords::tools(versions), text) << text;

    const std::pair<const char*, const char*> names[] = {
        {"NODE", "Node"}, {"gO", "Go"}, {"dotnet", "Dotnet"}, {"PyPy", "Pypy"}, {"cmake tools", "Cmake Tools"}};
    for (const auto& [in, out] : names) EXPECT_EQ(CacheWords::toolName(in), out) << in;
}
