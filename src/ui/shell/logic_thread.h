#pragma once
// The thread that owns the main window's logic: it runs the window's
// commands one at a time, in the order they were posted, so drive commands,
// the drive's waits and a helper's password prompt never hold the window.

#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>

namespace qx7::ui {

class LogicThread {
public:
    LogicThread();
    ~LogicThread();
    LogicThread(const LogicThread&) = delete;
    LogicThread& operator=(const LogicThread&) = delete;

    // Queues `job`; it runs on the logic thread after every job posted
    // before it. Safe from any thread. Ignored once Stop has begun.
    void Post(std::function<void()> job);
    // Jobs posted and not yet finished.
    int pending() const { return pending_.load(); }
    // Called (on the logic thread) whenever `pending()` changes, for the
    // busy indication.
    void set_on_pending_changed(std::function<void(int)> callback) { on_pending_changed_ = std::move(callback); }

    // The object living on the logic thread: timers and notifiers that feed
    // the logic are its children.
    QObject* context() { return &context_; }

    // Ends the thread after the job running now. `keep_alive` runs on the
    // calling thread while waiting (the user-interface thread passes its
    // event processing, so that calls the logic makes on it still finish).
    void Stop(const std::function<void()>& keep_alive = {});

private:
    void Changed(int now);

    QThread thread_;
    QObject context_;
    std::atomic<int> pending_{0};
    std::atomic<bool> stopping_{false};
    std::function<void(int)> on_pending_changed_;
};

}  // namespace qx7::ui
