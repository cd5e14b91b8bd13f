// The capture engine on manual model time: the walk of statuses with its
// rhythm, the stream settings, stops from every side, start checks, results
// by presentation and quality mode. Clearing is driven end to end by
// tests/capture/tst_capturewidget.
#include "VcamFixture.h"

#include <cstring>

using namespace vcamtest;
using Capture = VcamTest;

constexpr int32_t R = ZEPH_STATUS_READY, C = ZEPH_STATUS_CAPTURING, DONE = ZEPH_STATUS_COMPLETE,
                  AB = ZEPH_STATUS_ABORT;

TEST_F(Capture, StatusesFollowModelTimeOnly)
{
    const struct Case {
        const char *what;
        int32_t mode, count, operation;
        uint32_t subject;
        int64_t operateAt; // -1: never
        std::vector<int32_t> statuses;
        int64_t finalAt;
        int32_t finalError;
    } cases[] = {
        // READY at 100, CAPTURING at the next frame, one frame counted every 66 ms.
        {"frame-based, 3 frames", 1, 3, ZEPH_OPERATION_AUTO, 7, -1, {R, C, DONE}, 166 + 3 * 66, 0},
        // First frame at least 1000 ms after CAPTURING began at 166.
        {"time-based, 1 s", 2, 1, ZEPH_OPERATION_AUTO, 7, -1, {R, C, DONE}, 166 + 16 * 66, 0},
        {"operator initiated waits for Operate", 1, 2, ZEPH_OPERATION_OPERATOR_INITIATED, 7, 500,
         {R, C, DONE}, 562 + 2 * 66, 0},
        {"nobody in front times out", 1, 3, ZEPH_OPERATION_AUTO, 0, -1, {R, AB}, 100 + 152 * 66,
         ZEPH_ERR_NO_QUALIFIED_FRAME},
        {"nobody operates", 1, 3, ZEPH_OPERATION_OPERATOR_INITIATED, 7, -1, {R, AB},
         100 + 152 * 66, ZEPH_ERR_NO_QUALIFIED_FRAME},
        {"operated with nobody in front", 1, 3, ZEPH_OPERATION_OPERATOR_INITIATED, 0, 100,
         {R, C, AB}, 166 + 152 * 66, ZEPH_ERR_NO_QUALIFIED_FRAME},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Zvc_Reset();
        ASSERT_EQ(Zvc_PresentSubject(kBino, c.subject), ZEPH_OK);
        FrameLog log;
        const int64_t t0 = Zvc_ModelTime();
        const ZephHandle h = startCapture(kBino, log, c.mode, c.count, c.operation);
        Zvc_AdvanceTime(99);
        EXPECT_EQ(log.size(), 0u) << "time stands still between steps";
        if (c.operateAt >= 0) {
            Zvc_AdvanceTime(c.operateAt - 99);
            EXPECT_EQ(Zeph_OperateCapture(h), ZEPH_OK);
        }
        Zvc_AdvanceTime(20000);
        EXPECT_EQ(log.statuses(), c.statuses);
        const auto calls = log.items();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.front().modelMs - t0, 100);
        EXPECT_EQ(calls.back().modelMs - t0, c.finalAt);
        EXPECT_EQ(calls.back().error, c.finalError);
        int32_t status = -1;
        EXPECT_EQ(Zeph_GetCaptureStatus(h, &status), ZEPH_OK);
        EXPECT_EQ(status, c.statuses.back());
        for (const auto &call : calls)
            EXPECT_NE(call.thread, std::this_thread::get_id()) << "callbacks run on the engine's thread";
    }
}

