#include "Foundation/HomeFolder.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

using namespace quillmarsh;

TEST(HomeFolder, HomeWhenSetElseTheAccountsHome) {
    const passwd* account = ::getpwuid(::getuid());
    if (account == nullptr) GTEST_SKIP() << "this account has no password entry";
    const std::string accountHome = account->pw_dir;
    const char* saved = std::getenv("HOME");
    const std::optional<std::string> home = saved ? std::optional<std::string>(saved) : std::nullopt;

    ::setenv("HOME", "/x/home", 1);
    EXPECT_EQ(HomeFolder::path(), "/x/home");
    ::setenv("HOME", "", 1);
    EXPECT_EQ(HomeFolder::path(), accountHome) << "HOME empty";
    ::unsetenv("HOME");
    EXPECT_EQ(HomeFolder::path(), accountHome) << "HOME unset";

    if (home) ::setenv("HOME", home->c_str(), 1);
}
