#ifndef GLINTVIEW_RECOVERYPROCEDURE_H
#define GLINTVIEW_RECOVERYPROCEDURE_H

// The automatic recovery of a stuck USB link, without any widget: which
// results are offered, and the walk through the recovery steps that runs on
// a pool thread. What the operator sees and answers goes through
// RecoveryUi; the pauses go through Clock, the device through zeph.h.

#include "platform/Clock.h"
#include "zeph/zeph.h"

#include <QString>
#include <Qt>
#include <atomic>
#include <cstdint>

class AppContext;

// The procedure's view of the operator. Every call comes from the worker's
// thread; an implementation with widgets hands each one to the GUI thread.
class RecoveryUi
{
public:
    virtual ~RecoveryUi() = default;
    virtual void showStatus(const QString &text) = 0;
    virtual void alignStatus(Qt::Alignment alignment) = 0;
    // The soft-reset question is on screen: offer Yes (as the default button).
    // The operator answers through RecoveryProcedure::answerYes or cancel.
    virtual void offerYes() = 0;
    // The worker has ended: Cancel now closes.
    virtual void workerEnded() = 0;
};

class RecoveryProcedure
{
public:
    enum class Offer {
        Accepted, // nothing to recover here (UART): the caller may go on
        Run,      // run the procedure with the operator
        Declined  // no recovery for this result
    };

    static const char kDetected[];
    static const char kSucceeded[];
    static const char kUnsuccessful[];
    static const char kFailedStep[];      // printf format, one %s: the result text
    static const char kReconnecting[];
    static const char kVerifying[];
    static const char kSoftResetQuestion[];

    // Pauses of the procedure, in milliseconds.
    static constexpr int kFirstPauseMs = 3000;
    static constexpr int kStepPauseMs = 1000;
    static constexpr int kCyclePortReopenMs = 2000;
    static constexpr int kSoftResetReopenMs = 3000;
    static constexpr int kQuestionPollMs = 100;

    explicit RecoveryProcedure(RecoveryUi &ui);

    // GUI thread, with no worker running: decides what to do with the result
    // of a failed call on the given link, with or without an open device.
    Offer offer(ZephResult result, int32_t commStd, bool deviceOpen);

    // The dialog is up: the worker may go on.
    void begin()
    {
        m_cancelled.reset();
        recoveryRunning = true;
    }
    // The worker (pool thread). Reads and writes the device fields of `ctx`;
    // nobody else touches them meanwhile.
    void run(AppContext &ctx);

    // Operator answers, from the GUI thread.
    void answerYes() { m_questionOpen = false; }
    // Stops the worker at its next test, cutting its waiting pauses short;
    // true when this answered an open soft-reset question (the worker then
    // ends by itself, the dialog stays).
    bool cancel();
    bool questionOpen() const { return m_questionOpen; }

    // Shared by the GUI thread and the worker: each is only stored and tested.
    std::atomic<bool> recoveryRunning{false};
    std::atomic<bool> recoverySucceeded{false};
    std::atomic<ZephResult> triggerResult{0};
    std::atomic<int32_t> recoveryState{1}; // 0 fine, 1 new, 2 failed: offer no more

private:
    ZephResult reopen(AppContext &ctx);
    // Blocks until the operator answered the soft-reset question; false when
    // the answer was Cancel.
    bool askSoftReset();

    RecoveryUi &m_ui;
    std::atomic<bool> m_questionOpen{false};
    // Wakes the pauses that only wait for the operator to read. The pauses
    // that give a restarted device time to come back are never cut short.
    Wakeup m_cancelled;
};

#endif
