// The desktop program's window at work over simulated drives: real widgets
// driven by simulated mouse and keyboard input, the logic on its own thread,
// and the drives' state checked afterwards.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocalSocket>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <span>
#include <thread>

#include "protocol/constants.h"
#include "protocol/records.h"
#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "strings/string_table.h"
#include "support/event_wait.h"
#include "support/session_over_sim.h"
#include "support/temp_folder.h"
#include "transport/device_enumerator.h"
#include "ui/dialogs/extended_options_dialog.h"
#include "ui/shell/desktop_session.h"
#include "ui/widgets/icon_button.h"
#include "ui/window/main_window.h"

namespace qx7::ui {
namespace {

using editor::ControlId;
using transport::DeviceEvent;

using test_support::WaitFor;

sim::SimDrive DriveWithoutReader(std::size_t ordinal) {
    sim::SimDrive drive = sim::DefaultDrive(ordinal);
    drive.rfid_reader = false;
    return drive;
}

class DesktopSessionTest : public ::testing::Test {
public:
    void Start(std::vector<sim::SimDrive> drives = {sim::DefaultDrive(0)}) {
        run.reset();
        run = std::make_unique<test_support::SessionOverSim>(std::move(drives));
        ASSERT_TRUE(WaitIdle());
        first_folder = window().Text(ControlId::FolderField);
        window().SetText(ControlId::FolderField, QString::fromStdString(dir.string()).toStdU16String());
    }

    bool WaitIdle(int timeout_ms = 20000) { return run->WaitIdle(timeout_ms); }

    MainWindow& window() { return run->window(); }
    QWidget* control(ControlId id) { return window().Control(id); }

    void Click(ControlId id) {
        QWidget* widget = control(id);
        ASSERT_NE(widget, nullptr) << static_cast<int>(id);
        // Check boxes take clicks on their box and caption only: aim at the box.
        const QPoint at = qobject_cast<QCheckBox*>(widget) ? QPoint(6, widget->height() / 2) : widget->rect().center();
        QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    }

    // Two drives plugged in, the second picked from the drive list with the
    // keyboard and read.
    void StartOnSecondDrive() {
        Start({sim::DefaultDrive(0), sim::DefaultDrive(1)});
        auto* list = qobject_cast<QComboBox*>(control(ControlId::DriveList));
        ASSERT_NE(list, nullptr);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        ASSERT_TRUE(WaitIdle());
        ASSERT_EQ(window().Text(ControlId::SerialNumber), u"QX7SIM0000000002");
    }

    // What an administrator does for a settings change: tick Change Settings,
    // set the self destruct limit, type the current password, upload.
    void PrepareSettingsChange() {
        Click(ControlId::ChangeSettings);
        ASSERT_TRUE(WaitIdle());
        window().SetText(ControlId::SelfDestructCounter, u"25");
        auto* password = qobject_cast<QLineEdit*>(control(ControlId::CurrentPassword));
        ASSERT_NE(password, nullptr);
        password->setFocus();
        QTest::keyClicks(password, QStringLiteral("QX7ADMIN"));
    }

    void UploadByClick() {
        PrepareSettingsChange();
        Click(ControlId::UploadSettings);
        ASSERT_TRUE(WaitIdle());
    }

    std::vector<std::filesystem::path> Logs() const {
        std::vector<std::filesystem::path> logs;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (entry.path().filename().string().rfind("QX7Cfg_Log-", 0) == 0) logs.push_back(entry.path());
        }
        return logs;
    }

