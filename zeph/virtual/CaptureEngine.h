// The camera's capture engine: initialisation, one capture at a time on a
// thread of its own that lives on model time, the results of the last
// capture, the LEDs, and what stands in front of the camera.
//
// Every member is called with the camera lock held, except where noted. The
// engine thread takes the lock only to decide its next step; drawing frames
// and calling the program's callback happen outside it.
//
// Rhythm (model milliseconds): READY 100 ms after the start, then a frame
// every 66 ms; CAPTURING at the first frame after the subject is there
// (auto) or Operate came (operator initiated); frame-based captures then
// count `count` frames with the subject in view, time-based ones last
// `count` seconds. Nobody in front for 10 s (waiting in READY or during
// capturing) ends with ABORT and error ZEPH_ERR_NO_QUALIFIED_FRAME.
#ifndef ZEPH_VIRTUAL_CAPTUREENGINE_H
#define ZEPH_VIRTUAL_CAPTUREENGINE_H

#include "CaptureResult.h"
#include "DeviceComponent.h"
#include "ModelClock.h"
#include "zeph/virtual_camera.h"

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zvc {

class CaptureEngine : public DeviceComponent {
public:
    static constexpr int64_t kReadyAfterMs = 100;
    static constexpr int64_t kFramePeriodMs = 66;
    static constexpr int64_t kNobodyTimeoutMs = 10000;
    static constexpr int32_t kSensorWidth = 640;
    static constexpr int32_t kSensorHeight = 480;

    struct StartParams {
        int32_t captureMode;
        int32_t count;
        int32_t qualityMode;
        int32_t operationMode;
        int32_t eyeSubtype;
        int32_t streaming;
        ZephFrameCallback callback;
        void *context;
    };

    CaptureEngine(ModelClock &clock, std::mutex &cameraLock);
    // Frame period of captures started later (0: kFramePeriodMs).
    static void setFrameInterval(int32_t ms);
    // Preview format of captures started later (0: the device's record).
    static ZephResult setStreamFormat(int32_t format);
    // Joins what is left of the engine threads; runs outside the camera lock.
    ~CaptureEngine() override;

    bool initialized() const { return initialized_; }
    ZephResult init(int32_t *width, int32_t *height);
    ZephResult deinit(AfterUnlock &after);
    ZephResult start(const VirtualDevice &device, const StartParams &params, AfterUnlock &after);
    ZephResult stop(AfterUnlock &after);
    ZephResult operate();
    int32_t status() const { return status_; }
    // Ends a running capture whatever the call answered (a failed stop, a
    // stuck link): the final ABORT is delivered before `after` is done.
    void endCapture(int32_t error, AfterUnlock &after);
    // True on the thread of the running capture (inside the callback).
    bool onEngineThread() const;

    // Results of the last completed capture; null when there are none.
    std::shared_ptr<const CaptureResult> results() const { return results_; }
    ZephResult clear(int32_t eye);

    // The arrays handed out, valid until the next call of the same function.
    std::vector<ZephQuality> qualityOut;
    std::vector<ZephImage> imagesOut;
    std::vector<uint8_t> imageBytesOut[2];
    std::vector<uint8_t> isoOut;

    // LEDs.
    ZephResult controlLed(int32_t led, int32_t on, int32_t milliseconds);
    ZephResult blinkLed(int32_t led, int32_t on, int32_t period, int32_t duration);
    bool ledState(int32_t led, ZvcLedState *state) const;

    // What stands in front of the camera.
    void setSubject(uint32_t subject) { subject_ = subject; }
    uint32_t subject() const { return subject_; }
    bool setPresentation(int32_t eye, int32_t presentation);
    int32_t presentation(int index) const { return presentation_[index]; }

    bool onOwnThread() const override { return onEngineThread(); }
    void handleClosed(VirtualDevice &, AfterUnlock &after) override;
    void softReset(VirtualDevice &, AfterUnlock &after) override;

private:
    struct Session;
    struct Step;
    struct Led {
        bool on = false;
        bool blinking = false;
        int32_t period = 0;
        int64_t untilMs = -1; // -1: until changed
    };

    void run(std::shared_ptr<Session> session);
    Step decide(Session &s, int64_t now); // camera lock held
    void deliver(Session &s, const Step &step);
    void finish(std::shared_ptr<Session> s, int32_t error, bool silent, AfterUnlock &after);
    void reapFinished(AfterUnlock &after);
    bool subjectInView(const Session &s) const;
    Led *ledOf(int32_t led);

    ModelClock &clock_;
    std::mutex &cameraLock_;
    bool initialized_ = false;
    int32_t status_ = ZEPH_STATUS_IDLE;
    std::shared_ptr<Session> running_;
    // Sessions whose thread may still be running and must be joined.
    std::vector<std::shared_ptr<Session>> toJoin_;
    std::shared_ptr<const CaptureResult> results_;
    uint32_t captureCount_ = 0;
    uint32_t subject_ = 0;
    int32_t presentation_[2] = {ZVC_EYE_SHARP, ZVC_EYE_SHARP};
    Led leds_[4];
};

} // namespace zvc

#endif