TEST_F(Capture, FramesFollowTheStreamSettingsOfTheDevice)
{
    Zvc_PresentSubject(kBino, 7);
    FrameLog log;
    startCapture(kBino, log);
    Zvc_AdvanceTime(200);
    auto calls = log.items();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].right && calls[0].left);
    EXPECT_EQ(calls[0].width, 640u / 4) << "factory stream scale 1/4";

    // Right eye only, streaming off in the configuration: statuses only, once each.
    Zvc_Reset();
    Zvc_PresentSubject(kBino, 7);
    const ZephHandle h = openOk(kBino);
    ASSERT_EQ(changeConfig(h, [](ZephDeviceConfig &c) { c.enableStream = 0; }), ZEPH_OK);
    ASSERT_EQ(Zeph_InitCamera(h, nullptr, nullptr), ZEPH_OK);
    FrameLog quiet;
    ASSERT_EQ(Zeph_StartCapture(h, 1, 3, 3, 2, ZEPH_EYE_RIGHT, 1, &FrameLog::record, &quiet), 0);
    Zvc_AdvanceTime(2000);
    EXPECT_EQ(quiet.size(), 3u);
    EXPECT_EQ(quiet.statuses(), (std::vector<int32_t>{R, C, DONE}));
}

// Whatever the call that ends the capture answers, the final ABORT has come
// before it returns and nothing comes after.
TEST_F(Capture, NoCallbackAfterStopDeinitOrCloseHasReturnedWhateverTheyAnswer)
{
    using End = std::function<ZephResult(ZephHandle)>;
    const End stop = Zeph_StopCapture, deinit = Zeph_DeinitCamera, close = Zeph_CloseDevice;
    const struct Case {
        const char *what;
        std::function<void()> fault;
        End end;
        ZephResult answer;
    } cases[] = {
        {"stop", [] {}, stop, ZEPH_OK},
        {"failed stop", [] { Zvc_FailNext("Zeph_StopCapture", 1, ZEPH_ERR_IO_TIMEOUT); }, stop,
         ZEPH_ERR_IO_TIMEOUT},
        {"stop on a device fault with delay",
         [] { Zvc_FailDevice(kBino, "*", 1, ZEPH_ERR_IO_FAILED, 300); }, stop, ZEPH_ERR_IO_FAILED},
        {"deinit", [] {}, deinit, ZEPH_OK},
        {"close", [] {}, close, ZEPH_OK},
        {"failed close", [] { Zvc_FailNext("Zeph_CloseDevice", 1, ZEPH_ERR_FAILED); }, close,
         ZEPH_ERR_FAILED},
        {"unplug", [] {}, [](ZephHandle) { return Zvc_UnplugDevice(kBino); }, ZEPH_OK},
        {"port cycle", [] {}, [](ZephHandle h) { return Zeph_Recovery(h, ZEPH_RECOVERY_CYCLE_PORT); },
         ZEPH_OK},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Zvc_Reset();
        Zvc_PresentSubject(kBino, 7);
        FrameLog log;
        const ZephHandle h = startCapture(kBino, log, 1, 100);
        Zvc_AdvanceTime(300);
        ASSERT_EQ(log.statuses(), (std::vector<int32_t>{R, C}));
        c.fault();
        EXPECT_EQ(c.end(h), c.answer);
        const std::size_t seen = log.size();
        EXPECT_EQ(log.statuses().back(), AB);
        Zvc_AdvanceTime(20000);
        EXPECT_EQ(log.size(), seen) << "a callback after the call returned";
        ZephHandle again = 0;
        if (Zeph_OpenDevice(kBino, &again) == ZEPH_OK) // closed or dropped handles free the device
            Zeph_CloseDevice(again);
    }
}

TEST_F(Capture, StopRacingAFastEngineOnScaledTime)
{
    Zvc_PresentSubject(kBino, 7);
    Zvc_SetTimeScale(1000.0); // a frame every 66 microseconds
    for (int round = 0; round < 20; ++round) {
        FrameLog log;
        const ZephHandle h = startCapture(kBino, log, 1, 600);
        ASSERT_TRUE(log.waitFor(3));
        EXPECT_EQ(round % 2 ? Zeph_CloseDevice(h) : Zeph_StopCapture(h), ZEPH_OK);
        const std::size_t seen = log.size();
        EXPECT_EQ(log.statuses().back(), AB);
        if (round % 2 == 0)
            Zeph_CloseDevice(h);
        EXPECT_EQ(log.size(), seen) << "a callback after the call returned";
    }
    Zvc_SetTimeScale(0.0);
}

