// Device arrival and removal notifications to the program.
//
// Two ways out: deliver() calls the callback at once on the caller's thread
// (unplug and plug from the bench); post() hands an event with a due time to
// the notifier's own thread (a device dropping off the bus during a recovery
// step and coming back a moment later). The callback is never called with
// the camera lock held, and after setCallback() returns the old callback is
// not running on another thread and will not be called again.
#ifndef ZEPH_VIRTUAL_NOTIFIER_H
#define ZEPH_VIRTUAL_NOTIFIER_H

#include "ModelClock.h"
#include "zeph/virtual_camera.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zvc {

class Notifier {
public:
    explicit Notifier(const ModelClock &clock) : clock_(clock) {}
    Notifier(const Notifier &) = delete;
    Notifier &operator=(const Notifier &) = delete;

    void setCallback(ZvcNotifyFn fn, void *context);

    // Events already due on the notifier's thread go out first, so the
    // program sees them in the order they happened.
    void deliver(int32_t event, const std::string &deviceName);
    void post(int32_t event, const std::string &deviceName, const ModelClock::Deadline &due);
    // The time scale changed: due times move.
    void reschedule();

    // Forget the device's events that are not due yet (it was unplugged
    // before it could come back), or every event not yet sent (reset).
    void cancelFuture(const std::string &deviceName);
    void cancelAll();

    // Waits until every posted event has been delivered. Returns at once when
    // called from inside a callback on the notifier's thread.
    void flush();

private:
    struct Pending {
        ModelClock::Deadline due;
        uint64_t sequence;
        int32_t event;
        std::string deviceName;
    };

    void run();
    // Called with m_ held by `lock`; releases it around the callback.
    void call(std::unique_lock<std::mutex> &lock, int32_t event, const std::string &deviceName);
    bool othersDelivering() const;
    bool onNotifierThread() const;
    bool threadBusy() const;
    // The event to send first: the earliest due, then the first posted.
    std::vector<Pending>::iterator next();

    const ModelClock &clock_;
    std::mutex m_;
    std::condition_variable changed_;
    ZvcNotifyFn fn_ = nullptr;
    void *context_ = nullptr;
    std::vector<Pending> queue_;
    uint64_t nextSequence_ = 0;
    std::vector<std::thread::id> delivering_;
    bool threadStarted_ = false;
    std::thread::id threadId_;
};

} // namespace zvc

#endif
