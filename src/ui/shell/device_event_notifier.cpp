#include "ui/shell/device_event_notifier.h"

#include <QMetaObject>

#include <chrono>

namespace qx7::ui {
namespace {

// A watcher that cannot be woken still lets the thread end this soon.
constexpr std::chrono::milliseconds kLongestWait{1000};

}  // namespace

DeviceEventNotifier::DeviceEventNotifier(transport::DeviceWatcher& watcher, QObject* receiver, Deliver deliver)
    : watcher_(watcher), receiver_(receiver), deliver_(std::move(deliver)), thread_([this] { Run(); }) {}

DeviceEventNotifier::~DeviceEventNotifier() {
    stopping_.store(true);
    watcher_.Wake();
    thread_.join();
}

void DeviceEventNotifier::Run() {
    while (!stopping_.load()) {
        if (!watcher_.WaitForChange(kLongestWait) || stopping_.load()) continue;
        std::vector<transport::DeviceEvent> events = watcher_.TakeEvents();
        if (events.empty()) continue;
        QMetaObject::invokeMethod(
            receiver_, [deliver = deliver_, events = std::move(events)] { deliver(events); }, Qt::QueuedConnection);
    }
}

}  // namespace qx7::ui
