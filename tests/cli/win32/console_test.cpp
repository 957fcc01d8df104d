// The Windows console code: the command line read as UTF-16, the language of
// the user's interface, and console control events on the interrupt path.

#include "cli/win32/console_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "cli/interrupt_signal.h"

namespace qx7::cli {
namespace {

TEST(SplitCommandLine, GivesEveryWordInUtf8) {
    struct Case {
        const wchar_t* line;
        std::vector<std::string> words;
    } cases[] = {
        {L"qx7ctl.exe list", {"qx7ctl.exe", "list"}},
        {L"qx7ctl --sim \"C:\\드라이브 상태\\sim.json\" list",
         {"qx7ctl", "--sim", "C:\\드라이브 상태\\sim.json", "list"}},
        {L"qx7ctl config new --form 양식.json --out \"D:\\설정\\결과 파일.qx7\"",
         {"qx7ctl", "config", "new", "--form", "양식.json", "--out", "D:\\설정\\결과 파일.qx7"}},
        // A character outside the Basic Multilingual Plane (a surrogate pair).
        {L"qx7ctl \U0001F511.txt", {"qx7ctl", "\xF0\x9F\x94\x91.txt"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitCommandLine(c.line), c.words);
    }
}

TEST(LanguageOfLanguageId, KoreanForEveryKoreanId) {
    struct Case {
        std::uint16_t id;
        strings::Language language;
    } cases[] = {
        {MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN), strings::Language::Korean},
        {MAKELANGID(LANG_KOREAN, SUBLANG_NEUTRAL), strings::Language::Korean},
        {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), strings::Language::English},
        {MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), strings::Language::English},
        {MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), strings::Language::English},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LanguageOfLanguageId(c.id), c.language) << std::hex << c.id;
    }
}

class CountingWatcher : public transport::DeviceWatcher {
public:
    bool WaitForChange(std::chrono::milliseconds) override { return true; }
    void Wake() override { ++wakes; }
    std::vector<transport::DeviceEvent> TakeEvents() override { return {}; }
    std::atomic<int> wakes{0};
};

TEST(ConsoleControl, FirstEventStopsTheBatchAndTheSecondEndsTheProcess) {
    for (const DWORD first : {CTRL_C_EVENT, CTRL_BREAK_EVENT}) {
        SCOPED_TRACE(first);
        CountingWatcher watcher;
        InterruptSignal interrupt;
        interrupt.WakeOnSignal(&watcher);
        EXPECT_FALSE(interrupt.flag().load());
        EXPECT_FALSE(OnConsoleControl(CTRL_LOGOFF_EVENT));  // a service's business
        EXPECT_FALSE(interrupt.flag().load());

        EXPECT_TRUE(OnConsoleControl(first));
        EXPECT_TRUE(interrupt.flag().load());
        EXPECT_EQ(watcher.wakes.load(), 1);
        EXPECT_EQ(128 + interrupt.signal_number(), 130);
        // The second one is left to the system, which ends the process.
        EXPECT_FALSE(OnConsoleControl(CTRL_C_EVENT));
        EXPECT_EQ(watcher.wakes.load(), 1);
        interrupt.WakeOnSignal(nullptr);
    }
    // Without a batch under way, Ctrl+C ends the program as usual.
    EXPECT_FALSE(OnConsoleControl(CTRL_C_EVENT));
}

// Closing the console: the process ends as the handler returns, so the
// handler holds on until the batch has stopped.
TEST(ConsoleControl, CloseWaitsForTheBatchToStop) {
    CountingWatcher watcher;
    std::atomic<bool> returned{false};
    std::atomic<bool> taken{false};
    auto interrupt = std::make_unique<InterruptSignal>();
    interrupt->WakeOnSignal(&watcher);
    std::thread handler([&] {
        taken = OnConsoleControl(CTRL_CLOSE_EVENT);
        returned = true;
    });
    while (watcher.wakes.load() == 0) std::this_thread::yield();
    EXPECT_TRUE(interrupt->flag().load());
    EXPECT_FALSE(returned.load());
    interrupt->WakeOnSignal(nullptr);
    interrupt.reset();
    handler.join();
    EXPECT_TRUE(taken.load());
}

// The handler is the system's: a Ctrl+Break sent to a console of the test's
// own reaches the batch's flag and leaves the process running. A test
// program that shares a console (run by hand) would send it to every program
// there, so it runs only without one.
TEST(ConsoleControl, ARealCtrlBreakReachesTheFlag) {
    if (::GetConsoleWindow() != nullptr) GTEST_SKIP() << "the tests share a console; a Ctrl+Break would reach all";
    if (!::AllocConsole()) GTEST_SKIP() << "no console could be made: " << ::GetLastError();
    CountingWatcher watcher;
    {
        InterruptSignal interrupt;
        interrupt.WakeOnSignal(&watcher);
        ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0)) << ::GetLastError();
        // The system calls the handler on a thread of its own.
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (watcher.wakes.load() == 0 && std::chrono::steady_clock::now() < give_up) std::this_thread::yield();
        EXPECT_EQ(watcher.wakes.load(), 1);
        EXPECT_TRUE(interrupt.flag().load());
        interrupt.WakeOnSignal(nullptr);
    }
    ::FreeConsole();
}

}  // namespace
}  // namespace qx7::cli
