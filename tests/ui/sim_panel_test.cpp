// The "Drive simulator" panel driven with clicks: each change reaches the
// selected drive only, is what the simulator then answers, and raises the
// device events real hardware would.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <array>
#include <filesystem>
#include <memory>
#include <vector>

#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "support/temp_folder.h"
#include "transport/discovery.h"
#include "transport/drive_commands.h"
#include "ui/sim_panel/simulator_panel.h"

namespace qx7::ui {
namespace {

using sim::DefaultDrive;
using sim::SimDrive;
using sim::SimState;
using sim::UnlockMode;
using testing::ElementsAre;
using transport::DeviceEvent;
using Events = std::vector<DeviceEvent>;

// Two drives: the first with a CD-ROM, the second without.
SimState TwoDrives() {
    SimState state{{DefaultDrive(0), DefaultDrive(1)}};
    state.drives[1].has_cdrom = false;
    return state;
}

class SimPanelTest : public testing::Test {
protected:
    explicit SimPanelTest(std::unique_ptr<sim::SimSession> session = std::make_unique<sim::SimSession>(TwoDrives()))
        : session_(std::move(session)),
          bus_(*session_),
          panel_(*session_, bus_),
          spy_(&panel_, &SimulatorPanel::deviceEvents) {
        panel_.show();
    }

    template <typename T>
    T* Find(const char* name) {
        T* widget = panel_.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Click(const char* name) { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }
    void Type(const char* name, const QString& text) {
        QLineEdit* edit = Find<QLineEdit>(name);
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    // Selects drive `index` by clicking its row in the list.
    void ClickDrive(int index) {
        QTableWidget* list = Find<QTableWidget>("drives");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(index, 1)).center());
        ASSERT_EQ(panel_.SelectedDrive(), index);
    }
    QString Cell(int row, int column) { return Find<QTableWidget>("drives")->item(row, column)->text(); }
    std::vector<Events> Emitted() const {
        std::vector<Events> all;
        for (const QList<QVariant>& call : spy_) all.push_back(call.at(0).value<Events>());
        return all;
    }
    SimDrive Drive(std::size_t index) const { return session_->Snapshot().drives.at(index); }

