// The bench's preview format: every capture started after the choice streams
// in it, whatever the configuration record says. The record
// refusing those formats is test_devices'.
#include "VcamFixture.h"

#include <set>

using namespace vcamtest;

namespace {

class StreamFormat : public VcamTest {
protected:
    // The formats of the images a short capture on `name` streams.
    std::set<int> capture(const char *name)
    {
        FrameLog log;
        const ZephHandle h = startCapture(name, log);
        Zvc_AdvanceTime(400);
        EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_OK);
        std::set<int> seen;
        for (const Frame &f : log.items())
            for (const int32_t format : f.format)
                if (format != -1)
                    seen.insert(format);
        return seen;
    }
};

} // namespace

TEST_F(StreamFormat, CapturesStartedAfterTheChoiceStreamInIt)
{
    Zvc_PresentSubject(kBino, 3);
    EXPECT_EQ(capture(kBino), std::set<int>{ZEPH_FORMAT_MONO_RAW}) << "the factory record";
    for (int format : {ZEPH_FORMAT_MONO_JPEG, ZEPH_FORMAT_MONO_JPEG2000, ZEPH_FORMAT_CORVANE_RAW,
                       ZEPH_FORMAT_MONO_RAW}) {
        SCOPED_TRACE(format);
        ASSERT_EQ(Zvc_SetStreamFormat(format), ZEPH_OK);
        EXPECT_EQ(capture(kBino), std::set<int>{format});
    }
    ASSERT_EQ(Zvc_SetStreamFormat(ZEPH_FORMAT_CORVANE_RAW), ZEPH_OK);
    for (int refused : {1, 14, int{ZEPH_FORMAT_CORVANE_JPEG2000}, -2})
        EXPECT_EQ(Zvc_SetStreamFormat(refused), ZEPH_ERR_INVALID_PARAMETER) << refused;
    EXPECT_EQ(capture(kBino), std::set<int>{ZEPH_FORMAT_CORVANE_RAW}) << "a refusal keeps the choice";

    ASSERT_EQ(Zvc_SetStreamFormat(0), ZEPH_OK);
    EXPECT_EQ(capture(kBino), std::set<int>{ZEPH_FORMAT_MONO_RAW}) << "0 follows the record again";
    Zvc_SetStreamFormat(ZEPH_FORMAT_MONO_JPEG);
    Zvc_Reset();
    Zvc_PresentSubject(kBino, 3);
    EXPECT_EQ(capture(kBino), std::set<int>{ZEPH_FORMAT_MONO_RAW}) << "a reset forgets the choice";
}
