// The gallery family through zeph.h: the handle checks, 0x4001 until
// Zeph_LoadGallery after every open, an empty gallery, a damaged one, the
// one-eye camera that cannot compare, and calls without a capture.
#include "VcamFixture.h"

#include <fstream>

using namespace vcamtest;
using GalleryApi = VcamTest;

namespace {

ZephResult load(ZephHandle h, int32_t *count = nullptr, int32_t *freeSlots = nullptr,
                int32_t *capacity = nullptr)
{
    const char *const *ids = nullptr;
    int32_t n = -1;
    return Zeph_LoadGallery(h, &ids, count ? count : &n, freeSlots, capacity);
}

ZephResult info(ZephHandle h)
{
    const char *const *ids = nullptr;
    int32_t n = -1;
    return Zeph_GetGalleryInfo(h, &ids, &n, nullptr, nullptr);
}

} // namespace

TEST_F(GalleryApi, NotInitialisedUntilLoadedAfterEveryOpen)
{
    ZephHandle h = openOk(kBino);
    const ZephMatchCandidate *cand = nullptr;
    int32_t n = 0;
    float d = 2.0f;
    ZephEnrolleeInfo e{};
    const std::vector<std::pair<const char *, std::function<ZephResult(ZephHandle)>>> calls = {
        {"GetGalleryInfo", [](ZephHandle x) { return info(x); }},
        {"GetEnrolleeInfo", [&](ZephHandle x) { return Zeph_GetEnrolleeInfo(x, "A", &e); }},
        {"EnrollCapture", [](ZephHandle x) { return Zeph_EnrollCapture(x, "A"); }},
        {"UnenrollTemplate", [](ZephHandle x) { return Zeph_UnenrollTemplate(x, "A"); }},
        {"CommitGallery", [](ZephHandle x) { return Zeph_CommitGallery(x); }},
        {"Compare11", [&](ZephHandle x) { return Zeph_Compare11(x, "A", &d); }},
        {"Compare1N", [&](ZephHandle x) { return Zeph_Compare1N(x, 1.1f, &cand, &n); }},
    };
    for (const auto &c : calls) {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(c.second(h + 1000), ZEPH_ERR_INVALID_HANDLE);
        EXPECT_EQ(c.second(h), ZEPH_ERR_GALLERY_NOT_INITIALIZED);
    }
    int32_t count = -1, freeSlots = -1, capacity = -1;
    EXPECT_EQ(load(h, &count, &freeSlots, &capacity), ZEPH_ERR_GALLERY_EMPTY);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(freeSlots, capacity);
    EXPECT_GE(capacity, 100000);
    EXPECT_EQ(info(h), ZEPH_ERR_GALLERY_EMPTY);
    EXPECT_EQ(Zeph_CommitGallery(h), ZEPH_OK) << "nothing to commit";
    EXPECT_EQ(Zeph_GetEnrolleeInfo(h, "A", &e), ZEPH_ERR_ID_NOT_FOUND);
    EXPECT_EQ(Zeph_UnenrollTemplate(h, "A"), ZEPH_ERR_ID_NOT_FOUND);
    EXPECT_EQ(Zeph_Compare1N(h, 1.1f, nullptr, &n), ZEPH_ERR_INVALID_PARAMETER);

    ASSERT_EQ(Zeph_CloseDevice(h), ZEPH_OK);
    h = openOk(kBino);
    EXPECT_EQ(info(h), ZEPH_ERR_GALLERY_NOT_INITIALIZED) << "again after an open";
    EXPECT_EQ(load(h), ZEPH_ERR_GALLERY_EMPTY);
    Zeph_CloseDevice(h);
}