    std::unique_ptr<sim::SimSession> session_;
    sim::SimBus bus_;
    SimulatorPanel panel_;
    QSignalSpy spy_;
};

TEST_F(SimPanelTest, ListsTheDrivesAndActsOnTheFirst) {
    EXPECT_EQ(panel_.windowTitle(), "Drive simulator");
    EXPECT_EQ(Find<QTableWidget>("drives")->rowCount(), 2);
    EXPECT_EQ(Cell(1, 1), "QX7SIM0000000002");
    EXPECT_EQ(panel_.SelectedDrive(), 0);
    EXPECT_FALSE(Find<QAbstractButton>("plug")->isEnabled());
    EXPECT_TRUE(Find<QAbstractButton>("unplug")->isEnabled());
    EXPECT_TRUE(Find<QAbstractButton>("modeAdmin")->isChecked());
}

TEST_F(SimPanelTest, UnplugAndPlugByClickRaiseTheEventsOfThatDriveOnly) {
    const SimDrive first = Drive(0);
    ClickDrive(1);
    Click("unplug");
    EXPECT_FALSE(Drive(1).plugged);
    EXPECT_EQ(Cell(1, 2), "no");
    EXPECT_TRUE(Find<QAbstractButton>("plug")->isEnabled());
    EXPECT_EQ(transport::ScanDrives(bus_).drive_count(), 1u);

    Click("plug");
    EXPECT_TRUE(Drive(1).plugged);
    EXPECT_EQ(Drive(0), first);
    // Drive 2 has a disk and no CD-ROM: one storage interface each way.
    EXPECT_THAT(Emitted(), ElementsAre(Events{DeviceEvent::Removal, DeviceEvent::NodesChanged},
                                       Events{DeviceEvent::NodesChanged, DeviceEvent::Arrival}));
}

TEST_F(SimPanelTest, AddDriveAppendsAPluggedDefaultDriveAsAnArrival) {
    Click("addDrive");
    ASSERT_EQ(session_->Snapshot().drives.size(), 3u);
    EXPECT_EQ(Drive(2), DefaultDrive(2));
    EXPECT_THAT(Emitted(), ElementsAre(Events{DeviceEvent::NodesChanged, DeviceEvent::Arrival, DeviceEvent::Arrival}));
    EXPECT_EQ(Find<QTableWidget>("drives")->rowCount(), 3);
    EXPECT_EQ(panel_.SelectedDrive(), 2);
    EXPECT_EQ(transport::ScanDrives(bus_).drive_count(), 3u);
}

// A drive connected while its mode changes leaves the bus and comes back
// (the keypad is used on a connected drive), losing its channel; an
// unplugged drive just keeps the new mode.
TEST_F(SimPanelTest, ModeChangeIsStoredAndReconnectsAPluggedDrive) {
    ASSERT_TRUE(bus_.Unplug(1));
    bus_.TakeEvents();
    struct Case {
        int drive;
        const char* button;
        UnlockMode mode;
        std::vector<Events> events;
    };
    const Case cases[] = {
        {0,
         "modeUser",
         UnlockMode::User,
         {{DeviceEvent::Removal, DeviceEvent::Removal, DeviceEvent::NodesChanged, DeviceEvent::NodesChanged,
           DeviceEvent::Arrival, DeviceEvent::Arrival}}},
        {0,
         "modeLocked",
         UnlockMode::Locked,
         {{DeviceEvent::Removal, DeviceEvent::Removal, DeviceEvent::NodesChanged, DeviceEvent::NodesChanged,
           DeviceEvent::Arrival, DeviceEvent::Arrival}}},
        {1, "modeUser", UnlockMode::User, {}},
    };
    for (const Case& c : cases) {
        spy_.clear();
        session_->runtime(0).channel_keyed = true;
        const SimDrive other = Drive(static_cast<std::size_t>(1 - c.drive));
        const bool plugged = Drive(static_cast<std::size_t>(c.drive)).plugged;
        ClickDrive(c.drive);
        Click(c.button);
        const SimDrive changed = Drive(static_cast<std::size_t>(c.drive));
        EXPECT_EQ(changed.mode, c.mode) << c.button;
        EXPECT_EQ(changed.plugged, plugged) << c.button;
        EXPECT_EQ(Drive(static_cast<std::size_t>(1 - c.drive)), other) << c.button;
        EXPECT_EQ(Emitted(), c.events) << c.button;
        if (c.drive == 0) {
            EXPECT_FALSE(session_->runtime(0).channel_keyed) << c.button;
        }
    }
    EXPECT_EQ(Cell(0, 3), "locked");
}

TEST_F(SimPanelTest, PresentTagQueuesATypedOrRandomUidAtTheReader) {
    const SimDrive first = Drive(0);
    const std::size_t queued = Drive(1).reader_queue.size();
    ClickDrive(1);
    Type("tagUid", "04:11:22 33");
    Click("presentTag");
    sim::SimTag typed{0x04, 0x11, 0x22, 0x33};
    typed[16] = 4;
    ASSERT_EQ(Drive(1).reader_queue.size(), queued + 1);
    EXPECT_EQ(Drive(1).reader_queue.back(), typed);

    Type("tagUid", "");
    Click("presentTag");
    ASSERT_EQ(Drive(1).reader_queue.size(), queued + 2);
    const sim::SimTag random = Drive(1).reader_queue.back();
    EXPECT_EQ(random[16], 7);
    EXPECT_TRUE(std::all_of(random.begin() + 7, random.end() - 3, [](std::uint8_t b) { return b == 0; }));

    for (const char* wrong : {"0g", "123", "00112233445566778899aabbccddeeff00"}) {
        Type("tagUid", wrong);
        Click("presentTag");
        EXPECT_THAT(panel_.StatusText().toStdString(), testing::StartsWith("Not done")) << wrong;
    }
    EXPECT_EQ(Drive(1).reader_queue.size(), queued + 2);
    EXPECT_EQ(Cell(1, 6), QString::number(queued + 2));
    EXPECT_EQ(Drive(0), first);
    EXPECT_TRUE(Emitted().empty());

    // The drive's tag reads then take the queued tags in order.
    const auto device = session_->Open(1);
    sim::SimTag read{};
    for (std::size_t i = 0; i <= queued; ++i) {
        ASSERT_TRUE(transport::SystemCommandRead(*device, 0x38, {0, 0, 0, 0, 0, 0, 0x13, 0x88}, 19, read));
    }
    EXPECT_EQ(read, typed);
}

TEST_F(SimPanelTest, FaultFailsTheNextMatchingCommandOnce) {
    const SimDrive second = Drive(1);
    Find<QComboBox>("faultMode")->setCurrentIndex(1);  // I/O error
    Type("faultPrefix", "12");
    Click("injectFault");
    ASSERT_FALSE(Drive(0).faults.empty());
    EXPECT_EQ(Drive(0).faults.front(), (sim::SimFault{{0x12}, sim::SimFault::Mode::Io, 1}));
    EXPECT_EQ(Cell(0, 7), "1");
    EXPECT_EQ(Drive(1), second);

    const auto device = session_->Open(0);
    std::array<std::uint8_t, transport::kInquirySize> inquiry{};
    EXPECT_FALSE(transport::ScsiInquiry(*device, inquiry));
    EXPECT_TRUE(transport::ScsiInquiry(*device, inquiry));
    panel_.Refresh();  // what the timer does
    EXPECT_EQ(Cell(0, 7), "0");

    for (const char* wrong : {"3c0", "3c 01 zz", "00112233445566778899aabbccddeeff00"}) {
        Type("faultPrefix", wrong);
        Click("injectFault");
        EXPECT_THAT(panel_.StatusText().toStdString(), testing::StartsWith("Not done")) << wrong;
    }
    EXPECT_EQ(Drive(0).faults.size(), 1u);
}

// The panel over a session with a state file.
class SimPanelFileTest : public SimPanelTest {
protected:
    SimPanelFileTest() : SimPanelFileTest(std::make_unique<qx7::test::TempFolder>("qx7-panel")) {}