TEST_F(Capture, CallsFromInsideTheCallbackNeverWaitForTheirOwnThread)
{
    Zvc_PresentSubject(kBino, 7);
    FrameLog log;
    ZephHandle h = 0;
    std::vector<ZephResult> inside;
    log.inside = [&](const Frame &c) {
        if (c.status == R) {
            inside.push_back(Zeph_StopCapture(h));
            inside.push_back(Zeph_DeinitCamera(h));
        } else if (c.status == C && inside.size() == 2) {
            inside.push_back(Zeph_CloseDevice(h)); // releases the handle, ends the capture
        }
    };
    h = startCapture(kBino, log, 1, 50);
    Zvc_AdvanceTime(300);
    EXPECT_EQ(inside, (std::vector<ZephResult>{ZEPH_ERR_CAPTURE_START_STOP,
                                               ZEPH_ERR_CAPTURE_START_STOP,
                                               ZEPH_ERR_CAPTURE_START_STOP}));
    EXPECT_EQ(log.statuses(), (std::vector<int32_t>{R, C})) << "no ABORT after a close from inside";
    EXPECT_EQ(log.size(), 2u);
    EXPECT_EQ(Zeph_GetCaptureStatus(h, nullptr), ZEPH_ERR_INVALID_HANDLE);
    const ZephHandle again = openOk(kBino);
    EXPECT_EQ(Zeph_InitCamera(again, nullptr, nullptr), ZEPH_OK);
}

TEST_F(Capture, StartIsCheckedAndNeedsAnInitialisedCamera)
{
    const ZephHandle h = openOk(kBino);
    const ZephHandle mono = openOk(kMono);
    auto start = [](ZephHandle on, int32_t mode, int32_t count, int32_t quality, int32_t op,
                    int32_t eye) {
        return Zeph_StartCapture(on, mode, count, quality, op, eye, 1, nullptr, nullptr);
    };
    EXPECT_EQ(start(h, 1, 3, 3, 2, 3), ZEPH_ERR_CAMERA_NOT_INITIALIZED);
    EXPECT_EQ(Zeph_StopCapture(h), ZEPH_ERR_CAMERA_NOT_INITIALIZED);
    EXPECT_EQ(Zeph_OperateCapture(h), ZEPH_ERR_CAMERA_NOT_INITIALIZED);
    int32_t width = 0, height = 0;
    ASSERT_EQ(Zeph_InitCamera(h, &width, &height), ZEPH_OK);
    EXPECT_EQ(width * 10000 + height, 640 * 10000 + 480);
    ASSERT_EQ(Zeph_InitCamera(mono, nullptr, nullptr), ZEPH_OK);
    const struct {
        ZephHandle on;
        int32_t mode, count, quality, op, eye;
        ZephResult result;
    } rows[] = {
        {h, 1, 0, 3, 2, 3, ZEPH_ERR_INVALID_PARAMETER},   {h, 2, 601, 3, 2, 3, ZEPH_ERR_INVALID_PARAMETER},
        {h, 3, 5, 3, 2, 3, ZEPH_ERR_INVALID_PARAMETER},   {h, 1, 5, 4, 2, 3, ZEPH_ERR_INVALID_PARAMETER},
        {h, 1, 5, 3, 0, 3, ZEPH_ERR_INVALID_PARAMETER},   {h, 1, 5, 3, 2, 4, ZEPH_ERR_INVALID_PARAMETER},
        {h, 1, 5, 3, 2, 0, ZEPH_ERR_WRONG_EYE_SUBTYPE},   {mono, 1, 5, 3, 2, 3, ZEPH_ERR_WRONG_EYE_SUBTYPE},
        {h, 2, 600, 1, 1, 1, ZEPH_OK},                    {h, 1, 1, 3, 2, 3, ZEPH_ERR_DEVICE_BUSY},
        {mono, 1, 1, 3, 2, 0, ZEPH_OK},
    };
    for (const auto &r : rows)
        EXPECT_EQ(start(r.on, r.mode, r.count, r.quality, r.op, r.eye), r.result)
            << r.mode << " " << r.count << " " << r.quality << " " << r.op << " " << r.eye;
    EXPECT_EQ(Zeph_StopCapture(h), ZEPH_OK);
    EXPECT_EQ(Zeph_StopCapture(h), ZEPH_OK) << "nothing left to stop";
    EXPECT_EQ(Zeph_OperateCapture(h), ZEPH_ERR_CAPTURE_START_STOP);
}

