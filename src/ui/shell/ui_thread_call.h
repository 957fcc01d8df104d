#pragma once
// Runs a function on the user-interface thread and returns its result to
// the calling thread. The logic thread uses it for every call it makes on a
// widget: the call waits for the user-interface thread, which never waits
// for the logic thread, so the two cannot block each other. Once the window
// is being torn down, calls return a default value without running.

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <atomic>
#include <type_traits>
#include <utility>

namespace qx7::ui {

class UiThreadCall {
public:
    // `context` lives on the user-interface thread; it must outlive every
    // call (the program stops the logic thread before destroying it).
    explicit UiThreadCall(QObject* context) : context_(context) {}

    template <class F>
    auto operator()(F&& function) const -> std::invoke_result_t<F> {
        using Result = std::invoke_result_t<F>;
        if (QThread::currentThread() == context_->thread()) return function();
        if (stopped_.load()) {
            if constexpr (!std::is_void_v<Result>)
                return Result{};
            else
                return;
        }
        if constexpr (std::is_void_v<Result>) {
            QMetaObject::invokeMethod(context_, std::forward<F>(function), Qt::BlockingQueuedConnection);
        } else {
            Result result{};
            QMetaObject::invokeMethod(
                context_, [&result, &function] { result = function(); }, Qt::BlockingQueuedConnection);
            return result;
        }
    }

    // Runs `function` on the user-interface thread later, without waiting.
    template <class F>
    void Post(F&& function) const {
        if (stopped_.load()) return;
        QMetaObject::invokeMethod(context_, std::forward<F>(function), Qt::QueuedConnection);
    }

    // From now on calls from other threads do nothing and return defaults.
    void Stop() { stopped_.store(true); }

private:
    QObject* context_;
    std::atomic<bool> stopped_{false};
};

}  // namespace qx7::ui
