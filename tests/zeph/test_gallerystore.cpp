// The gallery on disk: snapshot and journal byte by byte, commits that cost
// what they change, torn and damaged files, compaction, links refused.
#include "StoreFixture.h"

#include "zeph/virtual/GalleryStore.h"

#include <filesystem>
#include <functional>

using namespace zvc;
using namespace storetest;
namespace fs = std::filesystem;
using GalleryFiles = StoreTest;

namespace {

// Commits one enrollee per step: "E1", "E2", ...
void commitEnrollees(GalleryStore &s, Gallery &g, int from, int to)
{
    for (int i = from; i <= to; ++i) {
        ASSERT_EQ(g.enroll("E" + std::to_string(i), captureOf(static_cast<uint64_t>(i)), {}), ZEPH_OK);
        ASSERT_EQ(s.commit(g), ZEPH_OK);
    }
}

Gallery loaded(const StateStore &store, const std::string &folder, ZephResult expected = ZEPH_OK)
{
    GalleryStore s(store, folder, "gallery");
    Gallery g;
    EXPECT_EQ(s.load(g), expected);
    return g;
}

constexpr std::size_t kTemplate = 1 + 130;
constexpr std::size_t kOneEnrolleeRecord = 4 + 1 + 1 + 2 + 1 + 1 + 2 * kTemplate; // "E1".."E9"

} // namespace

