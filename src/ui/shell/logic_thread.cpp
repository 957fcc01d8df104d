#include "ui/shell/logic_thread.h"

#include <QMetaObject>

namespace qx7::ui {

LogicThread::LogicThread() {
    thread_.setObjectName(QStringLiteral("qx7-logic"));
    context_.moveToThread(&thread_);
    thread_.start();
}

LogicThread::~LogicThread() { Stop(); }

void LogicThread::Changed(int now) {
    if (on_pending_changed_) on_pending_changed_(now);
}

void LogicThread::Post(std::function<void()> job) {
    // Once stopping, nothing new runs: the logic's objects are about to go.
    if (stopping_.load()) return;
    ++pending_;
    QMetaObject::invokeMethod(
        &context_,
        [this, job = std::move(job)] {
            Changed(pending_.load());
            job();
            Changed(--pending_);
        },
        Qt::QueuedConnection);
}

void LogicThread::Stop(const std::function<void()>& keep_alive) {
    stopping_.store(true);
    if (!thread_.isRunning()) return;
    // Timers and notifiers of the logic end on their own thread, after the
    // jobs already queued; the context returns to the stopping thread.
    QThread* back = QThread::currentThread();
    QMetaObject::invokeMethod(
        &context_,
        [this, back] {
            qDeleteAll(context_.children());
            context_.moveToThread(back);
            thread_.quit();
        },
        Qt::QueuedConnection);
    while (!thread_.wait(QDeadlineTimer(10))) {
        if (keep_alive) keep_alive();
    }
}

}  // namespace qx7::ui
