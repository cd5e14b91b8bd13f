// The gallery as the SDK functions answer: not initialised until loaded,
// lazy reading, sessions that drop uncommitted changes, owned arrays,
// supervised enrolment, damaged files refused.
#include "StoreFixture.h"

#include "zeph/virtual/DeviceGallery.h"

#include <cstring>
#include <filesystem>
#include <functional>

using namespace zvc;
using namespace storetest;
using Device = StoreTest;

namespace {

struct Listed {
    ZephResult result;
    std::vector<std::string> ids;
    int32_t freeSlots, capacity;
};

Listed listOf(DeviceGallery &g, bool viaLoad)
{
    const char *const *ids = nullptr;
    int32_t count = -1, freeSlots = -1, capacity = -1;
    Listed l;
    l.result = viaLoad ? g.load(&ids, &count, &freeSlots, &capacity)
                       : g.info(&ids, &count, &freeSlots, &capacity);
    for (int32_t i = 0; ids && i < count; ++i)
        l.ids.emplace_back(ids[i]);
    l.freeSlots = freeSlots;
    l.capacity = capacity;
    return l;
}

} // namespace

TEST_F(Device, EveryCallWaitsForLoad)
{
    DeviceGallery g(store_, folder_, "gallery", {10, 4, 40});
    const auto probe = captureOf(1);
    ZephEnrolleeInfo info{};
    float d = 2.0f;
    const ZephMatchCandidate *cand = nullptr;
    int32_t n = 0;
    const std::vector<std::pair<const char *, std::function<ZephResult()>>> calls = {
        {"info", [&] { return listOf(g, false).result; }},
        {"enrollee info", [&] { return g.enrolleeInfo("A", &info); }},
        {"enrol", [&] { return g.enroll("A", probe, {}, false, false); }},
        {"unenrol", [&] { return g.unenroll("A", false, false); }},
        {"role", [&] { return g.setRole("A", kRoleSuperUser); }},
        {"commit", [&] { return g.commit(); }},
        {"1:1", [&] { return g.compare11("A", probe, &d); }},
        {"1:N", [&] { return g.compare1N(probe, 1.1f, &cand, &n); }},
    };
    for (const auto &c : calls)
        EXPECT_EQ(c.second(), ZEPH_ERR_GALLERY_NOT_INITIALIZED) << c.first;

    const Listed empty = listOf(g, true);
    EXPECT_EQ(empty.result, ZEPH_ERR_GALLERY_EMPTY);
    EXPECT_TRUE(empty.ids.empty());
    EXPECT_EQ(empty.freeSlots, 10);
    EXPECT_EQ(empty.capacity, 10);
    EXPECT_EQ(listOf(g, false).result, ZEPH_ERR_GALLERY_EMPTY);
    EXPECT_EQ(g.compare1N(probe, 1.1f, &cand, &n), ZEPH_ERR_GALLERY_EMPTY);
    EXPECT_EQ(g.compare1N(probe, 1.1f, nullptr, &n), ZEPH_ERR_INVALID_PARAMETER);
    const char *const *ids = nullptr;
    EXPECT_EQ(g.load(&ids, nullptr, nullptr, nullptr), ZEPH_ERR_INVALID_PARAMETER);
}

TEST_F(Device, SessionsDropWhatWasNotCommitted)
{
    DeviceGallery g(store_, folder_, "gallery", {10, 4, 40});
    listOf(g, true);
    ASSERT_EQ(g.enroll("A", captureOf(1), {}, false, false), ZEPH_OK);
    ASSERT_EQ(g.commit(), ZEPH_OK);
    ASSERT_EQ(g.enroll("B", captureOf(2), {}, false, false), ZEPH_OK);
    const Listed both = listOf(g, false);
    EXPECT_EQ(both.ids, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(both.freeSlots, 8);

    g.endSession(); // a soft reset, a close
    EXPECT_EQ(listOf(g, false).result, ZEPH_ERR_GALLERY_NOT_INITIALIZED);
    EXPECT_EQ(listOf(g, true).ids, std::vector<std::string>{"A"});

    // A second device object over the same files: the committed gallery.
    DeviceGallery other(store_, folder_, "gallery", {10, 4, 40});
    EXPECT_EQ(listOf(other, true).ids, std::vector<std::string>{"A"});
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
    EXPECT_FALSE(g.initialised());
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
    EXPECT_LT(cand[0].distance, 0.016f);
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
    ASSERT_EQ(g.enrolleeInfo("P7", &info), ZEPH_OK);
    EXPECT_EQ(info.rightIrisCount, 1u);
    EXPECT_EQ(info.leftIrisCount, 1u);
    EXPECT_EQ(info.totalIrisCount, 2u);
}

TEST_F(Device, SupervisedEnrolmentAndEyeRules)
{
    DeviceGallery g(store_, folder_, "gallery");
    listOf(g, true);
    struct Case {
        bool required, present;
        ZephResult expected;
    } cases[] = {{false, false, ZEPH_OK}, {true, false, ZEPH_ERR_PERMISSION_DENIED}, {true, true, ZEPH_OK}};
    int i = 0;
    for (const Case &c : cases) {
        const std::string id = "S" + std::to_string(++i);
        EXPECT_EQ(g.enroll(id.c_str(), captureOf(static_cast<uint64_t>(i)), {}, c.required, c.present), c.expected) << id;
        if (c.expected == ZEPH_OK) {
            EXPECT_EQ(g.unenroll(id.c_str(), c.required, c.present), ZEPH_OK);
        } else {
            ASSERT_EQ(g.enroll(id.c_str(), captureOf(static_cast<uint64_t>(i)), {}, false, false), ZEPH_OK);
            EXPECT_EQ(g.unenroll(id.c_str(), c.required, c.present), c.expected);
        }
    }
    const std::vector<EyeTemplate> leftOnly = {captureOf(5)[1]};
    ASSERT_EQ(g.enroll("L", leftOnly, {}, false, false), ZEPH_OK);
    float d = 2.0f;
    EXPECT_EQ(g.compare11("L", {captureOf(5)[0]}, &d), ZEPH_ERR_WRONG_EYE_SUBTYPE);
    EXPECT_FLOAT_EQ(d, 2.0f) << "untouched on failure";
    EXPECT_EQ(g.compare11("L", captureOf(5, 3), &d), ZEPH_OK);
    EXPECT_LT(d, 1.0f);
}
