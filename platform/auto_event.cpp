#include "platform/auto_event.h"

void AutoEvent::set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    cv_.notify_one();
}

bool AutoEvent::wait() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return signalled_ || shut_down_; });
    // Shutdown wins over a pending signal: a worker told to stop must not
    // start one more batch.
    if (shut_down_) return false;
    signalled_ = false;
    return true;
}

void AutoEvent::shutdown() {
    {
        std::lock_guard lock(mutex_);
        shut_down_ = true;
    }
    cv_.notify_all();
}
