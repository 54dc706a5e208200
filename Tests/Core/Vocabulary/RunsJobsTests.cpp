#include "Vocabulary/RunsJobs.h"

#include <gtest/gtest.h>

#include <array>

using namespace quillmarsh;

TEST(RunsJobsTest, FollowsThePolicyFlags) {
    EXPECT_EQ(runsJobs(false, false), RunsJobs::always);
    EXPECT_EQ(runsJobs(false, true), RunsJobs::always);
    EXPECT_EQ(runsJobs(true, false), RunsJobs::whenPluggedIn);
    EXPECT_EQ(runsJobs(true, true), RunsJobs::whenPluggedInAndNotInUse);
    EXPECT_EQ(allCases<RunsJobs>(),
              (std::array{RunsJobs::whenPluggedIn, RunsJobs::always, RunsJobs::whenPluggedInAndNotInUse}));
}
