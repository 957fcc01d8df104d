#pragma once
// A sleeper for simulated drives that holds every command's pause until
// `parties` commands are pausing at once (or gives up after two seconds).
// Work done one drive after another never meets, so met() proves that the
// drives were worked on at the same time.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace qx7::test {

class Rendezvous {
public:
    explicit Rendezvous(int parties) : parties_(parties) {}
    Rendezvous(const Rendezvous&) = delete;
    Rendezvous& operator=(const Rendezvous&) = delete;

    // What SimSession::SetSleeper takes; the rendezvous must outlive it.
    std::function<void(std::chrono::milliseconds)> Sleeper() {
        return [this](std::chrono::milliseconds) { Pause(); };
    }
    bool met() {
        std::lock_guard lock(mutex_);
        return met_;
    }

private:
    void Pause() {
        std::unique_lock lock(mutex_);
        if (met_) return;
        if (++waiting_ == parties_) met_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, std::chrono::seconds(2), [this] { return met_; });
        --waiting_;
    }

    const int parties_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int waiting_ = 0;
    bool met_ = false;
};

}  // namespace qx7::test
