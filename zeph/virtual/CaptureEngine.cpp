#include "CaptureEngine.h"

#include "EyeImageSource.h"
#include "VirtualDevice.h"

#include <atomic>

namespace zvc {
namespace {
// The bench's frame period; 0 keeps the camera's own.
std::atomic<int64_t> g_frameIntervalMs{0};
// The bench's preview format; 0 follows the device's configuration record.
std::atomic<int32_t> g_streamFormat{0};

using Lock = std::lock_guard<std::mutex>;

uint32_t mix(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

int ledIndex(int32_t led)
{
    switch (led) {
    case ZEPH_LED_GREEN: return 0;
    case ZEPH_LED_RED: return 1;
    case ZEPH_LED_BLUE: return 2;
    case ZEPH_LED_ORANGE: return 3;
    default: return -1;
    }
}

bool isPresentation(int32_t p) { return p >= ZVC_EYE_ABSENT && p <= ZVC_EYE_LOOKING_ASIDE; }

} // namespace

struct CaptureEngine::Session {
    StartParams p{};
    bool streamOn = false;
    uint32_t scale = 1;
    int32_t format = ZEPH_FORMAT_MONO_RAW;
    int32_t quality = 80;
    bool monocular = false;
    bool requested[2] = {false, false};
    uint32_t noiseSeed = 0;
    uint32_t frames = 0;
    int64_t startMs = 0;
    int64_t periodMs = CaptureEngine::kFramePeriodMs;

    // Guarded by the camera lock.
    int phase = 0; // 0 starting, 1 READY, 2 CAPTURING
    int64_t readySince = 0;
    int64_t capturingSince = 0;
    int64_t lastSeen = 0;
    int32_t counted = 0;
    bool seen = false;
    bool operated = false;
    bool finalDecided = false; // COMPLETE or ABORT chosen: nothing else follows
    bool ending = false;       // stopped from outside
    bool silent = false;       // ended from inside its own callback: no ABORT
    int32_t endError = 0;

    // Engine thread only.
    int32_t lastStatusSent = -1;