    qx7::test::TempFolder temp{"qx7-desktop"};
    const std::filesystem::path& dir = temp.path();
    std::unique_ptr<test_support::SessionOverSim> run;
    std::u16string first_folder;  // the folder field's text at start
};

TEST_F(DesktopSessionTest, StartUpScanFillsTheListAndTheWindowFollowsTheDrivesReader) {
    Start({sim::DefaultDrive(0), DriveWithoutReader(1)});
    EXPECT_EQ(window().ComboLines(ControlId::DriveList).size(), 2u);
    EXPECT_EQ(window().Text(ControlId::SerialNumber), u"QX7SIM0000000001");
    EXPECT_TRUE(window().Enabled(ControlId::ChangeSettings));
    EXPECT_TRUE(window().IsWide()) << "the first drive has a reader";
    const int wide = window().width();

    auto* list = qobject_cast<QComboBox*>(control(ControlId::DriveList));
    ASSERT_NE(list, nullptr);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window().ComboIndex(ControlId::DriveList), 1);
    EXPECT_EQ(window().Text(ControlId::SerialNumber), u"QX7SIM0000000002");
    EXPECT_FALSE(window().IsWide()) << "the second drive has none";
    EXPECT_LT(window().width(), wide);
    EXPECT_FALSE(window().IsBusy());
    EXPECT_TRUE(run->desk->dialogs().messages().isEmpty()) << run->desk->dialogs().messages().join("|").toStdString();
}

TEST_F(DesktopSessionTest, AnUploadThroughClicksReachesTheDriveAndExitWritesTheLog) {
    Start();
    UploadByClick();
    EXPECT_TRUE(run->desk->dialogs().messages().isEmpty()) << run->desk->dialogs().messages().join("|").toStdString();
    EXPECT_EQ(run->sim->state().drives[0].settings[8], 25);
    EXPECT_TRUE(std::filesystem::exists(dir / "QX7SIM0000000001.qx7")) << "saved automatically";
    EXPECT_FALSE(window().Enabled(ControlId::ChangeSettings)) << "the form is locked after an upload";
    EXPECT_FALSE(window().IsProgressShown());

    Click(ControlId::Exit);
    ASSERT_TRUE(WaitFor([this] { return run->ended.has_value(); }, 10000));
    EXPECT_EQ(*run->ended, static_cast<int>(app::DialogResult::Ok));
    ASSERT_EQ(Logs().size(), 1u);
    std::ifstream log(Logs().front(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(log), {}), "QX7SIM0000000001\r\n");
    EXPECT_FALSE(window().isVisible());
}

TEST_F(DesktopSessionTest, EveryWayOfClosingWritesTheLogOrNotAsItShould) {
    struct Case {
        const char* name;
        std::function<void(DesktopSessionTest&)> close;
        bool log_written;
        app::DialogResult result;
    } cases[] = {
        {"Esc", [](DesktopSessionTest& t) { QTest::keyClick(&t.window(), Qt::Key_Escape); }, true,
         app::DialogResult::Ok},
        {"Ctrl+X", [](DesktopSessionTest& t) { QTest::keyClick(&t.window(), Qt::Key_X, Qt::ControlModifier); }, true,
         app::DialogResult::Ok},
        {"window manager close", [](DesktopSessionTest& t) { t.window().close(); }, true, app::DialogResult::Ok},
        {"Ctrl+S", [](DesktopSessionTest& t) { QTest::keyClick(&t.window(), Qt::Key_S, Qt::ControlModifier); }, true,
         app::DialogResult::Ok},
        {"band close button",
         [](DesktopSessionTest& t) {
             QWidget* close = t.window().Button(1154);
             QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
         },
         true, app::DialogResult::Cancel},
    };
    for (const auto& tc : cases) {
        for (const auto& log : std::filesystem::directory_iterator(dir)) std::filesystem::remove(log.path());
        Start();
        UploadByClick();
        window().setFocus();
        tc.close(*this);
        ASSERT_TRUE(WaitFor([this] { return run->ended.has_value(); }, 10000)) << tc.name;
        EXPECT_EQ(*run->ended, static_cast<int>(tc.result)) << tc.name;
        EXPECT_EQ(Logs().size(), tc.log_written ? 1u : 0u) << tc.name;
    }
}

