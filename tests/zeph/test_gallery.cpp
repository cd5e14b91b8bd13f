// Iris codes, their distances and the gallery in memory: enrolment rules,
// limits, deduplication, eye rules and 1:1 / 1:N answers.
#include "zeph/virtual/Gallery.h"
#include "zeph/virtual/IrisMatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace zvc;
using P = Presentation;

namespace {

constexpr int kRight = ZEPH_EYE_RIGHT;
constexpr int kLeft = ZEPH_EYE_LEFT;

EyeTemplate eyeOf(uint64_t subject, int eye, P p = P::Sharp, uint64_t noise = 1, uint8_t label = 255)
{
    return {label == 255 ? static_cast<uint8_t>(eye) : label, IrisCode::capture(subject, eye, p, noise)};
}

std::vector<EyeTemplate> both(uint64_t subject, uint64_t noise = 1)
{
    return {eyeOf(subject, kRight, P::Sharp, noise), eyeOf(subject, kLeft, P::Sharp, noise)};
}

} // namespace

TEST(IrisCode, DistanceBandsByPresentation)
{
    // Right eyes of 40 subjects, five captures each, against a sharp or
    // half-closed enrolment: every distance must fall inside the band.
    struct Case {
        const char *what;
        uint64_t probeSubject;
        int probeEye;
        P enrol, probe;
        bool sameNoise;
        float low, high;
    } cases[] = {
        {"the same capture", 1, kRight, P::Sharp, P::Sharp, true, 0.0f, 0.0159f},
        {"two sharp captures", 1, kRight, P::Sharp, P::Sharp, false, 0.2f, 0.8f},
        {"sharp against half closed", 1, kRight, P::Sharp, P::HalfClosed, false, 1.0f, 1.1f},
        {"the other eye", 1, kLeft, P::Sharp, P::Sharp, false, 1.1001f, 2.5f},
        {"another person", 2, kRight, P::Sharp, P::Sharp, false, 1.1001f, 2.5f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (uint64_t s = 1; s <= 40; ++s) {
            for (uint64_t n = 1; n <= 5; ++n) {
                const float d = IrisMatcher::distance(IrisCode::capture(1000 + s, kRight, c.enrol, n),
                                                      IrisCode::capture(c.probeSubject * 1000 + s, c.probeEye,
                                                                        c.probe, c.sameNoise ? n : n + 100));
                ASSERT_GE(d, c.low) << s << "/" << n;
                ASSERT_LE(d, c.high) << s << "/" << n;
            }
        }
    }
}

TEST(IrisCode, MappingFromFractionalHamming)
{
    const struct {
        double hd;
        float d;
    } rows[] = {{0.0, 0.0f},   {0.0039, 0.0156f}, {0.125, 0.5f}, {0.25, 1.0f},
                {0.30, 1.05f}, {0.35, 1.1f},      {0.5, 1.4f},   {1.0, 2.4f}};
    for (const auto &r : rows)
        EXPECT_NEAR(IrisMatcher::scaled(r.hd), r.d, 1e-5) << r.hd;

    // Counting: only rows both can read.
    IrisCode::Words zeros{}, ones{};
    ones.fill(~0ull);
    const IrisMatcher::Count c = IrisMatcher::count(IrisCode(zeros, IrisCode::kAllRows), IrisCode(ones, 0x00FF));
    EXPECT_EQ(c.compared, 512);
    EXPECT_EQ(c.differing, 512);
    // One row is too few to say anything; two are enough.
    EXPECT_FLOAT_EQ(IrisMatcher::distance(IrisCode(zeros, 0x0100), IrisCode(zeros, IrisCode::kAllRows)),
                    IrisMatcher::kUnrelated);
    EXPECT_FLOAT_EQ(IrisMatcher::distance(IrisCode(zeros, 0x0180), IrisCode(zeros, IrisCode::kAllRows)), 0.0f);
    // A half-closed eye hides seven of its sixteen rows.
    EXPECT_EQ(IrisCode::capture(7, kRight, P::HalfClosed, 3).usableBits(), 9 * 64);
}

// The limits of IDs and of templates per ID are tst_enrollwidget's galleryLimits, end to end.
TEST(Gallery, LimitsAndIdsAnswerWithTheirCodes)
{
    struct Case {
        const char *what;
        GalleryLimits limits;
        std::vector<std::pair<std::string, std::size_t>> before; // ID, templates enrolled
        std::string id;
        std::size_t templates;
        ZephResult expected;
    } cases[] = {
        {"room left", {2, 4, 8}, {{"A", 2}}, "B", 2, ZEPH_OK},
        {"gallery slots filled exactly", {5, 4, 4}, {{"A", 2}}, "B", 2, ZEPH_OK},
        {"gallery slots used up", {5, 4, 3}, {{"A", 2}}, "B", 2, ZEPH_ERR_NO_SLOTS_FOR_ENROLLMENT},
        {"no template", {5, 4, 20}, {}, "A", 0, ZEPH_ERR_TEMPLATE_NOT_AVAILABLE},
        {"an ID of 31 characters", {5, 4, 20}, {}, std::string(31, 'a'), 2, ZEPH_OK},
        {"an ID of 32 characters", {5, 4, 20}, {}, std::string(32, 'a'), 2, ZEPH_ERR_INVALID_PARAMETER},
        {"an ID with a NUL inside", {5, 4, 20}, {}, std::string("a\0b", 3), 2, ZEPH_ERR_INVALID_PARAMETER},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Gallery g(c.limits);
        uint64_t subject = 10;
        for (const auto &b : c.before)
            ASSERT_EQ(g.enroll(b.first, std::vector<EyeTemplate>(b.second, eyeOf(++subject, kRight)), {}), ZEPH_OK);
        const std::size_t sizeBefore = g.size();
        const uint64_t templatesBefore = g.templateCount();
        EXPECT_EQ(g.enroll(c.id, std::vector<EyeTemplate>(c.templates, eyeOf(99, kLeft)), {}), c.expected);
        if (c.expected != ZEPH_OK) {
            EXPECT_EQ(g.size(), sizeBefore);
            EXPECT_EQ(g.templateCount(), templatesBefore);
        }
    }
    // The ID field as the functions hand it in: 31 characters and a terminator at most.
    char raw32[32];
    std::fill(std::begin(raw32), std::end(raw32), 'a');
    std::string id;
    EXPECT_FALSE(Gallery::readId(raw32, id));
    EXPECT_TRUE(Gallery::readId(std::string(31, 'a').c_str(), id));
    EXPECT_EQ(id, std::string(31, 'a'));
    EXPECT_FALSE(Gallery::readId("", id));
    EXPECT_FALSE(Gallery::readId(nullptr, id));
}

// What the pending changes write is test_gallerystore's, byte by byte and
// loaded back; here only what never reaches the files.
TEST(Gallery, RefusedChangesLeaveNothingPending)
{
    Gallery g;
    ASSERT_EQ(g.enroll("A1", both(1), {}), ZEPH_OK);
    g.markCommitted();
    EXPECT_EQ(g.unenroll("nobody"), ZEPH_ERR_ID_NOT_FOUND);
    EXPECT_EQ(g.setRole("A1", 3), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_FALSE(g.hasPending());
}

TEST(Gallery, DeduplicationAgainstOtherIds)
{
    const EyeTemplate right9 = eyeOf(1, kRight, P::Sharp, 9), blurred9 = eyeOf(1, kLeft, P::Blurred, 9);
    struct Case {
        const char *what;
        DedupRule rule;
        std::string id;
        std::vector<EyeTemplate> capture;
        ZephResult expected;
    } cases[] = {
        {"same iris, its own ID", {true, 1.0f}, "A", {right9}, ZEPH_OK},
        {"off", {false, 1.0f}, "B", {right9}, ZEPH_OK},
        {"another person", {true, 1.1f}, "B", both(2), ZEPH_OK},
        {"blurred, below a high threshold", {true, 1.1f}, "B", {blurred9}, ZEPH_ERR_DUPLICATE_IRIS},
        {"exactly at the threshold", {true, 0.0f}, "B", {eyeOf(1, kRight)}, ZEPH_ERR_DUPLICATE_IRIS},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Gallery g;
        ASSERT_EQ(g.enroll("A", both(1), {}), ZEPH_OK);
        EXPECT_EQ(g.enroll(c.id, c.capture, c.rule), c.expected);
    }
}

TEST(Gallery, EyeRulesOfVerification)
{
    const EyeTemplate right2 = eyeOf(1, kRight, P::Sharp, 2);
    struct Case {
        const char *what;
        std::vector<EyeTemplate> enrolled, probe;
        ZephResult expected;
        float low, high;
    } cases[] = {
        {"right against right", {eyeOf(1, kRight)}, {right2}, ZEPH_OK, 0, 1.0f},
        {"unknown probe, any enrolment", {eyeOf(1, kLeft)}, {eyeOf(1, kLeft, P::Sharp, 2, ZEPH_EYE_UNKNOWN)}, ZEPH_OK, 0, 1.0f},
        {"unknown enrolment, any probe", {eyeOf(1, kRight, P::Sharp, 1, ZEPH_EYE_UNKNOWN)}, {right2}, ZEPH_OK, 0, 1.0f},
        {"both eyes, the better counts", both(1), {right2, eyeOf(1, kLeft, P::HalfClosed, 2)}, ZEPH_OK, 0, 1.0f},
        {"an impostor", both(1), both(2), ZEPH_OK, 1.1f, 99.0f},
        {"empty probe", both(1), {}, ZEPH_ERR_TEMPLATE_NOT_AVAILABLE, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Gallery g;
        float d = 2.0f;
        EXPECT_EQ(g.compare11("A", c.probe, d), ZEPH_ERR_ID_NOT_FOUND);
        ASSERT_EQ(g.enroll("A", c.enrolled, {}), ZEPH_OK);
        EXPECT_EQ(g.compare11("A", c.probe, d), c.expected);
        if (c.expected == ZEPH_OK) {
            EXPECT_GT(d, c.low);
            EXPECT_LT(d, c.high);
        }
    }
}

TEST(Gallery, IdentificationBestFirstWithinTheMaximum)
{
    Gallery g;
    std::vector<MatchCandidate> out{{7, 7.0f}};
    EXPECT_EQ(g.compare1N(both(1), 1.1f, 100, out), ZEPH_ERR_GALLERY_EMPTY);
    EXPECT_TRUE(out.empty());
    using Ids = std::vector<std::string>;
    const auto found = [&](const std::vector<EyeTemplate> &probe, float maxDistance, std::size_t maxCount = 100) {
        EXPECT_EQ(g.compare1N(probe, maxDistance, maxCount, out), ZEPH_OK);
        Ids ids;
        for (const MatchCandidate &c : out)
            ids.push_back(g.enrollees()[c.index].id);
        return ids;
    };
    for (uint64_t s = 1; s <= 20; ++s)
        ASSERT_EQ(g.enroll("P" + std::to_string(s), both(s), {}), ZEPH_OK);
    // Two IDs holding the very same capture tie; the earlier one comes first.
    ASSERT_EQ(g.enroll("Twin", both(5), {}), ZEPH_OK);
    EXPECT_EQ(g.compare1N({}, 1.1f, 100, out), ZEPH_ERR_TEMPLATE_NOT_AVAILABLE);

    ASSERT_EQ(found(both(5), 1.1f), (Ids{"P5", "Twin"}));
    EXPECT_LT(out[0].distance, 0.016f);
    EXPECT_EQ(out[0].distance, out[1].distance);
    EXPECT_EQ(found(both(77), 1.1f), Ids{}) << "a stranger is nobody's candidate";
    // Capped and sorted at a large maximum: test_gallerystore's ArraysAreOwnedAndBounded.

    // A removal moves every later enrollee up one place; 1:N follows.
    ASSERT_EQ(g.unenroll("P5"), ZEPH_OK);
    EXPECT_EQ(found(both(5), 1.1f), Ids{"Twin"});
    EXPECT_EQ(found(both(6, 3), 1.1f), Ids{"P6"});
    // The maximum is inclusive: a candidate exactly at it is returned.
    ASSERT_EQ(g.enroll("P5", both(5), {}), ZEPH_OK);
    EXPECT_EQ(found(both(5), 0.0f), (Ids{"Twin", "P5"}));

    Gallery lefts;
    ASSERT_EQ(lefts.enroll("L", {eyeOf(1, kLeft)}, {}), ZEPH_OK);
    ASSERT_EQ(lefts.compare1N({eyeOf(1, kRight)}, 99.0f, 100, out), ZEPH_OK);
    EXPECT_TRUE(out.empty()) << "no comparable eye: no candidate";
}

TEST(Gallery, ASearchSnapshotIsNotChangedUnderIt)
{
    Gallery g;
    for (uint64_t s = 1; s <= 3; ++s)
        ASSERT_EQ(g.enroll("P" + std::to_string(s), both(s), {}), ZEPH_OK);
    const auto held = g.searchSnapshot();
    ASSERT_EQ(g.unenroll("P1"), ZEPH_OK);
    ASSERT_EQ(g.enroll("P4", both(4), {}), ZEPH_OK);
    std::vector<MatchCandidate> out;
    Gallery::search(*held, both(1), 1.1f, 10, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(held->ids[out[0].index], "P1") << "the snapshot still holds P1";
}