    ModelClock::SleeperId sleeper;
    std::thread thread;
    std::thread::id threadId;
    std::once_flag joined;
};

struct CaptureEngine::Step {
    int32_t status = ZEPH_STATUS_READY;
    int32_t error = 0;
    bool final = false;
    uint32_t subject = 0;
    int32_t presentation[2] = {0, 0};
};

CaptureEngine::CaptureEngine(ModelClock &clock, std::mutex &cameraLock)
    : clock_(clock), cameraLock_(cameraLock)
{
}

CaptureEngine::~CaptureEngine()
{
    AfterUnlock after;
    {
        Lock lock(cameraLock_);
        if (running_)
            finish(running_, 0, false, after);
        for (auto &s : toJoin_)
            finish(s, 0, false, after);
        toJoin_.clear();
    }
    after.run();
}

ZephResult CaptureEngine::init(int32_t *width, int32_t *height)
{
    initialized_ = true;
    if (width)
        *width = kSensorWidth;
    if (height)
        *height = kSensorHeight;
    return ZEPH_OK;
}

bool CaptureEngine::onEngineThread() const
{
    const auto self = std::this_thread::get_id();
    if (running_ && running_->threadId == self)
        return true;
    for (const auto &s : toJoin_)
        if (s->threadId == self)
            return true;
    return false;
}

ZephResult CaptureEngine::deinit(AfterUnlock &after)
{
    if (onEngineThread())
        return ZEPH_ERR_CAPTURE_START_STOP;
    if (running_)
        finish(running_, 0, false, after);
    reapFinished(after);
    initialized_ = false;
    status_ = ZEPH_STATUS_IDLE;
    return ZEPH_OK;
}

ZephResult CaptureEngine::start(const VirtualDevice &device, const StartParams &p,
                                AfterUnlock &after)
{
    if (!initialized_)
        return ZEPH_ERR_CAMERA_NOT_INITIALIZED;
    const bool modeOk = p.captureMode == ZEPH_CAPTURE_FRAME_BASED
                        || p.captureMode == ZEPH_CAPTURE_TIME_BASED;
    const bool countOk = p.count >= ZEPH_CAPTURE_COUNT_MIN && p.count <= ZEPH_CAPTURE_COUNT_MAX;
    const bool qualityOk = p.qualityMode >= ZEPH_QUALITY_VERY_HIGH
                           && p.qualityMode <= ZEPH_QUALITY_NORMAL;
    const bool operationOk = p.operationMode == ZEPH_OPERATION_OPERATOR_INITIATED
                             || p.operationMode == ZEPH_OPERATION_AUTO;
    if (!modeOk || !countOk || !qualityOk || !operationOk || p.eyeSubtype < ZEPH_EYE_UNKNOWN
        || p.eyeSubtype > ZEPH_EYE_BOTH)
        return ZEPH_ERR_INVALID_PARAMETER;
    const bool binocular = device.info().binocular != 0;
    if (binocular == (p.eyeSubtype == ZEPH_EYE_UNKNOWN))
        return ZEPH_ERR_WRONG_EYE_SUBTYPE;
    if (running_ && !running_->finalDecided)
        return ZEPH_ERR_DEVICE_BUSY;
    if (onEngineThread())
        return ZEPH_ERR_CAPTURE_START_STOP;
    reapFinished(after);

    auto s = std::make_shared<Session>();
    s->p = p;
    const ZephDeviceConfig &config = device.config();
    s->streamOn = p.streaming != 0 && config.enableStream != 0;
    s->scale = config.streamScale ? config.streamScale : 1;
    const int32_t benchFormat = g_streamFormat.load();
    s->format = benchFormat ? benchFormat : config.streamFormat;
    s->quality = config.compressionQuality;
    s->monocular = !binocular;
    s->requested[0] = !binocular || p.eyeSubtype != ZEPH_EYE_LEFT;
    s->requested[1] = binocular && p.eyeSubtype != ZEPH_EYE_RIGHT;
    s->noiseSeed = mix(++captureCount_ * 0x9E3779B9U ^ static_cast<uint32_t>(device.id()));
    s->startMs = clock_.nowMs();
    s->periodMs = g_frameIntervalMs.load() > 0 ? g_frameIntervalMs.load() : kFramePeriodMs;
    s->sleeper = clock_.addSleeper();
    try {
        s->thread = std::thread([this, s] { run(s); });
    } catch (...) {
        clock_.removeSleeper(s->sleeper);
        return ZEPH_ERR_THREAD_FAILED;
    }
    s->threadId = s->thread.get_id();
    results_.reset();
    running_ = s;
    status_ = ZEPH_STATUS_READY;
    return ZEPH_OK;
}

ZephResult CaptureEngine::stop(AfterUnlock &after)
{
    if (!initialized_)
        return ZEPH_ERR_CAMERA_NOT_INITIALIZED;
    if (onEngineThread())
        return ZEPH_ERR_CAPTURE_START_STOP;
    if (running_)
        finish(running_, 0, false, after);
    return ZEPH_OK;
}

void CaptureEngine::endCapture(int32_t error, AfterUnlock &after)
{
    if (running_ && !onEngineThread())
        finish(running_, error, false, after);
}

ZephResult CaptureEngine::operate()
{
    if (!initialized_)
        return ZEPH_ERR_CAMERA_NOT_INITIALIZED;
    if (!running_ || running_->finalDecided)
        return ZEPH_ERR_CAPTURE_START_STOP;
    running_->operated = true;
    return ZEPH_OK;
}

void CaptureEngine::finish(std::shared_ptr<Session> s, int32_t error, bool silent,
                           AfterUnlock &after)
{
    if (!s->finalDecided) {
        s->ending = true;
        s->silent = silent;
        s->endError = error;
        status_ = ZEPH_STATUS_ABORT;
    }
    clock_.cancel(s->sleeper);
    if (running_ == s)
        running_.reset();
    if (s->threadId == std::this_thread::get_id()) {
        // Inside its own callback: the thread ends when the callback returns
        // and is joined later, never by itself.
        toJoin_.push_back(s);
        return;
    }
    ModelClock &clock = clock_;
    after.add([s, &clock] {
        std::call_once(s->joined, [&] {
            if (s->thread.joinable())
                s->thread.join();
            clock.removeSleeper(s->sleeper);
        });
    });
}

void CaptureEngine::reapFinished(AfterUnlock &after)
{
    if (running_ && running_->finalDecided)
        finish(running_, 0, false, after);
    std::vector<std::shared_ptr<Session>> keep;
    for (auto &s : toJoin_) {
        if (s->threadId == std::this_thread::get_id())
            keep.push_back(s);
        else
            finish(s, 0, false, after);
    }
    toJoin_ = keep;
}

bool CaptureEngine::subjectInView(const Session &s) const
{
    if (subject_ == 0)
        return false;
    for (int i = 0; i < 2; ++i)
        if (s.requested[i] && presentation_[i] != ZVC_EYE_ABSENT)
            return true;
    return false;
}

void CaptureEngine::setFrameInterval(int32_t ms)
{
    if (ms >= 0)
        g_frameIntervalMs.store(ms);
}

ZephResult CaptureEngine::setStreamFormat(int32_t format)
{
    switch (format) {
    case 0: case ZEPH_FORMAT_MONO_RAW: case ZEPH_FORMAT_MONO_JPEG:
    case ZEPH_FORMAT_MONO_JPEG2000: case ZEPH_FORMAT_CORVANE_RAW:
        g_streamFormat.store(format);
        return ZEPH_OK;
    default:
        return ZEPH_ERR_INVALID_PARAMETER;
    }
}

void CaptureEngine::run(std::shared_ptr<Session> s)
{
    int64_t t = s->startMs + kReadyAfterMs;
    for (;;) {
        if (!clock_.sleepUntil(s->sleeper, t))
            break;
        Step step;
        {
            Lock lock(cameraLock_);
            if (s->ending)
                break;
            step = decide(*s, t);
        }
        deliver(*s, step);
        if (step.final)
            break;
        t += s->periodMs;
    }
    Step last;
    bool sendAbort = false;
    {
        Lock lock(cameraLock_);
        sendAbort = s->ending && !s->silent;
        last.status = ZEPH_STATUS_ABORT;
        last.error = s->endError;
        last.final = true;
    }
    if (sendAbort)
        deliver(*s, last);
    // Gone for model time: manual stepping no longer waits for this thread.
    clock_.finished(s->sleeper);
}

CaptureEngine::Step CaptureEngine::decide(Session &s, int64_t now)
{
    Step st;
    st.subject = subject_;
    st.presentation[0] = presentation_[0];
    st.presentation[1] = presentation_[1];
    const bool inView = subjectInView(s);
    auto end = [&](int32_t status, int32_t error) {
        st.status = status;
        st.error = error;
        st.final = true;
        s.finalDecided = true;
        status_ = status;
    };
    if (s.phase == 0) {
        s.phase = 1;
        s.readySince = now;
        st.status = ZEPH_STATUS_READY;
    } else if (s.phase == 1) {
        const bool go = s.operated || (s.p.operationMode == ZEPH_OPERATION_AUTO && inView);
        if (go) {
            s.phase = 2;
            s.capturingSince = s.lastSeen = now;
            st.status = ZEPH_STATUS_CAPTURING;
        } else if (now - s.readySince >= kNobodyTimeoutMs) {
            end(ZEPH_STATUS_ABORT, ZEPH_ERR_NO_QUALIFIED_FRAME);
        } else {
            st.status = ZEPH_STATUS_READY;
        }
    } else {
        if (inView) {
            s.seen = true;
            s.lastSeen = now;
            ++s.counted;
        }
        const bool done = s.p.captureMode == ZEPH_CAPTURE_FRAME_BASED
                              ? s.counted >= s.p.count
                              : now - s.capturingSince >= int64_t{s.p.count} * 1000;
        if (done && s.seen) {
            results_ = std::make_shared<const CaptureResult>(CaptureResult::judge(
                subject_, presentation_, s.requested, s.monocular, s.p.qualityMode, s.noiseSeed));
            end(ZEPH_STATUS_COMPLETE, 0);
        } else if (done || (!inView && now - s.lastSeen >= kNobodyTimeoutMs)) {
            end(ZEPH_STATUS_ABORT, ZEPH_ERR_NO_QUALIFIED_FRAME);
        } else {
            st.status = ZEPH_STATUS_CAPTURING;
        }
    }
    if (!st.final)
        status_ = st.status;
    return st;
}

void CaptureEngine::deliver(Session &s, const Step &step)
{
    ZephImage images[2] = {};
    std::vector<uint8_t> bytes[2];
    bool anyFrame = false;
    if (s.streamOn && !step.final) {
        ++s.frames;
        for (int i = 0; i < 2; ++i) {
            if (!s.requested[i])
                continue;
            EyeImageRequest r;
            r.subject = step.subject;
            r.eye = i == 0 ? ZEPH_EYE_RIGHT : ZEPH_EYE_LEFT;
            r.presentation = step.presentation[i];
            r.noiseSeed = s.noiseSeed ^ mix(s.frames);
            r.kind = ZEPH_KIND_K1;
            r.format = s.format;
            r.quality = s.quality;
            r.scale = s.scale;
            EyeImage e = makeEyeImage(r);
            if (e.result != ZEPH_OK || e.bytes.empty())
                continue;
            bytes[i] = std::move(e.bytes);
            images[i].kind = ZEPH_COMPACT_K1;
            images[i].format = static_cast<uint8_t>(s.format);
            images[i].width = e.width;
            images[i].height = e.height;
            images[i].data = bytes[i].data();
            images[i].size = static_cast<uint32_t>(bytes[i].size());
            anyFrame = true;
        }
    }
    const bool changed = step.status != s.lastStatusSent;
    if (!s.p.callback || (!anyFrame && !changed))
        return;
    s.lastStatusSent = step.status;
    const int32_t status = step.status;
    const int32_t error = step.error;
    s.p.callback(s.p.context, anyFrame ? images : nullptr, 0, &status, &error);
}

ZephResult CaptureEngine::clear(int32_t eye)
{
    if (eye < ZEPH_CLEAR_ALL || eye > ZEPH_CLEAR_LEFT)
        return ZEPH_ERR_INVALID_PARAMETER;
    if (!results_)
        return ZEPH_ERR_FRAME_NOT_AVAILABLE;
    if (eye == ZEPH_CLEAR_ALL) {
        results_.reset();
        return ZEPH_OK;
    }
    auto copy = std::make_shared<CaptureResult>(*results_);
    copy->dropEye(eye == ZEPH_CLEAR_RIGHT ? 0 : 1);
    results_ = copy;
    return ZEPH_OK;
}

CaptureEngine::Led *CaptureEngine::ledOf(int32_t led)
{
    const int i = ledIndex(led);
    return i < 0 ? nullptr : &leds_[i];
}

ZephResult CaptureEngine::controlLed(int32_t led, int32_t on, int32_t milliseconds)
{
    Led *l = ledOf(led);
    if (!l || (on != 0 && on != 1) || milliseconds < 0)
        return ZEPH_ERR_INVALID_PARAMETER;
    l->on = on != 0;
    l->blinking = false;
    l->period = 0;
    l->untilMs = milliseconds > 0 ? clock_.nowMs() + milliseconds : -1;
    return ZEPH_OK;
}

ZephResult CaptureEngine::blinkLed(int32_t led, int32_t on, int32_t period, int32_t duration)
{
    Led *l = ledOf(led);
    if (!l || (on != 0 && on != 1) || duration < 0 || (on && period <= 0))
        return ZEPH_ERR_INVALID_PARAMETER;
    l->on = on != 0;
    l->blinking = on != 0;
    l->period = on ? period : 0;
    l->untilMs = duration > 0 ? clock_.nowMs() + duration : -1;
    return ZEPH_OK;
}

bool CaptureEngine::ledState(int32_t led, ZvcLedState *state) const
{
    const int i = ledIndex(led);
    if (i < 0 || !state)
        return false;
    const Led &l = leds_[i];
    const int64_t now = clock_.nowMs();
    const bool expired = l.untilMs >= 0 && now >= l.untilMs;
    state->on = (l.on && !expired) ? 1 : 0;
    state->blinking = (l.blinking && !expired) ? 1 : 0;
    state->period = state->blinking ? l.period : 0;
    state->remainingMs = (l.untilMs < 0 || expired) ? -1 : l.untilMs - now;
    return true;
}

bool CaptureEngine::setPresentation(int32_t eye, int32_t presentation)
{
    if (!isPresentation(presentation) || eye < ZEPH_EYE_RIGHT || eye > ZEPH_EYE_BOTH)
        return false;
    if (eye != ZEPH_EYE_LEFT)
        presentation_[0] = presentation;
    if (eye != ZEPH_EYE_RIGHT)
        presentation_[1] = presentation;
    return true;
}

void CaptureEngine::handleClosed(VirtualDevice &, AfterUnlock &after)
{
    if (running_)
        finish(running_, 0, onEngineThread(), after);
    reapFinished(after);
    results_.reset();
    initialized_ = false;
    status_ = ZEPH_STATUS_IDLE;
    for (auto &l : leds_)
        l = Led{};
}

void CaptureEngine::softReset(VirtualDevice &device, AfterUnlock &after)
{
    handleClosed(device, after);
}

} // namespace zvc