TEST_F(DesktopSessionTest, ALogThatCannotBeWrittenKeepsTheWindowOpen) {
    Start();
    UploadByClick();
    std::ofstream(dir / "a-file") << "x";
    window().SetText(ControlId::FolderField,
                     QString::fromStdString((dir / "a-file" / "logs").string()).toStdU16String());
    run->desk->dialogs().ClearMessages();
    Click(ControlId::Exit);
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(run->ended.has_value());
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(run->desk->dialogs().messages().size(), 1);

    // The folder can be changed and the next way out writes the log there.
    EXPECT_TRUE(window().Enabled(ControlId::FolderField));
    EXPECT_TRUE(window().Enabled(ControlId::FolderButton));
    auto* folder = qobject_cast<QLineEdit*>(control(ControlId::FolderField));
    ASSERT_NE(folder, nullptr);
    folder->setFocus();
    folder->selectAll();
    QTest::keyClicks(folder, QString::fromStdString(dir.string()));
    Click(ControlId::Exit);
    ASSERT_TRUE(WaitFor([this] { return run->ended.has_value(); }, 10000));
    EXPECT_EQ(Logs().size(), 1u);
}

// The band's close button and the Ctrl+S (OK) shortcut keep the window open
// when the log cannot be written, so the record of the run is not lost.
TEST_F(DesktopSessionTest, EveryWayOutRefusesToLoseALogThatCannotBeWritten) {
    const std::function<void(DesktopSessionTest&)> ways[] = {
        [](DesktopSessionTest& t) { QTest::keyClick(&t.window(), Qt::Key_S, Qt::ControlModifier); },
        [](DesktopSessionTest& t) {
            QWidget* close = t.window().Button(1154);
            QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
        },
        [](DesktopSessionTest& t) { t.window().close(); },
    };
    for (const auto& way : ways) {
        Start();
        UploadByClick();
        std::ofstream(dir / "a-file") << "x";
        window().SetText(ControlId::FolderField,
                         QString::fromStdString((dir / "a-file" / "logs").string()).toStdU16String());
        run->desk->dialogs().ClearMessages();
        window().setFocus();
        way(*this);
        ASSERT_TRUE(WaitIdle());
        EXPECT_FALSE(run->ended.has_value());
        EXPECT_TRUE(window().isVisible());
        EXPECT_EQ(run->desk->dialogs().messages().size(), 1);
    }
}

// A language switch starts the form again but keeps the drives configured
// so far: Exit still writes them all to the log.
TEST_F(DesktopSessionTest, ALanguageSwitchKeepsTheRunsLog) {
    Start();
    UploadByClick();
    emit window().menuCommand(MainWindow::kMenuKorean);
    ASSERT_TRUE(WaitIdle());
    window().SetText(ControlId::FolderField, QString::fromStdString(dir.string()).toStdU16String());
    Click(ControlId::Exit);
    ASSERT_TRUE(WaitFor([this] { return run->ended.has_value(); }, 10000));
    ASSERT_EQ(Logs().size(), 1u);
    std::ifstream log(Logs().front(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(log), {}), "QX7SIM0000000001\r\n");
}

// The first folder is QX7 in the user's documents, made at start (the first
// automatic save goes there); a folder chosen with the folder button is the
// first folder of the next run while it exists.
TEST_F(DesktopSessionTest, TheFirstFolderIsTheUsersAndTheChoiceIsKept) {
    const QString documents = test_support::TestDocumentsFolder();
    ASSERT_FALSE(documents.isEmpty());
    QDir(documents).removeRecursively();
    QSettings(QSettings::UserScope, "QX7", "qx7config").clear();
    Start();
    const QString first = QString::fromStdU16String(first_folder);
    EXPECT_EQ(first, QDir::toNativeSeparators(QDir(documents).filePath("QX7"))) << "with the system's separator";
    EXPECT_NE(QDir(first), QDir(QCoreApplication::applicationDirPath()));
    EXPECT_TRUE(QFileInfo(first).isDir()) << "made at start";

    // The first upload saves there.
    window().SetText(ControlId::FolderField, first_folder);
    UploadByClick();
    EXPECT_TRUE(QFileInfo::exists(QDir(first).filePath("QX7SIM0000000001.qx7")));

    const QString chosen = QString::fromStdString((dir / "chosen").string());
    QDir().mkpath(chosen);
    Start();
    run->desk->dialogs().QueueFileAnswer(chosen);
    Click(ControlId::FolderButton);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(QString::fromStdU16String(window().Text(ControlId::FolderField)), chosen);
    Start();
    EXPECT_EQ(QString::fromStdU16String(first_folder), chosen) << "remembered";
    QDir(chosen).removeRecursively();
    Start();
    EXPECT_EQ(QString::fromStdU16String(first_folder), first) << "a folder gone is not used";
}

