#pragma once
// A run flag whose waits end the moment it is cleared.

#include <chrono>
#include <condition_variable>
#include <mutex>

// Thread-safety: every member may be called from any thread.
class RunFlag {
public:
    void Set(bool running)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            value = running;
        }
        changed.notify_all();
    }

    bool IsSet() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return value;
    }

    // Sleeps for `duration` or until the flag is cleared; returns the flag.
    template <typename Rep, typename Period>
    bool SleepFor(std::chrono::duration<Rep, Period> duration)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait_for(lock, duration, [this] { return !value; });
        return value;
    }

    template <typename Clock, typename Duration>
    bool SleepUntil(std::chrono::time_point<Clock, Duration> deadline)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait_until(lock, deadline, [this] { return !value; });
        return value;
    }

    // Sleeps until the flag is cleared.
    void WaitUntilCleared()
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return !value; });
    }

private:
    mutable std::mutex mutex;
    std::condition_variable changed;
    bool value = false;
};
