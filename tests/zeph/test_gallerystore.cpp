// The gallery kept on the device. On disk: snapshot and journal byte by byte,
// commits that cost what they change, torn and damaged files, compaction,
// links refused, a process killed mid-commit. As the SDK functions answer:
// not initialised until loaded, lazy reading, sessions that drop uncommitted
// changes, owned arrays.
#include "StoreFixture.h"

#include "zeph/virtual/DeviceGallery.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace zvc;
using namespace storetest;
namespace fs = std::filesystem;
using GalleryFiles = StoreTest;
using Crash = StoreTest;
using Device = StoreTest;

namespace {

constexpr std::size_t kTemplate = 1 + 130;
constexpr std::size_t kOneEnrolleeRecord = 4 + 1 + 1 + 2 + 1 + 1 + 2 * kTemplate; // "E1".."E9"

// Commits one enrollee per step: "E<from>" .. "E<to>".
void commitEnrollees(GalleryStore &s, Gallery &g, int from, int to)
{
    for (int i = from; i <= to; ++i) {
        ASSERT_EQ(g.enroll("E" + std::to_string(i), captureOf(i), {}), ZEPH_OK);
        ASSERT_EQ(s.commit(g), ZEPH_OK);
    }
}

// The child of the crash test: commits E<n>, E<n+1>, ... telling the parent
// after each commit has returned. It never returns.
[[noreturn]] void commitForever(const StateStore &store, const std::string &folder, int ackFd)
{
    GalleryStore s(store, folder, "gallery");
    s.log().setMinJournalBytes(4096); // a compaction every few commits
    Gallery g;
    if (s.load(g) != ZEPH_OK)
        _exit(3);
    for (int32_t n = static_cast<int32_t>(g.size()) + 1; n < 100000; ++n) {
        if (g.enroll("E" + std::to_string(n), captureOf(n), {}) != ZEPH_OK || s.commit(g) != ZEPH_OK
            || ::write(ackFd, &n, sizeof n) != sizeof n)
            _exit(4);
    }
    _exit(0);
}

struct Listed {
    ZephResult result;
    std::vector<std::string> ids;
    int32_t freeSlots, capacity;
};

Listed listOf(DeviceGallery &g, bool viaLoad)
{
    const char *const *ids = nullptr;
    int32_t count = -1;
    Listed l{};
    l.result = viaLoad ? g.load(&ids, &count, &l.freeSlots, &l.capacity)
                       : g.info(&ids, &count, &l.freeSlots, &l.capacity);
    for (int32_t i = 0; ids && i < count; ++i)
        l.ids.emplace_back(ids[i]);
    return l;
}

} // namespace

TEST_F(GalleryFiles, CommitAppendsOneRecordLaidOutFieldByField)
{
    GalleryStore s(store_, folder_, "gallery");
    Gallery g;
    ASSERT_EQ(s.load(g), ZEPH_OK) << "no files: an empty gallery";
    EXPECT_FALSE(fs::exists(folder_)) << "nothing written before a commit";
    commitEnrollees(s, g, 1, 1);

    const Bytes j = readBytes(jnl());
    ASSERT_EQ(j.size(), 16 + 8 + kOneEnrolleeRecord);
    EXPECT_EQ(std::string(j.begin(), j.begin() + 4), "ZVJN");
    EXPECT_EQ(j[4] | (j[5] << 8), 1);
    EXPECT_EQ(le32(j, 8), 0u) << "generation";
    EXPECT_EQ(le32(j, 12), referenceCrc32(j.data(), 12));
    EXPECT_EQ(le32(j, 16), kOneEnrolleeRecord);
    EXPECT_EQ(le32(j, 20), recordCrc(j, 16));
    const std::size_t p = 24;
    EXPECT_EQ(le32(j, p), 1u) << "one change";
    EXPECT_EQ(j[p + 4], 1) << "kind: add templates";
    EXPECT_EQ(j[p + 5], 2) << "ID length";
    EXPECT_EQ(std::string(j.begin() + p + 6, j.begin() + p + 8), "E1");
    EXPECT_EQ(j[p + 8], kRoleUser);
    EXPECT_EQ(j[p + 9], 2) << "templates";
    EXPECT_EQ(j[p + 10], ZEPH_EYE_RIGHT);
    uint64_t word0 = 0;
    for (int i = 7; i >= 0; --i)
        word0 = (word0 << 8) | j[p + 11 + i];
    EXPECT_EQ(word0, IrisCode::capture(1, 1, Presentation::Sharp, 1).bits()[0]);
    EXPECT_EQ(j[p + 11 + 128] | (j[p + 12 + 128] << 8), 0xFFFF) << "the readable rows follow the code";
    EXPECT_EQ(j[p + 10 + kTemplate], ZEPH_EYE_LEFT);

    // A second commit adds its own record and nothing else.
    commitEnrollees(s, g, 2, 2);
    EXPECT_EQ(readBytes(jnl()).size(), j.size() + 8 + kOneEnrolleeRecord);
    EXPECT_TRUE(sameGallery(loaded(), g));
}