// Esc on an open drop-down list closes the list; the window stays.
TEST_F(DesktopSessionTest, EscOnAnOpenDropDownListClosesOnlyTheList) {
    Start();
    Click(ControlId::ChangeSettings);  // enables the language lists
    ASSERT_TRUE(WaitIdle());
    for (ControlId id : {ControlId::DriveList, ControlId::AdminLanguage}) {
        auto* list = qobject_cast<QComboBox*>(control(id));
        ASSERT_NE(list, nullptr) << static_cast<int>(id);
        list->setFocus();
        list->showPopup();
        ASSERT_TRUE(WaitFor([list] { return list->view()->isVisible(); }, 5000));
        QTest::keyClick(list->view(), Qt::Key_Escape);
        ASSERT_TRUE(WaitIdle());
        EXPECT_FALSE(list->view()->isVisible()) << static_cast<int>(id);
        EXPECT_FALSE(run->ended.has_value()) << static_cast<int>(id);
        EXPECT_TRUE(window().isVisible());
    }
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(DesktopSessionTest, CtrlCUploadsOnlyWhileTheUploadButtonIsEnabled) {
    Start();
    auto* password = qobject_cast<QLineEdit*>(control(ControlId::CurrentPassword));
    password->setFocus();
    QTest::keyClicks(password, QStringLiteral("QX7ADMIN"));
    ASSERT_FALSE(window().Enabled(ControlId::UploadSettings));
    const auto before = run->sim->state().drives[0].settings;
    QTest::keyClick(password, Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(run->desk->dialogs().messages().isEmpty());
    EXPECT_EQ(run->sim->state().drives[0].settings, before);

    password->clear();
    PrepareSettingsChange();
    ASSERT_TRUE(window().Enabled(ControlId::UploadSettings));
    QTest::keyClick(password, Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(run->sim->state().drives[0].settings[8], 25);
}

TEST_F(DesktopSessionTest, TheLanguageMenuSwitchesTheCaptionsAndReadsTheDriveAgain) {
    Start();
    const int scans = run->devices->scans.load();
    emit window().menuCommand(MainWindow::kMenuKorean);
    ASSERT_TRUE(WaitIdle());
    auto* upload = window().Button(static_cast<int>(ControlId::UploadSettings));
    ASSERT_NE(upload, nullptr);
    EXPECT_EQ(upload->text().toStdU16String(),
              strings::FormatResString(strings::Language::Korean, strings::StringId::UploadSettings));
    EXPECT_EQ(run->devices->scans.load(), scans + 1);
    EXPECT_TRUE(window().Enabled(ControlId::ChangeSettings)) << "the drive was read again";

    emit window().menuCommand(MainWindow::kMenuEnglish);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(upload->text(), QStringLiteral("Upload Settings To QX7"));
}

TEST_F(DesktopSessionTest, ABurstOfDeviceEventsGivesOneRescan) {
    Start();
    const int scans = run->devices->scans.load();
    run->desk->DeliverDeviceEvents({DeviceEvent::NodesChanged, DeviceEvent::Removal, DeviceEvent::Arrival,
                                    DeviceEvent::NodesChanged, DeviceEvent::Removal});
    ASSERT_TRUE(WaitFor([&] { return run->devices->scans.load() > scans; }, 10000));
    ASSERT_TRUE(WaitIdle());
    QTest::qWait(2500);  // long enough for a second rescan, were one pending
    EXPECT_EQ(run->devices->scans.load(), scans + 1);
}

// The user-interface thread goes on handling events while the logic waits
// for a slow drive: a timer on it keeps firing and the window shows that
// the program is busy.
TEST_F(DesktopSessionTest, TheWindowKeepsWorkingWhileADriveAnswersSlowly) {
    Start();
    PrepareSettingsChange();
    run->sim->state().drives[0].latency_ms = 200;  // set while no command runs
    int ticks_while_busy = 0;
    bool seen_busy = false;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (!run->desk->Idle()) ++ticks_while_busy;
        seen_busy = seen_busy || window().IsBusy();
    });
    tick.start(10);
    Click(ControlId::UploadSettings);
    ASSERT_TRUE(WaitIdle());
    tick.stop();
    EXPECT_EQ(run->sim->state().drives[0].settings[8], 25);
    EXPECT_GT(ticks_while_busy, 10);
    EXPECT_TRUE(seen_busy);
    EXPECT_FALSE(window().IsBusy());
}

bool KeyToneOff(const sim::SimDrive& drive) { return (drive.settings[0] & 0x2) != 0; }

// Holds the drives' latency waits until the test opens it: the test knows a
// drive command is under way, with no clock involved.
struct LatencyGate {
    explicit LatencyGate(sim::SimSession& session) {
        session.SetSleeper([this](std::chrono::milliseconds) {
            entered = true;
            while (!open) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    }
    bool WaitEntered() {
        return WaitFor([this] { return entered.load(); }, 10000);
    }
    std::atomic<bool> entered{false};
    std::atomic<bool> open{false};
};

// Input that reaches the form while a slow command runs is either refused or
// kept: never shown and then undone. The upload afterwards writes what the
// screen shows.
TEST_F(DesktopSessionTest, EditsDuringASlowProbeAreNotUndoneAndTheUploadWritesTheScreen) {
    Start();
    ASSERT_FALSE(KeyToneOff(run->sim->state().drives[0]));
    LatencyGate gate(*run->sim);
    run->sim->state().drives[0].latency_ms = 300;  // set while no command runs
    Click(ControlId::ChangeSettings);              // its handler probes the drive
    ASSERT_TRUE(gate.WaitEntered());
    auto* disable = qobject_cast<QAbstractButton*>(control(ControlId::KeyToneDisable));
    ASSERT_NE(disable, nullptr);
    auto* password = qobject_cast<QLineEdit*>(control(ControlId::CurrentPassword));
    ASSERT_NE(password, nullptr);
    QTest::mouseClick(disable, Qt::LeftButton, {}, QPoint(6, disable->height() / 2));
    password->setFocus();
    QTest::keyClicks(password, QStringLiteral("QX7"));
    gate.open = true;
    ASSERT_TRUE(WaitIdle());
    // Held back while the drive answered, the input reaches the form after.
    EXPECT_TRUE(disable->isChecked()) << "the click was undone";
    EXPECT_EQ(password->text(), QStringLiteral("QX7")) << "the typing was undone";
    ASSERT_TRUE(disable->isChecked());
    password->setFocus();
    password->selectAll();
    QTest::keyClicks(password, QStringLiteral("QX7ADMIN"));
    Click(ControlId::UploadSettings);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(KeyToneOff(run->sim->state().drives[0]), disable->isChecked());
    EXPECT_TRUE(KeyToneOff(run->sim->state().drives[0]));
}

// Switching to another drive and clicking Upload before its settings are
// shown uploads nothing under the serial number and edits still on screen.
TEST_F(DesktopSessionTest, AnUploadRightAfterSwitchingDrivesWritesNothingUnseen) {
    Start({sim::DefaultDrive(0), sim::DefaultDrive(1)});
    PrepareSettingsChange();
    ASSERT_TRUE(window().Enabled(ControlId::UploadSettings));
    const auto first = run->sim->state().drives[0].settings;
    const auto second = run->sim->state().drives[1].settings;
    LatencyGate gate(*run->sim);
    run->sim->state().drives[1].latency_ms = 300;
    auto* list = qobject_cast<QComboBox*>(control(ControlId::DriveList));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_TRUE(gate.WaitEntered());
    // The serial number on screen when the button takes the click.
    std::u16string serial_shown;
    auto* upload = qobject_cast<QAbstractButton*>(control(ControlId::UploadSettings));
    QObject::connect(upload, &QAbstractButton::clicked, [&] { serial_shown = window().Text(ControlId::SerialNumber); });
    Click(ControlId::UploadSettings);
    gate.open = true;
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(run->sim->state().drives[0].settings, first);
    if (run->sim->state().drives[1].settings != second) {
        EXPECT_EQ(serial_shown, u"QX7SIM0000000002") << "drive 2 written while drive 1 was shown";
    }
}

// A drive plugged in while another is being edited: the rescan keeps the
// drive selected and its edits, and an upload goes to that drive.
TEST_F(DesktopSessionTest, ARescanKeepsTheDriveBeingEditedAndItsEdits) {
    ASSERT_NO_FATAL_FAILURE(StartOnSecondDrive());
    PrepareSettingsChange();
    const auto first = run->sim->state().drives[0].settings;

    run->sim->state().drives.push_back(sim::DefaultDrive(2));  // no command runs now
    const int scans = run->devices->scans.load();
    run->desk->DeliverDeviceEvents({DeviceEvent::NodesChanged});
    ASSERT_TRUE(WaitFor([&] { return run->devices->scans.load() > scans; }, 10000));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window().ComboLines(ControlId::DriveList).size(), 3u);
    EXPECT_EQ(window().ComboIndex(ControlId::DriveList), 1);
    EXPECT_EQ(window().Text(ControlId::SerialNumber), u"QX7SIM0000000002");
    EXPECT_EQ(window().Text(ControlId::CurrentPassword), u"QX7ADMIN") << "the typed password is kept";
    EXPECT_TRUE(window().Checked(ControlId::ChangeSettings));
    EXPECT_EQ(window().Text(ControlId::SelfDestructCounter), u"25");

    const auto third = run->sim->state().drives[2].settings;
    Click(ControlId::UploadSettings);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(run->sim->state().drives[1].settings[8], 25);
    EXPECT_EQ(run->sim->state().drives[0].settings, first) << "only the chosen drive is written";
    EXPECT_EQ(run->sim->state().drives[2].settings, third) << "only the chosen drive is written";

    // The drive being edited unplugged: the rescan reads line 1.
    run->sim->state().drives[1].plugged = false;
    run->desk->DeliverDeviceEvents({DeviceEvent::NodesChanged});
    ASSERT_TRUE(WaitFor([&] { return window().ComboLines(ControlId::DriveList).size() == 2u; }, 10000));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window().Text(ControlId::SerialNumber), u"QX7SIM0000000001");
}

// A number being typed, not yet one the form accepts, when another drive is
// plugged in: the rescan shows no message about it and leaves it as typed.
TEST_F(DesktopSessionTest, ARescanLeavesAHalfTypedNumberAlone) {
    Start();
    Click(ControlId::ChangeSettings);
    ASSERT_TRUE(WaitIdle());
    auto* counter = qobject_cast<QAbstractSpinBox*>(control(ControlId::SelfDestructCounter));
    ASSERT_NE(counter, nullptr);
    for (const QString& typed : {QStringLiteral("3"), QString()}) {
        SCOPED_TRACE(typed.toStdString());
        counter->setFocus();
        counter->selectAll();
        if (typed.isEmpty())
            QTest::keyClick(counter, Qt::Key_Delete);
        else
            QTest::keyClicks(counter, typed);
        ASSERT_EQ(counter->text(), typed);
        run->desk->dialogs().ClearMessages();
        run->sim->state().drives.push_back(sim::DefaultDrive(run->sim->state().drives.size()));
        const int scans = run->devices->scans.load();
        run->desk->DeliverDeviceEvents({DeviceEvent::NodesChanged});
        ASSERT_TRUE(WaitFor([&] { return run->devices->scans.load() > scans; }, 10000));
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(window().Text(ControlId::SerialNumber), u"QX7SIM0000000001");
        EXPECT_EQ(counter->text(), typed);
        EXPECT_TRUE(run->desk->dialogs().messages().isEmpty())
            << run->desk->dialogs().messages().join('|').toStdString();
    }
}

// What every control of the form shows and whether it takes input, by id
// (the drive list aside: its lines change with the drives plugged in).
std::map<int, std::string> Screen(MainWindow& window) {
    std::map<int, std::string> screen;
    for (int id = 1003; id <= 1150; ++id) {
        QWidget* widget = window.Control(id);
        if (!widget) continue;
        QString shown;
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            shown = "text " + edit->text();
        } else if (auto* number = qobject_cast<QAbstractSpinBox*>(widget)) {
            shown = "number " + number->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            shown = button->isCheckable() ? (button->isChecked() ? "ticked" : "not ticked") : "button";
        } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
            shown = QStringLiteral("line %1 of %2").arg(list->currentIndex()).arg(list->count());
        } else {
            continue;  // labels and groups
        }
        screen[id] = (shown + (widget->isEnabled() ? "" : " (greyed)")).toStdString();
    }
    return screen;
}

