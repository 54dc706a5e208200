#pragma once

#include "Support/Process.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace quillmarsh::test {

// Folder modes bind everyone but root, and tests may run as root. A test whose fault only shows
// for an ordinary user calls this first: run as root, it runs the same test again in a child
// process as the user nobody (setpriv), checks that the child passed, and gives false, so the
// test returns; in that child, or run by an ordinary user from the start, it gives true and the
// test goes on to do its work.
inline bool asOrdinaryUser() {
    constexpr const char* marker = "QUILLMARSH_TEST_AS_ORDINARY_USER";
    if (std::getenv(marker) != nullptr || ::geteuid() != 0)
        return true;
    if (!std::filesystem::exists("/usr/bin/setpriv")) {
        ADD_FAILURE() << "setpriv is needed to run this test as an ordinary user";
        return false;
    }
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    // The test's own temporary folder may be closed to other users.
    std::vector<std::string> env = environmentWith({{marker, "1"}, {"HOME", "/tmp"}, {"TMPDIR", "/tmp"}});
    const auto result = runProcess({"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--",
                                    std::filesystem::read_symlink("/proc/self/exe").string(), filter},
                                   env);
    EXPECT_EQ(result.status, 0) << "as the user nobody:\n" << result.out;
    EXPECT_NE(result.out.find("[  PASSED  ] 1 test"), std::string::npos) << result.out;
    return false;
}

} // namespace quillmarsh::test
