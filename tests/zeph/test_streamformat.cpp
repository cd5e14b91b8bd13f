// The bench's preview format: every capture started after the choice streams
// in it, on every device, whatever the configuration record says; the record
// itself still refuses what the firmware cannot be set to.
#include "VcamFixture.h"

#include <mutex>
#include <set>

using namespace vcamtest;

namespace {

struct Formats {
    std::mutex m;
    std::set<int> seen;
    bool consistent = true;

    static int32_t record(void *context, const ZephImage *images, int32_t, const int32_t *,
                          const int32_t *)
    {
        auto *self = static_cast<Formats *>(context);
        std::lock_guard<std::mutex> lock(self->m);
        for (int i = 0; images && i < 2; ++i) {
            if (!images[i].data)
                continue;
            self->seen.insert(images[i].format);
            self->consistent = self->consistent && images[i].size > 0 && images[i].width > 0
                               && images[i].height > 0;
        }
        return 1;
    }
};

class StreamFormat : public VcamTest {
protected:
    std::set<int> capture(const char *name)
    {
        Formats f;
        const ZephHandle h = openOk(name);
        EXPECT_EQ(Zeph_InitCamera(h, nullptr, nullptr), ZEPH_OK);
        const int32_t eye = std::string(name) == kMono ? ZEPH_EYE_UNKNOWN : ZEPH_EYE_BOTH;
        EXPECT_EQ(Zeph_StartCapture(h, 1, 3, ZEPH_QUALITY_NORMAL, ZEPH_OPERATION_AUTO, eye, 1,
                                    &Formats::record, &f),
                  ZEPH_OK);
        Zvc_AdvanceTime(400);
        EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_OK);
        EXPECT_TRUE(f.consistent);
        return f.seen;
    }
};

} // namespace

TEST_F(StreamFormat, CapturesStartedAfterTheChoiceStreamInIt)
{
    Zvc_PresentSubject(kBino, 3);
    Zvc_PresentSubject(kMono, 3);
    EXPECT_EQ(capture(kBino), std::set<int>{ZEPH_FORMAT_MONO_RAW}) << "the factory record";
    for (int format : {ZEPH_FORMAT_MONO_JPEG, ZEPH_FORMAT_MONO_JPEG2000, ZEPH_FORMAT_CORVANE_RAW,
                       ZEPH_FORMAT_MONO_RAW}) {
        SCOPED_TRACE(format);
        ASSERT_EQ(Zvc_SetStreamFormat(format), ZEPH_OK);
        EXPECT_EQ(capture(kBino), std::set<int>{format});
        EXPECT_EQ(capture(kMono), std::set<int>{format});
    }
    ASSERT_EQ(Zvc_SetStreamFormat(ZEPH_FORMAT_CORVANE_RAW), ZEPH_OK);
    for (int refused : {1, 14, int{ZEPH_FORMAT_CORVANE_JPEG2000}, -2})
        EXPECT_EQ(Zvc_SetStreamFormat(refused), ZEPH_ERR_INVALID_PARAMETER) << refused;
    EXPECT_EQ(capture(kBino), std::set<int>{ZEPH_FORMAT_CORVANE_RAW}) << "a refusal keeps the choice";

    // The record still refuses the formats only the bench can choose.
    const ZephHandle h = openOk(kBino);
    ZephDeviceConfig config{};
    ASSERT_EQ(Zeph_GetDeviceConfig(h, &config), ZEPH_OK);
    config.streamFormat = ZEPH_FORMAT_MONO_JPEG2000;
    EXPECT_EQ(Zeph_SetDeviceConfig(h, &config), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_OK);

    ASSERT_EQ(Zvc_SetStreamFormat(0), ZEPH_OK);
    EXPECT_EQ(capture(kBino), std::set<int>{ZEPH_FORMAT_MONO_RAW}) << "0 follows the record again";
    Zvc_SetStreamFormat(ZEPH_FORMAT_MONO_JPEG);
    Zvc_Reset();
    Zvc_PresentSubject(kBino, 3);
    EXPECT_EQ(capture(kBino), std::set<int>{ZEPH_FORMAT_MONO_RAW}) << "a reset forgets the choice";
}