TEST_F(GalleryFiles, CommitAppendsOneRecordLaidOutFieldByField)
{
    GalleryStore s(store_, folder_, "gallery");
    Gallery g;
    ASSERT_EQ(s.load(g), ZEPH_OK) << "no files: an empty gallery";
    EXPECT_FALSE(fs::exists(folder_)) << "nothing written before a commit";
    ASSERT_EQ(g.enroll("E1", captureOf(1), {}), ZEPH_OK);
    ASSERT_EQ(s.commit(g), ZEPH_OK);
    EXPECT_FALSE(g.hasPending());
    EXPECT_FALSE(fs::exists(snap()));

    const Bytes j = readBytes(jnl());
    ASSERT_EQ(j.size(), 16 + 8 + kOneEnrolleeRecord);
    EXPECT_EQ(std::string(j.begin(), j.begin() + 4), "ZVJN");
    EXPECT_EQ(j[4] | (j[5] << 8), 1);
    EXPECT_EQ(le32(j, 8), 0u) << "generation";
    EXPECT_EQ(le32(j, 12), referenceCrc32(j.data(), 12));
    EXPECT_EQ(le32(j, 16), kOneEnrolleeRecord);
    Bytes sealed(j.begin() + 16, j.begin() + 20);
    sealed.insert(sealed.end(), j.begin() + 24, j.end());
    EXPECT_EQ(le32(j, 20), referenceCrc32(sealed.data(), sealed.size()));
    const std::size_t p = 24;
    EXPECT_EQ(le32(j, p), 1u) << "one change";
    EXPECT_EQ(j[p + 4], 1) << "kind: add templates";
    EXPECT_EQ(j[p + 5], 2) << "ID length";
    EXPECT_EQ(std::string(j.begin() + p + 6, j.begin() + p + 8), "E1");
    EXPECT_EQ(j[p + 8], kRoleUser);
    EXPECT_EQ(j[p + 9], 2) << "templates";
    EXPECT_EQ(j[p + 10], ZEPH_EYE_RIGHT);
    const IrisCode right = IrisCode::capture(1, 1, Presentation::Sharp, 1);
    uint64_t word0 = 0;
    for (int i = 7; i >= 0; --i)
        word0 = (word0 << 8) | j[p + 11 + static_cast<std::size_t>(i)];
    EXPECT_EQ(word0, right.bits()[0]);
    EXPECT_EQ(j[p + 11 + 128] | (j[p + 12 + 128] << 8), 0xFFFF) << "the readable rows follow the code";
    EXPECT_EQ(j[p + 10 + kTemplate], ZEPH_EYE_LEFT);

    // A second commit adds its own record and nothing else.
    ASSERT_EQ(g.enroll("E2", captureOf(2), {}), ZEPH_OK);
    ASSERT_EQ(s.commit(g), ZEPH_OK);
    EXPECT_EQ(readBytes(jnl()).size(), j.size() + 8 + kOneEnrolleeRecord);
    EXPECT_TRUE(sameGallery(loaded(store_, folder_), g));
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

    const Gallery back = loaded(store_, folder_);
    EXPECT_TRUE(sameGallery(back, g));
    EXPECT_EQ(back.size(), 14u);
    EXPECT_EQ(back.find("E5")->role, kRoleSuperUser);

    // A crash between the new snapshot and the fresh journal leaves the old
    // journal: it is of an older generation and must not be replayed again.
    const Bytes newJournal = readBytes(jnl());
    Bytes stale = newJournal;
    stale[8] = 0;
    stale[12] = 0; // reseal the header for generation 0
    const uint32_t crc = referenceCrc32(stale.data(), 12);
    for (int i = 0; i < 4; ++i)
        stale[12 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(crc >> (8 * i));
    writeBytes(jnl(), stale);
    EXPECT_EQ(loaded(store_, folder_).size(), 15u) << "the snapshot alone: E3 back, role lost";
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
    std::vector<std::size_t> cuts = {1, 3, 4, 7, 8, 9, 100, kOneEnrolleeRecord + 7};
    for (std::size_t cut : cuts) {
        SCOPED_TRACE(cut);
        Bytes torn(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(lastStart + cut));
        writeBytes(jnl(), torn);
        GalleryStore s(store_, folder_, "gallery");
        Gallery g;
        ASSERT_EQ(s.load(g), ZEPH_OK);
        EXPECT_TRUE(s.droppedTornRecord());
        EXPECT_EQ(g.size(), 2u);
        EXPECT_FALSE(g.find("E3"));
        // The next commit writes over the torn bytes.
        commitEnrollees(s, g, 4, 4);
        const Gallery back = loaded(store_, folder_);
        EXPECT_TRUE(sameGallery(back, g));
        EXPECT_EQ(readBytes(jnl()).size(), whole.size());
    }
    // The tail written as zeros (a crash after the size grew, before the data).
    Bytes zeroed = whole;
    std::fill(zeroed.begin() + static_cast<std::ptrdiff_t>(lastStart + 8), zeroed.end(), 0);
    writeBytes(jnl(), zeroed);
    EXPECT_EQ(loaded(store_, folder_).size(), 2u);
    zeroed.resize(whole.size() + 300, 0);
    writeBytes(jnl(), zeroed);
    EXPECT_EQ(loaded(store_, folder_).size(), 2u) << "zeros past the end too";
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
    using Damage = std::function<void(Bytes &, Bytes &)>;
    const auto reseal = [](Bytes &f, std::size_t from, std::size_t to, std::size_t at) {
        const uint32_t crc = referenceCrc32(f.data() + from, to - from);
        for (int i = 0; i < 4; ++i)
            f[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(crc >> (8 * i));
    };
    struct Case {
        const char *what;
        Damage damage;
    } cases[] = {
        {"snapshot bit flipped", [](Bytes &s, Bytes &) { s[500] ^= 0x10; }},
        {"snapshot cut short", [](Bytes &s, Bytes &) { s.resize(s.size() - 1); }},
        {"snapshot one byte long", [](Bytes &s, Bytes &) { s.resize(1); }},
        {"snapshot checksum", [](Bytes &s, Bytes &) { s.back() ^= 0xFF; }},
        {"snapshot length field", [&](Bytes &s, Bytes &) { s[12] += 1; reseal(s, 0, s.size() - 4, s.size() - 4); }},
        {"snapshot newer format", [&](Bytes &s, Bytes &) { s[4] = 2; reseal(s, 0, s.size() - 4, s.size() - 4); }},
        {"payload count too high, sealed", [&](Bytes &s, Bytes &) { s[28] += 1; reseal(s, 0, s.size() - 4, s.size() - 4); }},
        {"payload eye 3, sealed", [&](Bytes &s, Bytes &) { s[32 + 3 + 1 + 1] = 3; reseal(s, 0, s.size() - 4, s.size() - 4); }},
        {"journal header", [](Bytes &, Bytes &j) { j[9] ^= 1; }},
        {"journal header cut", [](Bytes &, Bytes &j) { j.resize(10); }},
        {"journal ahead of the snapshot", [&](Bytes &, Bytes &j) { j[8] = 5; reseal(j, 0, 12, 12); }},
        {"middle record flipped", [&](Bytes &, Bytes &j) { j[rec1 + 40] ^= 1; }},
        {"record of an unknown kind, sealed", [&](Bytes &, Bytes &j) {
             j[rec1 + 4] = 9;
             Bytes sealed(j.begin() + 16, j.begin() + 20);
             sealed.insert(sealed.end(), j.begin() + 24, j.begin() + 24 + static_cast<std::ptrdiff_t>(kOneEnrolleeRecord));
             const uint32_t crc = referenceCrc32(sealed.data(), sealed.size());
             for (int i = 0; i < 4; ++i)
                 j[20 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(crc >> (8 * i));
         }},
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
    EXPECT_EQ(loaded(store_, folder_).size(), 6u) << "the intact files load again";
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
    GalleryStore other(store_, folder_, "gallery");
    Gallery g2;
    EXPECT_EQ(other.load(g2), ZEPH_ERR_GALLERY_LOAD_FAILED) << "a link is not read either";
    // Once writable, the failed append is healed by a full snapshot.
    fs::remove(jnl());
    writeBytes(jnl(), before);
    ASSERT_EQ(s.commit(g), ZEPH_OK);
    EXPECT_TRUE(fs::exists(snap()));
    EXPECT_EQ(loaded(store_, folder_).size(), 3u);
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
    EXPECT_FALSE(store_.noLinksOnTheWay(root_ + "/../x")) << "outside the state folder";
}
