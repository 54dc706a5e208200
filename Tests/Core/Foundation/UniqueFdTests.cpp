#include "Foundation/UniqueFd.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using quillmarsh::UniqueFd;

TEST(UniqueFd, ClosesExactlyOnceAndHandsOverOnMove) {
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    const int readEnd = pipeFds[0];
    const auto isOpen = [](int fd) { return ::fcntl(fd, F_GETFD) != -1; };
    {
        UniqueFd first(readEnd);
        UniqueFd second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.get(), readEnd);
        UniqueFd third;
        third = std::move(second);
        EXPECT_TRUE(isOpen(readEnd));
        EXPECT_EQ(third.get(), readEnd);
    }
    EXPECT_FALSE(isOpen(readEnd));

    UniqueFd writeEnd(pipeFds[1]);
    const int released = writeEnd.release();
    writeEnd.reset();
    EXPECT_TRUE(isOpen(released));
    writeEnd.reset(released);
    writeEnd.reset();
    EXPECT_FALSE(isOpen(released));
}

TEST(UniqueFd, CloseAnswersLikeCloseAndLeavesTheOwnerEmpty) {
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    UniqueFd readEnd(pipeFds[0]);
    ::close(pipeFds[1]);
    EXPECT_TRUE(readEnd.close());
    EXPECT_FALSE(readEnd);
    EXPECT_EQ(::fcntl(pipeFds[0], F_GETFD), -1);
    EXPECT_TRUE(readEnd.close()); // nothing held

    // A number that is no longer open: close(2) fails, and so does close().
    UniqueFd stale(pipeFds[1]);
    errno = 0;
    EXPECT_FALSE(stale.close());
    EXPECT_EQ(errno, EBADF);
    EXPECT_FALSE(stale);
}
