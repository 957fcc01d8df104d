// The program updater: its dialog's states in both languages, the check
// against a local HTTP server (newer version, up to date, no server), a
// slow server whose check is cancelled by closing the dialog or by the
// program ending, the silent check at start, and the Settings menu's
// command through the window.

#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "strings/string_table.h"
#include "support/event_wait.h"
#include "support/opened_urls.h"
#include "support/session_over_sim.h"
#include "ui/dialogs/program_updater.h"
#include "ui/dialogs/updater_dialog.h"
#include "ui/window/main_window.h"
#include "updater/local_http_server.h"

namespace qx7::ui {
namespace {

using strings::Language;
using strings::StringId;
using test_support::WaitFor;
using updater::test_support::LocalHttpServer;
using updater::test_support::LocalResponse;
using updater::test_support::LoopbackSocket;

constexpr int kAnswerTimeoutMs = 10000;

QString Res(Language language, StringId id, std::initializer_list<std::u16string_view> inserts = {}) {
    return QString::fromStdU16String(strings::FormatResString(language, id, inserts));
}

// A source on the local server; `wait` bounds every transfer.
UpdateSource LocalSource(const std::string& folder_url, std::chrono::milliseconds wait = std::chrono::seconds(3)) {
    UpdateSource source;
    source.folder_url = folder_url;
    source.curl.connect_timeout = wait;
    source.curl.total_timeout = wait;
    source.curl.use_environment_proxy = false;
    source.own_version = {2, 3, 3, 1};
    return source;
}

// What the dialog shows, read when its answer arrives.
struct Seen {
    QString title;
    QString status;
    QString changelog;
    bool update_enabled = false;
    bool checking = false;
};

Seen Look(const UpdaterDialog& dialog) {
    return {dialog.windowTitle(), dialog.StatusText(), dialog.ChangelogText(), dialog.UpdateButton()->isEnabled(),
            dialog.IsChecking()};
}

TEST(UpdaterDialog, ShowsEachStateInBothLanguages) {
    for (const Language language : {Language::English, Language::Korean}) {
        SCOPED_TRACE(language == Language::Korean ? "Korean" : "English");
        UpdaterDialog dialog(nullptr, QUrl(QStringLiteral("https://update.example.com/f/")), language);
        EXPECT_EQ(dialog.windowTitle(), Res(language, StringId::UpdaterTitle));
        EXPECT_EQ(dialog.UpdateButton()->text(), Res(language, StringId::Update));
        EXPECT_EQ(dialog.CancelButton()->text(), Res(language, StringId::Cancel));
        EXPECT_LT(dialog.UpdateButton()->x(), dialog.CancelButton()->x());

        dialog.ShowChecking();
        EXPECT_TRUE(dialog.IsChecking());
        EXPECT_FALSE(dialog.BusyBar()->isHidden());
        EXPECT_FALSE(dialog.UpdateButton()->isEnabled());
        EXPECT_EQ(dialog.ChangelogText(), QString());
        EXPECT_NE(dialog.StatusText(), Res(language, StringId::UpdateConnectionError))
            << "checking is not yet a failure";

        updater::UpdateCheckOutcome newer;
        newer.result = updater::UpdateCheckResult::UpdateAvailable;
        newer.status_text = strings::FormatResString(language, StringId::UpdateAvailable, {u"2.4"});
        newer.changelog = u"v2.4\n- 한국어 메뉴";
        newer.update_enabled = true;
        dialog.ShowOutcome(newer);
        EXPECT_FALSE(dialog.IsChecking());
        EXPECT_TRUE(dialog.BusyBar()->isHidden());
        EXPECT_EQ(dialog.StatusText(), Res(language, StringId::UpdateAvailable, {u"2.4"}));
        EXPECT_EQ(dialog.ChangelogText(), QStringLiteral("v2.4\n- 한국어 메뉴"));
        EXPECT_TRUE(dialog.UpdateButton()->isEnabled());

        updater::UpdateCheckOutcome failed;
        failed.status_text = strings::FormatResString(language, StringId::UpdateConnectionError);
        dialog.ShowOutcome(failed);
        EXPECT_EQ(dialog.StatusText(), Res(language, StringId::UpdateConnectionError));
        EXPECT_EQ(dialog.ChangelogText(), QString());
        EXPECT_FALSE(dialog.UpdateButton()->isEnabled());
    }
}

TEST(UpdaterDialog, UpdateOpensTheUpdateFolderAndCloses) {
    const test_support::OpenedUrls opened;
    const QUrl folder(QStringLiteral("https://update.example.com/downloads/qx7/utilities/update/"));
    UpdaterDialog dialog(nullptr, folder, Language::English);
    updater::UpdateCheckOutcome newer;
    newer.update_enabled = true;
    dialog.ShowOutcome(newer);
    dialog.show();
    QTest::mouseClick(dialog.UpdateButton(), Qt::LeftButton);
    ASSERT_EQ(opened.urls().size(), 1);
    EXPECT_EQ(opened.urls().front(), folder);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

class ProgramUpdaterTest : public ::testing::Test {
protected:
    ProgramUpdaterTest() { window.show(); }

    void Serve(const std::string& manifest, const std::string& changelog = "v2.4\n- Faster scans") {
        server.Serve(std::string(updater::kManifestFile), {manifest});
        server.Serve(std::string(updater::kChangelogFile), {changelog});
    }
    void ServeSilently() {
        LocalResponse silent;
        silent.silent = true;
        server.Serve(std::string(updater::kManifestFile), silent);
    }
    bool RequestArrives() {
        return WaitFor([this] { return !server.Requests().empty(); }, kAnswerTimeoutMs);
    }

    QWidget window;
    LocalHttpServer server;
};

// Asked from the menu: the dialog opens at once in its checking state and
// shows the server's answer when it arrives.
TEST_F(ProgramUpdaterTest, OnRequestTheDialogOpensAtOnceAndShowsTheAnswer) {
    const LoopbackSocket closed;  // nothing listens there
    const struct {
        const char* name;
        std::optional<std::string> manifest;  // none: no server
        QString status;
        QString changelog;
        bool update_enabled;
    } cases[] = {
        {"newer", "2.4", Res(Language::English, StringId::UpdateAvailable, {u"2.4"}),
         QStringLiteral("v2.4\n- Faster scans"), true},
        {"same", "2.3.3.1", Res(Language::English, StringId::UpToDate, {u"2.3.3.1"}),
         QStringLiteral("v2.4\n- Faster scans"), false},
        {"no server", std::nullopt, Res(Language::English, StringId::UpdateConnectionError), QString(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.manifest) Serve(*c.manifest);
        ProgramUpdater updater(&window, LocalSource(c.manifest ? server.FolderUrl() : closed.FolderUrl()));
        int answered = 0;
        QObject::connect(&updater, &ProgramUpdater::answerShown, [&answered] { ++answered; });
        updater.CheckOnRequest(Language::English);
        UpdaterDialog* dialog = updater.dialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
        EXPECT_TRUE(dialog->IsChecking());
        EXPECT_FALSE(dialog->UpdateButton()->isEnabled());

        ASSERT_TRUE(WaitFor([&] { return answered == 1; }, kAnswerTimeoutMs));
        const Seen seen = Look(*dialog);
        EXPECT_FALSE(seen.checking);
        EXPECT_EQ(seen.status, c.status);
        EXPECT_EQ(seen.changelog, c.changelog);
        EXPECT_EQ(seen.update_enabled, c.update_enabled);
        EXPECT_FALSE(updater.checking());
        dialog->reject();
    }
}

// Closing the dialog while the server keeps the request waiting ends the
// check long before curl's time-outs (set to a minute here); no answer is
// shown afterwards.
TEST_F(ProgramUpdaterTest, ClosingTheDialogCancelsASlowCheck) {
    ServeSilently();
    ProgramUpdater updater(&window, LocalSource(server.FolderUrl(), std::chrono::seconds(60)));
    int answered = 0;
    QObject::connect(&updater, &ProgramUpdater::answerShown, [&answered] { ++answered; });
    updater.CheckOnRequest(Language::English);
    ASSERT_TRUE(RequestArrives());
    ASSERT_TRUE(updater.checking());

    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(updater.dialog()->CancelButton(), Qt::LeftButton);
    // The check is gone, its thread joined.
    EXPECT_LT(timer.elapsed(), kAnswerTimeoutMs);
    EXPECT_FALSE(updater.checking());
    EXPECT_TRUE(updater.findChildren<BackgroundUpdateCheck*>().isEmpty());
    EXPECT_EQ(updater.dialog(), nullptr);
    EXPECT_EQ(answered, 0);
    EXPECT_EQ(server.Requests().size(), 1u);
}

// The program ending while a check waits on the network does not wait for
// the network either.
TEST_F(ProgramUpdaterTest, EndingWhileASlowCheckRunsDoesNotWaitForIt) {
    ServeSilently();
    auto updater = std::make_unique<ProgramUpdater>(&window, LocalSource(server.FolderUrl(), std::chrono::seconds(60)));
    updater->CheckSilently(Language::English);
    ASSERT_TRUE(RequestArrives());
    QElapsedTimer timer;
    timer.start();
    updater.reset();
    EXPECT_LT(timer.elapsed(), kAnswerTimeoutMs);
}

// At start nothing shows unless the server has a newer version.
TEST_F(ProgramUpdaterTest, TheSilentCheckOpensTheDialogOnlyForANewerVersion) {
    for (const char* manifest : {"2.3.3.1", "not a version", "2.10"}) {
        SCOPED_TRACE(manifest);
        Serve(manifest);
        ProgramUpdater updater(&window, LocalSource(server.FolderUrl()));
        int answered = 0;
        QObject::connect(&updater, &ProgramUpdater::answerShown, [&answered] { ++answered; });
        updater.CheckSilently(Language::Korean);
        EXPECT_EQ(updater.dialog(), nullptr);
        ASSERT_TRUE(WaitFor([&] { return !updater.checking(); }, kAnswerTimeoutMs));
        if (std::string(manifest) != "2.10") {
            EXPECT_EQ(updater.dialog(), nullptr);
            EXPECT_EQ(answered, 0);
            continue;
        }
        ASSERT_NE(updater.dialog(), nullptr);
        EXPECT_EQ(answered, 1);
        EXPECT_TRUE(updater.dialog()->isVisible());
        EXPECT_EQ(updater.dialog()->StatusText(), Res(Language::Korean, StringId::UpdateAvailable, {u"2.10"}));
        EXPECT_TRUE(updater.dialog()->UpdateButton()->isEnabled());
        updater.dialog()->reject();
    }
}

// The language is switched while the silent check runs: its dialog opens in
// the language in force when it is shown, not the one at the check's start.
TEST_F(ProgramUpdaterTest, TheSilentCheckOpensInTheLanguageInForceWhenShown) {
    Serve("2.10");
    for (const Language at_end : {Language::Korean, Language::English}) {
        SCOPED_TRACE(at_end == Language::Korean ? "to Korean" : "to English");
        const Language at_start = at_end == Language::Korean ? Language::English : Language::Korean;
        ProgramUpdater updater(&window, LocalSource(server.FolderUrl()));
        Language now = at_start;
        updater.CheckSilently([&now] { return now; });
        // The answer comes through the event loop, so it cannot arrive
        // before the switch.
        now = at_end;
        ASSERT_TRUE(WaitFor([&] { return updater.dialog() != nullptr; }, kAnswerTimeoutMs));
        const Seen seen = Look(*updater.dialog());
        EXPECT_EQ(seen.title, Res(at_end, StringId::UpdaterTitle));
        EXPECT_EQ(seen.status, Res(at_end, StringId::UpdateAvailable, {u"2.10"}));
        EXPECT_EQ(updater.dialog()->UpdateButton()->text(), Res(at_end, StringId::Update));
        updater.dialog()->reject();
    }
}

// Through the window: the Settings menu's "Check for Update" in the
// language the window shows, and the silent check at start, each answered
// through the dialog hook.
class UpdaterThroughTheWindow : public ::testing::Test {
protected:
    void Start(bool startup_check, std::chrono::milliseconds wait = std::chrono::seconds(3)) {
        DesktopSession::Options options = test_support::SessionOverSim::QuietOptions();
        options.startup_update_check = startup_check;
        options.update_source = LocalSource(server.FolderUrl(), wait);
        run = std::make_unique<test_support::SessionOverSim>(options);
        run->desk->dialogs().set_dialog_hook([this](QDialog& dialog) {
            auto* updater = dynamic_cast<UpdaterDialog*>(&dialog);
            ASSERT_NE(updater, nullptr);
            seen.push_back(Look(*updater));
        });
    }
    // A command chosen from the window's Settings menu.
    void Choose(int command) { emit run->desk->window().menuCommand(command); }

    LocalHttpServer server;
    std::unique_ptr<test_support::SessionOverSim> run;
    std::vector<Seen> seen;
};

TEST_F(UpdaterThroughTheWindow, TheMenuCommandChecksInTheWindowsLanguage) {
    server.Serve(std::string(updater::kManifestFile), {"2.3.3.1"});
    server.Serve(std::string(updater::kChangelogFile), {"notes"});
    Start(false);
    ASSERT_TRUE(run->WaitIdle());
    for (const Language language : {Language::English, Language::Korean}) {
        SCOPED_TRACE(language == Language::Korean ? "Korean" : "English");
        if (language == Language::Korean) {
            Choose(MainWindow::kMenuKorean);
            ASSERT_TRUE(run->WaitIdle());
        }
        seen.clear();
        Choose(MainWindow::kMenuCheckForUpdate);
        ASSERT_TRUE(WaitFor([&] { return !seen.empty(); }, kAnswerTimeoutMs));
        EXPECT_EQ(seen.front().title, Res(language, StringId::UpdaterTitle));
        EXPECT_EQ(seen.front().status, Res(language, StringId::UpToDate, {u"2.3.3.1"}));
        EXPECT_EQ(seen.front().changelog, QStringLiteral("notes"));
        EXPECT_FALSE(seen.front().update_enabled);
        // Left unanswered by the hook, the dialog is closed.
        EXPECT_TRUE(WaitFor([&] { return run->desk->updater().dialog() == nullptr; }, kAnswerTimeoutMs));
    }
}

TEST_F(UpdaterThroughTheWindow, AtStartTheWindowOpensAtOnceAndTheDialogOnlyForANewerVersion) {
    for (const char* manifest : {"2.3.3.1", "2.4"}) {
        SCOPED_TRACE(manifest);
        server.Serve(std::string(updater::kManifestFile), {manifest});
        server.Serve(std::string(updater::kChangelogFile), {"notes"});
        const std::size_t requests_before = server.Requests().size();
        seen.clear();
        Start(true);
        EXPECT_TRUE(run->desk->window().isVisible());
        ASSERT_TRUE(run->WaitIdle());
        ASSERT_TRUE(
            WaitFor([&] { return server.Requests().size() == requests_before + 2 && !run->desk->updater().checking(); },
                    kAnswerTimeoutMs));
        if (std::string(manifest) == "2.4") {
            ASSERT_EQ(seen.size(), 1u);
            EXPECT_EQ(seen.front().status, Res(Language::English, StringId::UpdateAvailable, {u"2.4"}));
            EXPECT_TRUE(seen.front().update_enabled);
        } else {
            EXPECT_TRUE(seen.empty());
            EXPECT_EQ(run->desk->updater().dialog(), nullptr);
        }
        run.reset();
    }
}

// A server that never answers the start-up check holds neither the window
// (it scans, reads and takes commands) nor the program's end.
TEST_F(UpdaterThroughTheWindow, ASilentServerAtStartHoldsNeitherTheWindowNorTheEnd) {
    LocalResponse silent;
    silent.silent = true;
    server.Serve(std::string(updater::kManifestFile), silent);
    Start(true, std::chrono::seconds(60));
    ASSERT_TRUE(run->WaitIdle());
    ASSERT_TRUE(WaitFor([&] { return !server.Requests().empty(); }, kAnswerTimeoutMs));
    EXPECT_TRUE(run->desk->updater().checking());
    EXPECT_EQ(run->desk->window().Text(editor::ControlId::SerialNumber), u"QX7SIM0000000001");
    Choose(MainWindow::kMenuKorean);
    ASSERT_TRUE(run->WaitIdle());
    EXPECT_EQ(run->desk->window().CaptionLanguage(), Language::Korean);

    QElapsedTimer timer;
    timer.start();
    run.reset();
    EXPECT_LT(timer.elapsed(), kAnswerTimeoutMs);
    EXPECT_TRUE(seen.empty());
}

}  // namespace
}  // namespace qx7::ui