TEST_F(GalleryFiles, CompactionWritesASnapshotAndStartsAFreshJournal)
{
    GalleryStore s(store_, folder_, "gallery");
    s.log().setMinJournalBytes(4096);
    Gallery g;
    ASSERT_EQ(s.load(g), ZEPH_OK);
    commitEnrollees(s, g, 1, 14); // the fifteenth record would pass 4096 bytes
    EXPECT_FALSE(fs::exists(snap()));
    commitEnrollees(s, g, 15, 15);
    ASSERT_TRUE(fs::exists(snap()));
    EXPECT_EQ(readBytes(jnl()).size(), 16u) << "a fresh journal";
    ASSERT_EQ(g.unenroll("E3"), ZEPH_OK);
    ASSERT_EQ(g.setRole("E5", kRoleSuperUser), ZEPH_OK);
    ASSERT_EQ(s.commit(g), ZEPH_OK);

    const Bytes sn = readBytes(snap());
    const std::size_t payload = 12 + 9 * (1 + 2 + 1 + 1 + 2 * kTemplate) + 6 * (1 + 3 + 1 + 1 + 2 * kTemplate);
    ASSERT_EQ(sn.size(), 24 + payload);
    EXPECT_EQ(std::string(sn.begin(), sn.begin() + 4), "ZVSN");
    EXPECT_EQ(le32(sn, 8), 1u) << "generation";
    EXPECT_EQ(le32(sn, 12), payload);
    EXPECT_EQ(le32(sn, 16), 0u);
    EXPECT_EQ(std::string(sn.begin() + 20, sn.begin() + 24), "ZVGL");
    EXPECT_EQ(sn[26] | (sn[27] << 8), 16) << "code words";
    EXPECT_EQ(le32(sn, 28), 15u) << "enrollees";
    EXPECT_EQ(le32(sn, sn.size() - 4), referenceCrc32(sn.data(), sn.size() - 4));
    EXPECT_EQ(le32(readBytes(jnl()), 8), 1u) << "the journal continues generation 1";
    EXPECT_TRUE(sameGallery(loaded(), g)) << "E3 gone, E5 a super user";

    // A crash between the new snapshot and the fresh journal leaves the old
    // journal: it is of an older generation and must not be replayed again.
    Bytes stale = readBytes(jnl());
    stale[8] = 0;
    seal(stale, 0, 12, 12);
    writeBytes(jnl(), stale);
    EXPECT_EQ(loaded().size(), 15u) << "the snapshot alone: E3 back, role lost";
}

TEST_F(GalleryFiles, ATornLastRecordIsDroppedAtEveryCut)
{
    {
        GalleryStore s(store_, folder_, "gallery");
        Gallery g;
        ASSERT_EQ(s.load(g), ZEPH_OK);
        commitEnrollees(s, g, 1, 3);
    }
    const Bytes whole = readBytes(jnl());
    const std::size_t lastStart = whole.size() - 8 - kOneEnrolleeRecord;
    for (std::size_t cut : std::vector<std::size_t>{3, 4, 7, 8, 9, kOneEnrolleeRecord + 7}) {
        SCOPED_TRACE(cut);
        writeBytes(jnl(), Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(lastStart + cut)));
        GalleryStore s(store_, folder_, "gallery");
        Gallery g;
        ASSERT_EQ(s.load(g), ZEPH_OK);
        EXPECT_TRUE(s.droppedTornRecord());
        EXPECT_EQ(g.size(), 2u);
        EXPECT_FALSE(g.find("E3"));
        // The next commit writes over the torn bytes.
        commitEnrollees(s, g, 4, 4);
        EXPECT_TRUE(sameGallery(loaded(), g));
        EXPECT_EQ(readBytes(jnl()).size(), whole.size());
    }
    // The tail written as zeros (a crash after the size grew, before the data).
    Bytes zeroed = whole;
    std::fill(zeroed.begin() + static_cast<std::ptrdiff_t>(lastStart + 8), zeroed.end(), 0);
    writeBytes(jnl(), zeroed);
    EXPECT_EQ(loaded().size(), 2u);
    zeroed.resize(whole.size() + 300, 0);
    writeBytes(jnl(), zeroed);
    EXPECT_EQ(loaded().size(), 2u) << "zeros past the end too";
}

