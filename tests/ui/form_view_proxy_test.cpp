// The logic thread's view of the window: reading the whole form crosses to
// the user-interface thread once, and gives what reading the window's view
// directly gives.

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/memory_form_view.h"
#include "editor/form_values.h"
#include "editor/notifier.h"
#include "ui/shell/form_view_proxy.h"
#include "ui/shell/ui_thread_call.h"

namespace qx7::ui {
namespace {

using editor::ControlId;
using editor::FormValues;

// Counts the calls carried over to `target` from other threads.
class CrossingCounter : public QObject {
public:
    explicit CrossingCounter(QObject* target) { target->installEventFilter(this); }
    int count() const { return count_; }

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::MetaCall) ++count_;
        return false;
    }

private:
    int count_ = 0;
};

class RecordingNotifier : public editor::Notifier {
public:
    void ShowMessage(std::u16string_view text, editor::MessageIcon /*icon*/) override { texts.emplace_back(text); }
    std::vector<std::u16string> texts;
};

// Runs `work` on a thread of its own, as the logic thread does, while this
// thread answers the calls it carries over.
template <class F>
void RunOnLogicThread(F work) {
    std::atomic<bool> done{false};
    QObject waker;
    std::thread logic([&] {
        work();
        done = true;
        QMetaObject::invokeMethod(
            &waker, [] {}, Qt::QueuedConnection);
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    logic.join();
}

class FormViewProxyTest : public ::testing::Test {
protected:
    FormViewProxyTest() {
        // Every kind of value control away from its default.
        FormValues shown;
        shown.current_password = u"ADMIN1";
        shown.new_user_password = u"USER22";
        shown.change_user_password = true;
        shown.self_destruct_counter = 25;
        shown.min_password_length = 12;
        shown.key_tone = editor::kDisable;
        shown.rfid = editor::kEnable;
        shown.tag_texts[3] = u"04 A1 B2 ";
        shown.admin_tags[2] = true;
        shown.serial_number = u"QX7A0012345678B9";
        shown.auto_lock_delay = 120;
        window_view_.SetComboLines(ControlId::AdminLanguage, {u"English", u"French", u"German", u"Spanish"});
        window_view_.SetComboLines(ControlId::UserLanguage, {u"English", u"French", u"German", u"Spanish"});
        shown.admin_language = 2;
        shown.user_language = 3;
        editor::WriteForm(shown, window_view_);
        shown_ = shown;
    }

    // Reads the form through the proxy on a logic thread; returns the
    // number of crossings to this thread.
    int ReadThroughProxy(FormValues& values, RecordingNotifier& notifier, bool& ok) {
        QObject window;
        UiThreadCall call(&window);
        FormViewProxy proxy(window_view_, call);
        CrossingCounter crossings(&window);
        RunOnLogicThread([&] { ok = editor::ReadForm(proxy, notifier, strings::Language::English, values); });
        return crossings.count();
    }

    app::MemoryFormView window_view_;
    FormValues shown_;
};

TEST_F(FormViewProxyTest, ReadingTheFormCrossesOnce) {
    FormValues values;
    RecordingNotifier notifier;
    bool ok = false;
    EXPECT_EQ(ReadThroughProxy(values, notifier, ok), 1);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(notifier.texts.empty());
    EXPECT_EQ(values, shown_);
}

TEST_F(FormViewProxyTest, ARefusalAddsOnlyTheFocusAndMatchesADirectRead) {
    window_view_.SetText(ControlId::MinPasswordLength, u"40");
    window_view_.SetText(ControlId::AutoLockDelay, u"5");

    FormValues direct;
    RecordingNotifier direct_notifier;
    const bool direct_ok = editor::ReadForm(window_view_, direct_notifier, strings::Language::English, direct);
    const ControlId direct_focus = window_view_.focus();
    window_view_.SetFocus(ControlId{});

    FormValues values;
    RecordingNotifier notifier;
    bool ok = true;
    // The snapshot, then the focus moved to the refused field.
    EXPECT_EQ(ReadThroughProxy(values, notifier, ok), 2);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(direct_ok);
    EXPECT_EQ(values, direct);
    EXPECT_EQ(values.min_password_length, 40);
    EXPECT_EQ(values.auto_lock_delay, FormValues{}.auto_lock_delay);
    EXPECT_EQ(notifier.texts, direct_notifier.texts);
    ASSERT_EQ(notifier.texts.size(), 1u);
    EXPECT_EQ(window_view_.focus(), ControlId::MinPasswordLength);
    EXPECT_EQ(direct_focus, ControlId::MinPasswordLength);
}

}  // namespace
}  // namespace qx7::ui