TEST_F(Capture, PresentationDecidesScoresAndWhichEyesTheResultsHold)
{
    const struct Case {
        const char *what;
        const char *device;
        int32_t right, left, qualityMode;
        ZephResult answer;
        bool rightImage, leftImage;
    } cases[] = {
        {"both sharp", kBino, ZVC_EYE_SHARP, ZVC_EYE_SHARP, 3, ZEPH_OK, true, true},
        // one eye missing: the tests/capture suites
        {"blurred passes normal", kBino, ZVC_EYE_BLURRED, ZVC_EYE_BLURRED, 3, ZEPH_OK, true, true},
        {"blurred fails very high", kBino, ZVC_EYE_BLURRED, ZVC_EYE_BLURRED, 1,
         ZEPH_ERR_NO_QUALIFIED_FRAME, false, false},
        {"monocular fills entry 0", kMono, ZVC_EYE_SHARP, ZVC_EYE_LOOKING_ASIDE, 3, ZEPH_OK, true,
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Zvc_Reset();
        Zvc_PresentSubject(c.device, 41);
        Zvc_PresentEye(c.device, ZEPH_EYE_RIGHT, c.right);
        Zvc_PresentEye(c.device, ZEPH_EYE_LEFT, c.left);
        const ZephHandle h = openOk(c.device);
        ASSERT_EQ(Zeph_InitCamera(h, nullptr, nullptr), ZEPH_OK);
        const int32_t eye = c.device == kMono ? 0 : 3;
        ASSERT_EQ(Zeph_StartCapture(h, 1, 2, c.qualityMode, 2, eye, 0, nullptr, nullptr), 0);
        Zvc_AdvanceTime(1000);
        ASSERT_EQ(Zeph_DeinitCamera(h), ZEPH_OK) << "results survive de-initialisation";

        const ZephQuality *q = nullptr;
        int32_t n = -1;
        EXPECT_EQ(Zeph_GetResultQuality(h, &q, &n), c.answer);
        const ZephImage *img = nullptr;
        int32_t m = -1;
        EXPECT_EQ(Zeph_GetResultImage(h, ZEPH_KIND_K1, ZEPH_FORMAT_MONO_RAW, 0, &img, &m), c.answer);
        if (c.answer == ZEPH_ERR_NO_QUALIFIED_FRAME) {
            EXPECT_TRUE(!q && n == 0 && !img && m == 0) << "outputs are null after a failure";
            continue;
        }
        ASSERT_TRUE(q && img);
        ASSERT_EQ(n * 10 + m, 22);
        const bool has[2] = {c.rightImage, c.leftImage};
        for (int i = 0; i < 2; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(q[i].totalScore != 0, has[i]);
            EXPECT_EQ(img[i].data != nullptr, has[i]);
            if (!has[i])
                continue;
            EXPECT_EQ(img[i].kind, ZEPH_COMPACT_K1);
        }
    }
}
