// Work that must wait until the camera lock is released: notifications to
// the program, the modelled duration of a call, joining a worker thread.
// Model code running under the lock queues it here; the entry point runs it
// once the lock is gone, in the order queued.
#ifndef ZEPH_VIRTUAL_AFTERUNLOCK_H
#define ZEPH_VIRTUAL_AFTERUNLOCK_H

#include <functional>
#include <utility>
#include <vector>

namespace zvc {

class AfterUnlock {
public:
    AfterUnlock() = default;
    AfterUnlock(const AfterUnlock &) = delete;
    AfterUnlock &operator=(const AfterUnlock &) = delete;
    // Whatever was not run explicitly runs now, so no path can drop it.
    ~AfterUnlock() { run(); }

    void add(std::function<void()> action) { actions_.push_back(std::move(action)); }

    void run()
    {
        // An action may queue more work (rarely); take the list first.
        while (!actions_.empty()) {
            std::vector<std::function<void()>> batch;
            batch.swap(actions_);
            for (auto &action : batch)
                action();
        }
    }

private:
    std::vector<std::function<void()>> actions_;
};

} // namespace zvc

#endif