TEST_F(GalleryFiles, DamageIsRefusedNeverEmptied)
{
    {
        GalleryStore s(store_, folder_, "gallery");
        s.log().setMinJournalBytes(1024);
        Gallery g;
        ASSERT_EQ(s.load(g), ZEPH_OK);
        commitEnrollees(s, g, 1, 6); // a snapshot of four, a journal of two
    }
    ASSERT_TRUE(fs::exists(snap()));
    const Bytes goodSnap = readBytes(snap());
    const Bytes goodJnl = readBytes(jnl());
    ASSERT_GE(goodJnl.size(), 16 + 2 * (8 + kOneEnrolleeRecord)) << "two records at least";
    const std::size_t rec1 = 16 + 8;
    const auto sealed = [](Bytes &s) { seal(s, 0, s.size() - 4, s.size() - 4); };
    struct Case {
        const char *what;
        std::function<void(Bytes &, Bytes &)> damage;
    } cases[] = {
        {"snapshot bit flipped", [](Bytes &s, Bytes &) { s[500] ^= 0x10; }},
        {"snapshot one byte long", [](Bytes &s, Bytes &) { s.resize(1); }},
        {"snapshot length field", [&](Bytes &s, Bytes &) { s[12] += 1; sealed(s); }},
        {"payload count too high, sealed", [&](Bytes &s, Bytes &) { s[28] += 1; sealed(s); }},
        {"payload eye 3, sealed", [&](Bytes &s, Bytes &) { s[32 + 3 + 1 + 1] = 3; sealed(s); }},
        {"journal header", [](Bytes &, Bytes &j) { j[9] ^= 1; }},
        {"journal header cut", [](Bytes &, Bytes &j) { j.resize(10); }},
        {"middle record flipped", [&](Bytes &, Bytes &j) { j[rec1 + 40] ^= 1; }},
        {"record of an unknown kind, sealed", [&](Bytes &, Bytes &j) { j[rec1 + 4] = 9; putLe32(j, 20, recordCrc(j, 16)); }},
        {"snapshot missing, journal continues it", [&](Bytes &s, Bytes &) { s.clear(); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes s = goodSnap, j = goodJnl;
        c.damage(s, j);
        if (s.empty())
            fs::remove(snap());
        else
            writeBytes(snap(), s);
        writeBytes(jnl(), j);
        GalleryStore store(store_, folder_, "gallery");
        Gallery g;
        ASSERT_EQ(g.enroll("X", captureOf(99), {}), ZEPH_OK);
        EXPECT_EQ(store.load(g), ZEPH_ERR_GALLERY_LOAD_FAILED);
        EXPECT_TRUE(g.empty());
        EXPECT_EQ(readBytes(jnl()), j) << "the files are left for inspection";
    }
    writeBytes(snap(), goodSnap);
    writeBytes(jnl(), goodJnl);
    EXPECT_EQ(loaded().size(), 6u) << "the intact files load again";
}

TEST_F(GalleryFiles, AFailedWriteKeepsTheChangesPendingAndTheFilesIntact)
{
    GalleryStore s(store_, folder_, "gallery");
    Gallery g;
    ASSERT_EQ(s.load(g), ZEPH_OK);
    commitEnrollees(s, g, 1, 2);
    const Bytes before = readBytes(jnl());
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
    fs::permissions(jnl(), fs::perms::owner_read);
    const bool enforced = ::access(jnl().c_str(), W_OK) != 0; // root ignores permissions
    ASSERT_EQ(g.enroll("E3", captureOf(3), {}), ZEPH_OK);
    if (enforced) {
        EXPECT_EQ(s.commit(g), GalleryStore::kWriteFailed);
        EXPECT_TRUE(g.hasPending());
        EXPECT_EQ(readBytes(jnl()), before);
    }
    fs::permissions(folder_, fs::perms::owner_all);
    fs::permissions(jnl(), fs::perms::owner_read | fs::perms::owner_write);
    // Replace the journal by a link: the store must not write through it.
    const std::string elsewhere = root_ + "/elsewhere.jnl";
    writeBytes(elsewhere, before);
    fs::remove(jnl());
    fs::create_symlink(elsewhere, jnl());
    EXPECT_EQ(s.commit(g), GalleryStore::kWriteFailed);
    EXPECT_TRUE(g.hasPending());
    EXPECT_EQ(readBytes(elsewhere), before);
    loaded(ZEPH_ERR_GALLERY_LOAD_FAILED); // a link is not read either
    // Once writable, the failed append is healed by a full snapshot.
    fs::remove(jnl());
    writeBytes(jnl(), before);
    ASSERT_EQ(s.commit(g), ZEPH_OK);
    EXPECT_TRUE(fs::exists(snap()));
    EXPECT_EQ(loaded().size(), 3u);
}

TEST_F(GalleryFiles, LinkedFoldersAreRefused)
{
    const std::string real = root_ + "/real";
    fs::create_directories(real);
    fs::create_directories(fs::path(folder_).parent_path());
    fs::create_directory_symlink(real, folder_);
    GalleryStore s(store_, folder_, "gallery");
    Gallery g;
    EXPECT_EQ(s.load(g), ZEPH_ERR_GALLERY_LOAD_FAILED) << "not even read through a link";
    ASSERT_EQ(g.enroll("E1", captureOf(1), {}), ZEPH_OK);
    EXPECT_EQ(s.commit(g), GalleryStore::kWriteFailed);
    EXPECT_TRUE(fs::is_empty(real));
}

// A process killed in the middle of committing, over and over: the gallery
// it leaves always loads, as of its last completed commit.
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
        int32_t n = 0;
        for (int i = 0; i <= round % 4; ++i) {
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

        const Gallery g = loaded();
        // Every acknowledged commit is there; the one in flight may be too.
        ASSERT_GE(g.size(), static_cast<std::size_t>(acknowledged));
        ASSERT_LE(g.size(), static_cast<std::size_t>(acknowledged) + 1);
        Gallery expected;
        for (std::size_t i = 1; i <= g.size(); ++i)
            ASSERT_EQ(expected.enroll("E" + std::to_string(i), captureOf(i), {}), ZEPH_OK);
        ASSERT_TRUE(sameGallery(g, expected));
        acknowledged = static_cast<int>(g.size());
    }
    EXPECT_GE(acknowledged, 12 * 2);
}

// The rest of waiting for Zeph_LoadGallery is test_security's, through zeph.h.
TEST_F(Device, AnEmptyLoadAndSessionsThatDropWhatWasNotCommitted)
{
    DeviceGallery g(store_, folder_, "gallery", {10, 4, 40});
    const ZephMatchCandidate *cand = nullptr;
    int32_t n = 0;
    EXPECT_EQ(listOf(g, true).result, ZEPH_ERR_GALLERY_EMPTY);
    EXPECT_EQ(g.compare1N(captureOf(1), 1.1f, &cand, &n), ZEPH_ERR_GALLERY_EMPTY);
    const char *const *ids = nullptr;
    EXPECT_EQ(g.load(&ids, nullptr, nullptr, nullptr), ZEPH_ERR_INVALID_PARAMETER);

    ASSERT_EQ(g.enroll("A", captureOf(1), {}, false, false), ZEPH_OK);
    ASSERT_EQ(g.commit(), ZEPH_OK);
    ASSERT_EQ(g.enroll("B", captureOf(2), {}, false, false), ZEPH_OK);
    const Listed both = listOf(g, false);
    EXPECT_EQ(both.ids, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(both.freeSlots, 8);

    g.endSession(); // a soft reset, a close
    EXPECT_EQ(listOf(g, false).result, ZEPH_ERR_GALLERY_NOT_INITIALIZED);
    EXPECT_EQ(listOf(g, true).ids, std::vector<std::string>{"A"});
}

TEST_F(Device, FilesAreReadOnceAndDamageIsRefused)
{
    {
        DeviceGallery g(store_, folder_, "gallery");
        listOf(g, true);
        ASSERT_EQ(g.enroll("A", captureOf(1), {}, false, false), ZEPH_OK);
        ASSERT_EQ(g.commit(), ZEPH_OK);
    }
    DeviceGallery g(store_, folder_, "gallery");
    ASSERT_EQ(listOf(g, true).result, ZEPH_OK);
    Bytes j = readBytes(jnl());
    j[30] ^= 0x40; // the only record, damaged: a torn tail as far as anyone can tell
    j.resize(j.size() + 3, 0x55); // and not zeros after it: damage
    writeBytes(jnl(), j);
    g.endSession();
    EXPECT_EQ(listOf(g, true).ids, std::vector<std::string>{"A"}) << "still the one in memory";
    g.forget(); // e.g. the state folder moved
    EXPECT_EQ(listOf(g, true).result, ZEPH_ERR_GALLERY_LOAD_FAILED);
    EXPECT_EQ(g.enroll("B", captureOf(2), {}, false, false), ZEPH_ERR_GALLERY_NOT_INITIALIZED);
    EXPECT_EQ(g.commit(), ZEPH_ERR_GALLERY_NOT_INITIALIZED);
    EXPECT_EQ(readBytes(jnl()), j) << "never overwritten";
}

TEST_F(Device, ArraysAreOwnedAndBounded)
{
    DeviceGallery g(store_, folder_, "gallery", {200, 4, 800});
    listOf(g, true);
    const std::string id31(31, 'Z');
    ASSERT_EQ(g.enroll(id31.c_str(), captureOf(1), {}, false, false), ZEPH_OK);
    const char *const *ids = nullptr;
    int32_t count = 0;
    ASSERT_EQ(g.info(&ids, &count, nullptr, nullptr), ZEPH_OK);
    ASSERT_EQ(count, 1);
    for (uint64_t s = 2; s <= 150; ++s)
        ASSERT_EQ(g.enroll(("P" + std::to_string(s)).c_str(), captureOf(s), {}, false, false), ZEPH_OK);
    ASSERT_EQ(g.unenroll(id31.c_str(), false, false), ZEPH_OK);
    EXPECT_EQ(std::string(ids[0]), id31) << "the array handed out still reads as it was";
    EXPECT_EQ(ids[1], nullptr);

    // Everyone is a candidate at a large maximum; the list is capped, best first.
    const ZephMatchCandidate *cand = nullptr;
    int32_t n = 0;
    ASSERT_EQ(g.compare1N(captureOf(7), 99.0f, &cand, &n), ZEPH_OK);
    ASSERT_EQ(n, static_cast<int32_t>(DeviceGallery::kMaxCandidates));
    EXPECT_STREQ(cand[0].id, "P7");
    for (int32_t i = 1; i < n; ++i) {
        EXPECT_LE(cand[i - 1].distance, cand[i].distance);
        EXPECT_NE(std::memchr(cand[i].id, '\0', sizeof cand[i].id), nullptr);
    }
    ASSERT_EQ(g.compare1N(captureOf(999), 1.1f, &cand, &n), ZEPH_OK);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(cand, nullptr);

    char unterminated[ZEPH_ID_SIZE];
    std::memset(unterminated, 'A', sizeof unterminated);
    ZephEnrolleeInfo info{};
    EXPECT_EQ(g.enrolleeInfo(unterminated, &info), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(g.enrolleeInfo("nobody", &info), ZEPH_ERR_ID_NOT_FOUND);
    // Counted per eye: one right, two left, one of an eye not told.
    const EyeTemplate unknown{ZEPH_EYE_UNKNOWN, captureOf(7, 3)[0].code};
    ASSERT_EQ(g.enroll("P7", {captureOf(7, 2)[1], unknown}, {}, false, false), ZEPH_OK);
    ASSERT_EQ(g.enrolleeInfo("P7", &info), ZEPH_OK);
    EXPECT_EQ(info.rightIrisCount, 1u);
    EXPECT_EQ(info.leftIrisCount, 2u);
    EXPECT_EQ(info.unknownIrisCount, 1u);
    EXPECT_EQ(info.totalIrisCount, 4u);
}
