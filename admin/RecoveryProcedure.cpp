#include "admin/RecoveryProcedure.h"

#include "admin/RecoverySteps.h"
#include "core/AppContext.h"
#include "core/ResultText.h"
#include "platform/Clock.h"

#include <cstring>

const char RecoveryProcedure::kDetected[] =
    "Device IO error detected. Please wait for auto-recovery completed.";
const char RecoveryProcedure::kSucceeded[] = "Recovery done successfully!";
const char RecoveryProcedure::kUnsuccessful[] =
    "Recovery is unsuccessful. Please disconnect the device then connect it again.";
const char RecoveryProcedure::kFailedStep[] =
    "Failed to perform recovery function. %s. Please check the device is being connected.";
const char RecoveryProcedure::kReconnecting[] = "Re-connecting device...";
const char RecoveryProcedure::kVerifying[] = "Verifying IO requests to device...";
const char RecoveryProcedure::kSoftResetQuestion[] =
    "You are suggested to soft-reset the device. This will reset the device's firmware to "
    "initial state and any uncommitted data will be lost.\nDo you want to soft-reset the device?";

namespace {
QString stepStatus(int code)
{
    return QString::fromLatin1(RecoverySteps::find(code)->statusText);
}
} // namespace

RecoveryProcedure::RecoveryProcedure(RecoveryUi &ui)
    : m_ui(ui)
{
}

RecoveryProcedure::Offer RecoveryProcedure::offer(ZephResult result, int32_t commStd,
                                                  bool deviceOpen)
{
    if (commStd == ZEPH_COMM_UART)
        return Offer::Accepted;
    recoverySucceeded = false;
    if (!deviceOpen)
        return Offer::Declined;
    if (!RecoverySteps::isIoError(result)) {
        // The link answered: a later I/O error is worth an offer again.
        recoveryState = 0;
        return Offer::Declined;
    }
    if (recoveryState == 2)
        return Offer::Declined; // the operator has been told to replug
    triggerResult = result;
    return Offer::Run;
}

bool RecoveryProcedure::cancel()
{
    recoveryRunning = false;
    m_cancelled.wake();
    return m_questionOpen.exchange(false);
}

bool RecoveryProcedure::askSoftReset()
{
    m_ui.alignStatus(Qt::AlignLeft | Qt::AlignVCenter);
    m_ui.showStatus(QString::fromLatin1(kSoftResetQuestion));
    m_questionOpen = true;
    m_ui.offerYes();
    // Also leave when the flag went without the question being answered
    // (Cancel pressed in the instant before Yes appeared).
    Clock &clock = Clock::instance();
    while (m_questionOpen && recoveryRunning)
        clock.sleepMs(kQuestionPollMs, m_cancelled);
    m_questionOpen = false;
    m_ui.alignStatus(Qt::AlignCenter);
    return recoveryRunning;
}

ZephResult RecoveryProcedure::reopen(AppContext &ctx)
{
    ZephHandle handle = 0;
    const ZephResult result = Zeph_OpenDevice(ctx.openedDeviceName, &handle);
    ctx.deviceHandle = result == 0 ? handle : 0;
    // A re-opened camera starts uninitialised: the next Start must initialise it.
    ctx.cameraInitialized = 0;
    if (result != 0)
        return result;

    // The steps of opening a device: a soft reset may have changed what it
    // reports, and nobody is logged in on a restarted link.
    ZephDeviceInfo info{};
    ctx.lastResult = Zeph_GetDeviceInfo(handle, &info);
    if (ctx.lastResult == 0)
        ctx.deviceInfo = info;
    ZephDeviceConfig config;
    std::memset(&config, 0, sizeof config);
    if (Zeph_GetDeviceConfig(handle, &config) == 0)
        ctx.deviceConfig = config;
    ctx.resetCaptureState();
    ctx.loginId.reset();

    // The removal this step caused has been seen or will be taken for the
    // recovery's; a later one is a real unplug again.
    ctx.suppressUnplugNotice = 0;
    return 0;
}

