#pragma once
// Hot-plug events for a Qt thread: a thread of its own waits on a
// DeviceWatcher (WaitForChange), takes the events and queues `deliver` with
// them on the thread of `receiver`, batch after batch in the order they
// came. Every back end's watcher works this way; none hands Qt a handle.

#include <QObject>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "transport/device_watcher.h"

namespace qx7::ui {

class DeviceEventNotifier {
public:
    using Deliver = std::function<void(const std::vector<transport::DeviceEvent>&)>;

    // `watcher` and `receiver` must outlive the notifier.
    DeviceEventNotifier(transport::DeviceWatcher& watcher, QObject* receiver, Deliver deliver);
    // Wakes the watcher and waits for the thread: nothing is queued once it
    // returns (batches queued before may still run on the receiver's thread).
    ~DeviceEventNotifier();
    DeviceEventNotifier(const DeviceEventNotifier&) = delete;
    DeviceEventNotifier& operator=(const DeviceEventNotifier&) = delete;

private:
    void Run();

    transport::DeviceWatcher& watcher_;
    QObject* receiver_;
    Deliver deliver_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace qx7::ui
