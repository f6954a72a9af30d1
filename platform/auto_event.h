// Auto-reset event: `set` lets exactly one `wait` through (or the next one, if
// nobody waits yet); `shutdown` releases every present and future waiter so
// that worker threads can be joined.
#pragma once

#include <condition_variable>
#include <mutex>

class AutoEvent {
public:
    void set();
    // Returns false when the event was shut down instead of set.
    bool wait();
    void shutdown();

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
    bool shut_down_ = false;
};