void RecoveryProcedure::run(AppContext &ctx)
{
    Clock &clock = Clock::instance();
    QString message = QString::fromLatin1(kUnsuccessful);
    m_ui.showStatus(QString::fromLatin1(kDetected));
    clock.sleepMs(kFirstPauseMs, m_cancelled);
    int attempt = 1;
    ZephResult result = 0;

    while (recoveryRunning && ctx.deviceHandle != 0 && attempt < 5) {
        const ZephResult t = triggerResult;
        if (!RecoverySteps::isIoError(t)) {
            m_ui.showStatus(QString::fromLatin1(kSucceeded));
            recoverySucceeded = true;
            recoveryRunning = false;
            recoveryState = 0;
        } else if (t == ZEPH_ERR_IO_INVALID) {
            // Invalid data: flush and reset the pipes, as often as it takes.
            m_ui.showStatus(stepStatus(ZEPH_RECOVERY_CANCEL_IO));
            clock.sleepMs(kStepPauseMs, m_cancelled);
            Zeph_Recovery(ctx.deviceHandle, ZEPH_RECOVERY_CANCEL_IO);
            m_ui.showStatus(stepStatus(ZEPH_RECOVERY_RESET_PIPES));
            clock.sleepMs(kStepPauseMs, m_cancelled);
            result = Zeph_Recovery(ctx.deviceHandle, ZEPH_RECOVERY_RESET_PIPES);
        } else {
            const int step = attempt; // RESET_PIPES, RESET_PORT, CYCLE_PORT, SOFT_RESET
            bool declined = false;
            if (RecoverySteps::leavesTheBus(step))
                ctx.suppressUnplugNotice = 1;
            if (step == ZEPH_RECOVERY_SOFT_RESET && !askSoftReset()) {
                ctx.suppressUnplugNotice = 0; // the device stays on the bus
                declined = true;
            }
            if (!declined) {
                m_ui.showStatus(stepStatus(step));
                clock.sleepMs(kStepPauseMs, m_cancelled);
                const ZephHandle handle = ctx.deviceHandle;
                result = Zeph_Recovery(handle, step);
                if (result == 0 && step == ZEPH_RECOVERY_CYCLE_PORT) {
                    Zeph_CloseDevice(handle);
                    ctx.deviceHandle = 0;
                    m_ui.showStatus(QString::fromLatin1(kReconnecting));
                    clock.sleepMs(kCyclePortReopenMs);
                    result = reopen(ctx);
                } else if (result == 0 && step == ZEPH_RECOVERY_SOFT_RESET) {
                    if (handle != 0) {
                        ctx.lastResult = Zeph_CloseDevice(handle);
                        ctx.deviceHandle = 0;
                        ctx.cameraInitialized = 0;
                    }
                    m_ui.showStatus(QString::fromLatin1(kReconnecting));
                    clock.sleepMs(kSoftResetReopenMs);
                    result = reopen(ctx);
                }
                ++attempt;
            }
        }

        if (result != 0) {
            ctx.suppressUnplugNotice = 0; // no removal is on its way for us
            message = QString::asprintf(kFailedStep, ResultText(result));
            m_ui.showStatus(message);
            attempt = 5;
        } else if (!recoverySucceeded && recoveryRunning) {
            m_ui.showStatus(QString::fromLatin1(kVerifying));
            clock.sleepMs(kStepPauseMs, m_cancelled);
            // Any answer but an I/O error means the link works again.
            int32_t status = 0;
            triggerResult = Zeph_GetCaptureStatus(ctx.deviceHandle, &status);
        }
    }

    // The heaviest step is verified like every other: when the link answers
    // after it, the recovery worked, although no step is left to loop for.
    if (!recoverySucceeded && recoveryRunning && result == 0 && ctx.deviceHandle != 0
        && !RecoverySteps::isIoError(triggerResult)) {
        m_ui.showStatus(QString::fromLatin1(kSucceeded));
        recoverySucceeded = true;
        recoveryState = 0;
    }

    // The final text is up before Cancel turns into Close, so that the
    // operator never closes on a text the worker is about to replace.
    if (recoverySucceeded) {
        recoveryRunning = false;
    } else {
        recoveryState = 2;
        m_ui.showStatus(message);
    }
    m_ui.workerEnded();
}
