#pragma once
// Runs the event loop until a condition holds, waking for every event (the
// answers of other threads included) rather than sleeping between rounds.

#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace qx7::ui::test_support {

// True when `done` holds within `timeout_ms`.
inline bool WaitFor(const std::function<bool()>& done, int timeout_ms) {
    if (done()) return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
    poll.start(5);
    loop.exec();
    return done();
}

}  // namespace qx7::ui::test_support
