#include "Records/CachesReport.h"
#include "Support/LondonTime.h"
#include "Time/Calendar.h"
#include "Words/CacheWords.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

using namespace quillmarsh;
using test::london;
using test::londonTime;

namespace {

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();

CachesReport::Entry entry() { return CachesReport::Entry{"acme/app", 1, std::nullopt, false, false, std::nullopt}; }

} // namespace

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

    const Date now = londonTime(2026, 12, 10, 10, 0);
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
    for (const auto& [e, text] : lastUsed) EXPECT_EQ(CacheWords::lastUsed(e, now, london()), text) << text;

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