// Every kind of edit (typed numbers and passwords, radio pairs, a list,
// change boxes, tags read from the reader, an administrator tag, extended
// options) survives another drive being plugged in, and the upload then
// writes what the screen shows to the drive being edited only.
TEST_F(DesktopSessionTest, ARescanKeepsEveryEditOnScreenAndTheUploadWritesIt) {
    ASSERT_NO_FATAL_FAILURE(StartOnSecondDrive());
    Click(ControlId::ChangeSettings);  // six languages on this drive
    ASSERT_TRUE(WaitIdle());

    const auto type = [&](ControlId id, const QString& text) {
        QWidget* widget = control(id);
        widget->setFocus();
        if (auto* number = qobject_cast<QAbstractSpinBox*>(widget)) number->selectAll();
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
        QTest::keyClicks(widget, text);
    };
    const auto click = [&](ControlId id) {
        Click(id);
        ASSERT_TRUE(WaitIdle());
    };
    type(ControlId::SelfDestructCounter, "30");
    type(ControlId::MinPasswordLength, "9");
    type(ControlId::AutoLockDelay, "120");
    click(ControlId::SelfDestructEnable);
    click(ControlId::KeyToneDisable);
    click(ControlId::RandomKeyPadDisable);
    click(ControlId::CentrawatchEnable);
    auto* admin_language = qobject_cast<QComboBox*>(control(ControlId::AdminLanguage));
    ASSERT_EQ(admin_language->count(), 6);
    admin_language->setFocus();
    for (int i = 0; i < 4; ++i) QTest::keyClick(admin_language, Qt::Key_Down);  // Japanese
    click(ControlId::ChangeAdminPassword);
    type(ControlId::NewAdminPassword, "newpass9x");
    type(ControlId::ConfirmAdminPassword, "newpass9x");
    click(ControlId::RfidEnable);
    click(ControlId::ChangeRfidTagData);
    click(ControlId::ReadRfidTag);
    click(ControlId::ReadRfidTag);
    click(ControlId::AdminTag1);
    run->desk->dialogs().set_dialog_hook([](QDialog& dialog) {
        auto& options = dynamic_cast<ExtendedOptionsDialog&>(dialog);
        options.Box(1128)->setChecked(true);  // Centrawatch in administrator mode
        options.Box(1121)->setChecked(true);  // the drive's menu may not change self destruct
        options.accept();
    });
    click(ControlId::SetExtendedSettings);
    type(ControlId::CurrentPassword, "qx7admin");
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(window().Text(ControlId::TagField2), u"04 11 22 33 44 55 66 ");
    const std::map<int, std::string> edited = Screen(window());
    run->desk->dialogs().ClearMessages();

    run->sim->state().drives.push_back(sim::DefaultDrive(2));  // no command runs now
    const int scans = run->devices->scans.load();
    run->desk->DeliverDeviceEvents({DeviceEvent::NodesChanged});
    ASSERT_TRUE(WaitFor([&] { return run->devices->scans.load() > scans; }, 10000));
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(window().ComboLines(ControlId::DriveList).size(), 3u);
    EXPECT_EQ(window().ComboIndex(ControlId::DriveList), 1);
    const std::map<int, std::string> after = Screen(window());
    std::map<int, std::string> expected = edited;
    // Centrawatch on is never switched off from the form: the pair is
    // greyed whenever the settings group is enabled again.
    for (const ControlId id : {ControlId::CentrawatchEnable, ControlId::CentrawatchDisable}) {
        expected[static_cast<int>(id)] += " (greyed)";
    }
    for (const auto& [id, shown] : expected) EXPECT_EQ(after.at(id), shown) << "control " << id;
    EXPECT_TRUE(run->desk->dialogs().messages().isEmpty()) << run->desk->dialogs().messages().join('|').toStdString();

    const auto first = run->sim->state().drives[0];
    const auto third = run->sim->state().drives[2];
    Click(ControlId::UploadSettings);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(run->sim->state().drives[0], first) << "only the chosen drive is written";
    EXPECT_EQ(run->sim->state().drives[2], third) << "only the chosen drive is written";
    const sim::SimDrive& written = run->sim->state().drives[1];
    const auto record = protocol::SettingsRecord::Decode(std::span<const std::uint8_t, 52>(written.settings));
    EXPECT_EQ(record.self_destruct_limit, 30);
    EXPECT_EQ(record.min_password_length, 9);
    EXPECT_EQ(record.auto_lock_delay, 120);
    EXPECT_EQ(record.admin_language, 4);
    using namespace protocol;
    for (const auto& [bit, on] : {std::pair{kPolicySelfDestruct, true},
                                  {kPolicyKeyToneOff, true},
                                  {kPolicyRandomKeypad, false},
                                  {kPolicyCentrawatch, true},
                                  {kPolicyCentrawatchAdmin, true},
                                  {kPolicyRfid, true}}) {
        EXPECT_EQ((record.policy_flags & bit) != 0, on) << "policy bit " << bit;
    }
    EXPECT_EQ(record.block_menu_mask, kBlockMenuSelfDestruct);
    EXPECT_EQ(written.admin_password, "NEWPASS9X");
    ASSERT_EQ(written.tags.size(), 2u);
    EXPECT_EQ(written.tags[0][0], 0x04);
    EXPECT_EQ(written.tags[0][1], 0xA1);
    EXPECT_EQ(written.tags[1][1], 0x11);
}

#ifdef QX7CONFIG_PATH
// A second start raises the running window and ends at once with status 0.
TEST_F(DesktopSessionTest, ASecondStartEndsAndLeavesTheFirstRunning) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("TMPDIR", QString::fromStdString(dir.string()));  // the instance socket lives here
    const QStringList arguments{"--simulate", QString::fromStdString((dir / "sim.json").string()), "--no-update-check"};
    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(QX7CONFIG_PATH), arguments);
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(dir / "sim.json"); }, 10000));
    QTest::qWait(500);

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(QX7CONFIG_PATH), arguments);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    if (!first.waitForFinished(5000)) first.kill();
    first.waitForFinished(5000);
}
#endif

}  // namespace
}  // namespace qx7::ui