    // Made before the session in the base class, which loads a file there.
    std::unique_ptr<qx7::test::TempFolder> temp_;
    const std::filesystem::path& folder_ = temp_->path();

private:
    explicit SimPanelFileTest(std::unique_ptr<qx7::test::TempFolder> temp)
        : SimPanelTest(Load(temp->path())), temp_(std::move(temp)) {}
    static std::unique_ptr<sim::SimSession> Load(const std::filesystem::path& folder) {
        std::string error;
        auto session = sim::SimSession::Load((folder / "sim.json").string(), &error);
        EXPECT_NE(session, nullptr) << error;
        return session ? std::move(session) : std::make_unique<sim::SimSession>(TwoDrives());
    }
};

// What the file cannot take is not done, and the panel says so.
TEST_F(SimPanelFileTest, AChangeThatCannotBeSavedIsRefusedAndSaid) {
    ASSERT_FALSE(session_->path().empty());
    std::filesystem::remove_all(folder_);
    const SimState before = session_->Snapshot();
    Click("unplug");
    EXPECT_THAT(panel_.StatusText().toStdString(), testing::StartsWith("Not done: cannot create"));
    Click("modeUser");
    Click("addDrive");
    EXPECT_EQ(session_->Snapshot(), before);
    EXPECT_TRUE(Emitted().empty());
    EXPECT_TRUE(Find<QAbstractButton>("modeAdmin")->isChecked());
}

TEST(SimPanelPlacement, SitsRightOfTheWindowOrLeftWhenThereIsNoRoom) {
    sim::SimSession session(TwoDrives());
    sim::SimBus bus(session);
    SimulatorPanel panel(session, bus);
    QWidget window;
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    // Narrow enough for the screen to hold it on either side of the window,
    // whatever the font makes of its size.
    panel.setMaximumWidth(room.width() / 3);
    window.setGeometry(room.left() + 10, room.top() + 20, 100, 100);
    panel.PlaceBeside(&window);
    EXPECT_EQ(panel.pos(), QPoint(window.frameGeometry().right() + 9, window.frameGeometry().top()));

    window.move(room.right() - window.frameGeometry().width() - 10, room.top() + 20);
    panel.PlaceBeside(&window);
    EXPECT_EQ(panel.frameGeometry().right(), window.frameGeometry().left() - 9);
    EXPECT_EQ(panel.pos().y(), window.frameGeometry().top());
}

// Following the main window: placed when the window is shown, and again when
// it widens (for a drive with an RFID reader), so it never covers the RFID
// group or the band's buttons; narrowing leaves it where it is. (The
// offscreen screen is too small for the real window's wide size, so a
// window of fixed sizes stands in for it.)
TEST(SimPanelPlacement, FollowsTheWindowWhenItWidens) {
    sim::SimSession session(TwoDrives());
    sim::SimBus bus(session);
    SimulatorPanel panel(session, bus);
    QWidget window;
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    panel.setMaximumWidth(room.width() / 3);
    window.setFixedSize(100, 100);
    window.move(room.left() + 10, room.top() + 20);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    panel.FollowBeside(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto beside = [&] {
        return panel.pos() == QPoint(window.frameGeometry().right() + 9, window.frameGeometry().top());
    };
    EXPECT_TRUE(beside());

    window.setFixedSize(150, 100);
    QCoreApplication::processEvents();
    EXPECT_TRUE(beside());
    EXPECT_FALSE(panel.frameGeometry().intersects(window.frameGeometry()));

    const QPoint wide_place = panel.pos();
    window.setFixedSize(100, 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(panel.pos(), wide_place);
    window.setFixedSize(150, 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(panel.pos(), wide_place);
}

}  // namespace
}  // namespace qx7::ui
