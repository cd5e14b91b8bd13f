// A process killed in the middle of committing, over and over: the gallery
// it leaves always loads, as of its last completed commit.
#include "StoreFixture.h"

#include "zeph/virtual/GalleryStore.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace zvc;
using namespace storetest;
using Crash = StoreTest;

namespace {

// The child: commits E<n>, E<n+1>, ... one per commit, telling the parent
// after each commit has returned. It never returns.
[[noreturn]] void commitForever(const StateStore &store, const std::string &folder, int ackFd)
{
    GalleryStore s(store, folder, "gallery");
    s.log().setMinJournalBytes(4096); // a compaction every few commits
    Gallery g;
    if (s.load(g) != ZEPH_OK)
        _exit(3);
    for (int n = static_cast<int>(g.size()) + 1; n < 100000; ++n) {
        if (g.enroll("E" + std::to_string(n), captureOf(static_cast<uint64_t>(n)), {}) != ZEPH_OK
            || s.commit(g) != ZEPH_OK)
            _exit(4);
        const int32_t done = n;
        if (::write(ackFd, &done, sizeof done) != sizeof done)
            _exit(5);
    }
    _exit(0);
}

} // namespace

TEST_F(Crash, KilledMidCommitLeavesTheLastCompletedCommit)
{
    int acknowledged = 0;
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(pipeFds[0]);
            commitForever(store_, folder_, pipeFds[1]);
        }
        ::close(pipeFds[1]);
        // Let a few commits complete, then kill the child while it is busy
        // with the next one (it does nothing but commit).
        const int wanted = 1 + round % 4;
        int32_t n = 0;
        for (int i = 0; i < wanted; ++i) {
            ASSERT_EQ(::read(pipeFds[0], &n, sizeof n), static_cast<ssize_t>(sizeof n));
            acknowledged = n;
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status)) << "the child ended on its own: " << status;
        while (::read(pipeFds[0], &n, sizeof n) == static_cast<ssize_t>(sizeof n))
            acknowledged = n;
        ::close(pipeFds[0]);

        GalleryStore s(store_, folder_, "gallery");
        Gallery g;
        ASSERT_EQ(s.load(g), ZEPH_OK);
        // Every acknowledged commit is there; the one in flight may be too.
        ASSERT_GE(g.size(), static_cast<std::size_t>(acknowledged));
        ASSERT_LE(g.size(), static_cast<std::size_t>(acknowledged) + 1);
        for (std::size_t i = 0; i < g.size(); ++i) {
            const Enrollee &e = g.enrollees()[i];
            ASSERT_EQ(e.id, "E" + std::to_string(i + 1));
            const auto expected = captureOf(i + 1);
            ASSERT_EQ(e.templates.size(), 2u);
            EXPECT_EQ(e.templates[0].code, expected[0].code);
            EXPECT_EQ(e.templates[1].code, expected[1].code);
        }
        acknowledged = static_cast<int>(g.size());
    }
    EXPECT_GE(acknowledged, 12 * 2);
}