TEST_F(GalleryApi, ADamagedGalleryIsRefusedWithLoadFailed)
{
    const auto folder = std::filesystem::path(stateDir_) / "devices" / kBino;
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "gallery.snap", std::ios::binary) << "ZVSN not a snapshot";
    Zvc_Reset(); // nothing is read here: the files wait for Zeph_LoadGallery
    const ZephHandle h = openOk(kBino);
    EXPECT_EQ(load(h), ZEPH_ERR_GALLERY_LOAD_FAILED);
    EXPECT_EQ(info(h), ZEPH_ERR_GALLERY_NOT_INITIALIZED);
    EXPECT_EQ(Zeph_CommitGallery(h), ZEPH_ERR_GALLERY_NOT_INITIALIZED);
    EXPECT_EQ(load(h), ZEPH_ERR_GALLERY_LOAD_FAILED) << "every time, never emptied";
    Zeph_CloseDevice(h);
}

TEST_F(GalleryApi, ComparisonNeedsTheFeatureAndACapture)
{
    const ZephMatchCandidate *cand = reinterpret_cast<const ZephMatchCandidate *>(1);
    int32_t n = 7;
    float d = 2.0f;
    const ZephHandle mono = openOk(kMono);
    EXPECT_EQ(Zeph_Compare11(mono, "A", &d), ZEPH_ERR_UNSUPPORTED);
    EXPECT_EQ(Zeph_Compare1N(mono, 1.1f, &cand, &n), ZEPH_ERR_UNSUPPORTED);
    EXPECT_EQ(cand, nullptr);
    EXPECT_EQ(n, 0);
    const ZephHandle bino = openOk(kBino);
    load(bino);
    EXPECT_EQ(Zeph_EnrollCapture(bino, "A"), ZEPH_ERR_FRAME_NOT_AVAILABLE);
    EXPECT_EQ(Zeph_Compare1N(bino, 1.1f, &cand, &n), ZEPH_ERR_FRAME_NOT_AVAILABLE);
    Zeph_CloseDevice(mono);
    Zeph_CloseDevice(bino);
}

TEST_F(GalleryApi, CapturesEnrolAndAreFoundAgain)
{
    // Subject 11 is enrolled from one capture; a second capture of 11 finds
    // it well below the genuine threshold, subject 12 finds nobody, and a
    // blurred eye lands in the uncertain band.
    const ZephHandle h = openOk(kBino);
    load(h);
    capture(kBino, h, 11, ZVC_EYE_SHARP);
    ASSERT_EQ(Zeph_EnrollCapture(h, "A0001"), ZEPH_OK);
    ASSERT_EQ(Zeph_CommitGallery(h), ZEPH_OK);
    ZephEnrolleeInfo e{};
    ASSERT_EQ(Zeph_GetEnrolleeInfo(h, "A0001", &e), ZEPH_OK);
    EXPECT_EQ(e.rightIrisCount, 1u);
    EXPECT_EQ(e.leftIrisCount, 1u);

    const ZephMatchCandidate *cand = nullptr;
    int32_t n = 0;
    capture(kBino, h, 11, ZVC_EYE_SHARP);
    ASSERT_EQ(Zeph_Compare1N(h, 2.0f, &cand, &n), ZEPH_OK);
    ASSERT_GE(n, 1);
    EXPECT_EQ(std::string(cand[0].id, strnlen(cand[0].id, ZEPH_ID_SIZE)), "A0001");
    EXPECT_LT(cand[0].distance, 1.0f);

    float d = 2.0f;
    capture(kBino, h, 12, ZVC_EYE_SHARP);
    ASSERT_EQ(Zeph_Compare11(h, "A0001", &d), ZEPH_OK);
    EXPECT_GT(d, 1.1f) << "another person";

    capture(kBino, h, 11, ZVC_EYE_BLURRED);
    ASSERT_EQ(Zeph_ClearCapture(h, ZEPH_CLEAR_LEFT), ZEPH_OK);
    d = 2.0f;
    ASSERT_EQ(Zeph_Compare11(h, "A0001", &d), ZEPH_OK);
    EXPECT_GE(d, 1.0f);
    EXPECT_LE(d, 1.1f);
    Zeph_CloseDevice(h);
}
