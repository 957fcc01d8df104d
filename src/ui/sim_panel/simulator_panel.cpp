#include "ui/sim_panel/simulator_panel.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStringList>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "sim/firmware.h"
#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "strings/hex.h"

namespace qx7::ui {
namespace {

using sim::SimDrive;
using sim::SimState;
using sim::UnlockMode;

constexpr std::size_t kTagUidMax = 16;      // uid bytes of a tag
constexpr std::size_t kRandomUidBytes = 7;  // a common length for tag uids
constexpr std::size_t kTagUidLengthAt = 16;
constexpr std::size_t kCdbPrefixMax = 16;
constexpr int kPlaceGap = 8;  // pixels between the window and the panel

enum Column { kOrdinal, kSerial, kPlugged, kMode, kReader, kLanguages, kQueuedTags, kFaults, kColumns };

QString ModeName(UnlockMode mode) {
    switch (mode) {
        case UnlockMode::Admin: return QStringLiteral("admin");
        case UnlockMode::User: return QStringLiteral("user");
        case UnlockMode::Locked: return QStringLiteral("locked");
    }
    return {};
}

QString DriveName(std::size_t index) { return QStringLiteral("Drive %1").arg(index + 1); }

// Bytes as upper-case hex pairs with a space between them.
QString SpacedHex(std::span<const std::uint8_t> bytes) {
    QStringList pairs;
    for (const std::uint8_t byte : bytes) pairs << QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    return pairs.join(QLatin1Char(' '));
}

// Hex text typed by a person: pairs of digits, optionally separated by
// spaces, colons or hyphens. Nothing for anything else.
std::optional<std::vector<std::uint8_t>> ParseTypedHex(const QString& text) {
    std::string digits;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char(':') || c == QLatin1Char('-')) continue;
        if (c.unicode() > 0x7F) return std::nullopt;
        digits += static_cast<char>(c.unicode());
    }
    return strings::FromHex(digits);
}

std::size_t ActiveFaults(const SimDrive& drive) {
    return static_cast<std::size_t>(
        std::count_if(drive.faults.begin(), drive.faults.end(), [](const sim::SimFault& f) { return f.count != 0; }));
}

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

}  // namespace

SimulatorPanel::SimulatorPanel(sim::SimSession& session, sim::SimBus& bus, QWidget* parent)
    : QWidget(parent, Qt::Tool), session_(session), bus_(bus) {
    setWindowTitle(QStringLiteral("Drive simulator"));
    BuildWidgets();
    Refresh();
    if (drives_->rowCount() > 0) SelectDrive(0);
    UpdateControls();
    refresh_timer_ = new QTimer(this);
    connect(refresh_timer_, &QTimer::timeout, this, &SimulatorPanel::Refresh);
    refresh_timer_->start(kRefreshPeriodMs);
}

SimulatorPanel::~SimulatorPanel() = default;

void SimulatorPanel::BuildWidgets() {
    drives_ = new QTableWidget(0, kColumns, this);
    drives_->setObjectName(QStringLiteral("drives"));
    drives_->setHorizontalHeaderLabels({QStringLiteral("#"), QStringLiteral("Serial"), QStringLiteral("Plugged"),
                                        QStringLiteral("Mode"), QStringLiteral("Reader"), QStringLiteral("Languages"),
                                        QStringLiteral("Queued tags"), QStringLiteral("Faults")});
    drives_->verticalHeader()->hide();
    drives_->setSelectionBehavior(QAbstractItemView::SelectRows);
    drives_->setSelectionMode(QAbstractItemView::SingleSelection);
    drives_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    drives_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    connect(drives_, &QTableWidget::itemSelectionChanged, this, &SimulatorPanel::UpdateControls);

    drive_box_ = new QGroupBox(this);
    auto* form = new QFormLayout(drive_box_);

    plug_ = new QPushButton(QStringLiteral("Plug"), drive_box_);
    plug_->setObjectName(QStringLiteral("plug"));
    unplug_ = new QPushButton(QStringLiteral("Unplug"), drive_box_);
    unplug_->setObjectName(QStringLiteral("unplug"));
    connect(plug_, &QPushButton::clicked, this, [this] { SetPlugged(true); });
    connect(unplug_, &QPushButton::clicked, this, [this] { SetPlugged(false); });
    auto* plugging = new QHBoxLayout;
    plugging->addWidget(plug_);
    plugging->addWidget(unplug_);
    plugging->addStretch();
    form->addRow(QStringLiteral("USB:"), plugging);

    admin_ = new QRadioButton(QStringLiteral("Admin"), drive_box_);
    admin_->setObjectName(QStringLiteral("modeAdmin"));
    user_ = new QRadioButton(QStringLiteral("User"), drive_box_);
    user_->setObjectName(QStringLiteral("modeUser"));
    locked_ = new QRadioButton(QStringLiteral("Locked"), drive_box_);
    locked_->setObjectName(QStringLiteral("modeLocked"));
    mode_group_ = new QButtonGroup(this);
    mode_group_->addButton(admin_, static_cast<int>(UnlockMode::Admin));
    mode_group_->addButton(user_, static_cast<int>(UnlockMode::User));
    mode_group_->addButton(locked_, static_cast<int>(UnlockMode::Locked));
    // Only the user's clicks: setChecked() while showing a drive does not.
    connect(mode_group_, &QButtonGroup::idClicked, this, [this](int id) { SetMode(static_cast<UnlockMode>(id)); });
    auto* modes = new QHBoxLayout;
    modes->addWidget(admin_);
    modes->addWidget(user_);
    modes->addWidget(locked_);
    modes->addStretch();
    form->addRow(QStringLiteral("Unlocked as:"), modes);

    tag_uid_ = new QLineEdit(drive_box_);
    tag_uid_->setObjectName(QStringLiteral("tagUid"));
    tag_uid_->setPlaceholderText(QStringLiteral("uid (hex), empty for a random one"));
    present_tag_ = new QPushButton(QStringLiteral("Present tag"), drive_box_);
    present_tag_->setObjectName(QStringLiteral("presentTag"));
    connect(present_tag_, &QPushButton::clicked, this, &SimulatorPanel::PresentTag);
    connect(tag_uid_, &QLineEdit::returnPressed, present_tag_, &QPushButton::click);
    auto* tag = new QHBoxLayout;
    tag->addWidget(tag_uid_, 1);
    tag->addWidget(present_tag_);
    form->addRow(QStringLiteral("Reader:"), tag);

    fault_mode_ = new QComboBox(drive_box_);
    fault_mode_->setObjectName(QStringLiteral("faultMode"));
    fault_mode_->addItem(QStringLiteral("CHECK CONDITION"), static_cast<int>(sim::SimFault::Mode::Check));
    fault_mode_->addItem(QStringLiteral("I/O error"), static_cast<int>(sim::SimFault::Mode::Io));
    fault_prefix_ = new QLineEdit(drive_box_);
    fault_prefix_->setObjectName(QStringLiteral("faultPrefix"));
    fault_prefix_->setPlaceholderText(QStringLiteral("command prefix (hex)"));
    fault_prefix_->setMinimumWidth(fault_prefix_->fontMetrics().horizontalAdvance(fault_prefix_->placeholderText()) +
                                   fault_prefix_->fontMetrics().averageCharWidth() * 4);
    fault_prefix_->setToolTip(
        QStringLiteral("The first bytes of the command block to fail, e.g. 3c 01 ce 30; empty for any command"));
    inject_fault_ = new QPushButton(QStringLiteral("Fault on next command"), drive_box_);
    inject_fault_->setObjectName(QStringLiteral("injectFault"));
    connect(inject_fault_, &QPushButton::clicked, this, &SimulatorPanel::InjectFault);
    auto* fault = new QHBoxLayout;
    fault->addWidget(fault_mode_);
    fault->addWidget(fault_prefix_, 1);
    fault->addWidget(inject_fault_);
    form->addRow(QStringLiteral("Fault:"), fault);

    add_drive_ = new QPushButton(QStringLiteral("Add drive"), this);
    add_drive_->setObjectName(QStringLiteral("addDrive"));
    connect(add_drive_, &QPushButton::clicked, this, &SimulatorPanel::AddDrive);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(drives_, 1);
    auto* below = new QHBoxLayout;
    below->addWidget(add_drive_);
    below->addStretch();
    layout->addLayout(below);
    layout->addWidget(drive_box_);
    layout->addWidget(status_);
}

int SimulatorPanel::SelectedDrive() const {
    const QList<QTableWidgetItem*> items = drives_->selectedItems();
    return items.isEmpty() ? -1 : items.front()->row();
}

void SimulatorPanel::SelectDrive(int index) {
    if (index >= 0 && index < drives_->rowCount()) drives_->selectRow(index);
}

QString SimulatorPanel::StatusText() const { return status_->text(); }

void SimulatorPanel::Refresh() {
    SimState state = session_.Snapshot();
    if (shown_ && *shown_ == state) return;
    ShowState(state);
    shown_ = std::move(state);
    UpdateControls();
}

void SimulatorPanel::ShowState(const SimState& state) {
    const int selected = SelectedDrive();
    const int rows = static_cast<int>(state.drives.size());
    drives_->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const SimDrive& drive = state.drives[static_cast<std::size_t>(row)];
        const auto set = [&](Column column, const QString& text) { drives_->setItem(row, column, Cell(text)); };
        set(kOrdinal, QString::number(row + 1));
        set(kSerial, QString::fromStdString(drive.serial_string));
        drives_->item(row, kSerial)->setToolTip(QStringLiteral("Device id %1").arg(SpacedHex(drive.device_id)));
        set(kPlugged, drive.plugged ? QStringLiteral("yes") : QStringLiteral("no"));
        set(kMode, ModeName(drive.mode));
        set(kReader, drive.rfid_reader ? QStringLiteral("yes") : QStringLiteral("no"));
        set(kLanguages, QString::number(drive.languages));
        set(kQueuedTags, QString::number(drive.reader_queue.size()));
        set(kFaults, QString::number(ActiveFaults(drive)));
    }
    drives_->resizeColumnsToContents();
    if (rows > 0) SelectDrive(std::clamp(selected, 0, rows - 1));
}

void SimulatorPanel::UpdateControls() {
    const int index = SelectedDrive();
    const SimDrive* drive = nullptr;
    if (shown_ && index >= 0 && static_cast<std::size_t>(index) < shown_->drives.size()) {
        drive = &shown_->drives[static_cast<std::size_t>(index)];
    }
    drive_box_->setEnabled(drive != nullptr);
    drive_box_->setTitle(drive ? DriveName(static_cast<std::size_t>(index)) : QStringLiteral("No drive"));
    if (!drive) return;
    plug_->setEnabled(!drive->plugged);
    unplug_->setEnabled(drive->plugged);
    mode_group_->button(static_cast<int>(drive->mode))->setChecked(true);
    // The firmware refuses tag reads on a drive without a reader.
    present_tag_->setEnabled(drive->rfid_reader);
    tag_uid_->setEnabled(drive->rfid_reader);
}

void SimulatorPanel::Finish(const QString& outcome, const std::string& error) {
    const std::vector<transport::DeviceEvent> events = bus_.TakeEvents();
    if (!events.empty()) emit deviceEvents(events);
    status_->setText(error.empty() ? outcome : QStringLiteral("Not done: %1").arg(QString::fromStdString(error)));
    Refresh();
    // Also after a refused change, so that the controls show the drive as it is.
    UpdateControls();
}

void SimulatorPanel::SetPlugged(bool plugged) {
    const int index = SelectedDrive();
    if (index < 0) return;
    const auto i = static_cast<std::size_t>(index);
    std::string error;
    const bool changed = plugged ? bus_.Plug(i, &error) : bus_.Unplug(i, &error);
    Finish(changed ? QStringLiteral("%1 %2.").arg(DriveName(i),
                                                  plugged ? QStringLiteral("plugged in") : QStringLiteral("unplugged"))
                   : QString(),
           error);
}

void SimulatorPanel::SetMode(UnlockMode mode) {
    const int index = SelectedDrive();
    if (index < 0) return;
    const auto i = static_cast<std::size_t>(index);
    const SimState state = session_.Snapshot();
    if (i >= state.drives.size() || state.drives[i].mode == mode) return;

    // The keypad unlocks a drive while it is connected: the drive leaves the
    // bus and comes back in the new mode, with its channel gone.
    std::string error;
    const bool unplugged = state.drives[i].plugged && bus_.Unplug(i, &error);
    if (!error.empty()) return Finish({}, error);
    session_.Edit(
        [&](SimState& s) {
            if (i < s.drives.size()) s.drives[i].mode = mode;
        },
        &error);
    std::string plug_error;
    if (unplugged) bus_.Plug(i, &plug_error);
    if (error.empty()) error = plug_error;
    Finish(QStringLiteral("%1 unlocked as %2%3.")
               .arg(DriveName(i), ModeName(mode), unplugged ? QStringLiteral(" (reconnected)") : QString()),
           error);
}

void SimulatorPanel::PresentTag() {
    const int index = SelectedDrive();
    if (index < 0) return;
    const auto i = static_cast<std::size_t>(index);
    std::vector<std::uint8_t> uid;
    if (tag_uid_->text().trimmed().isEmpty()) {
        uid.resize(kRandomUidBytes);
        sim::SystemRandom(uid);
    } else {
        const auto typed = ParseTypedHex(tag_uid_->text());
        if (!typed || typed->empty() || typed->size() > kTagUidMax) {
            return Finish({}, "a tag uid is 1 to 16 bytes in hex, e.g. 04 A1 B2 C3");
        }
        uid = *typed;
    }
    sim::SimTag tag{};
    std::copy(uid.begin(), uid.end(), tag.begin());
    tag[kTagUidLengthAt] = static_cast<std::uint8_t>(uid.size());

    std::string error;
    session_.Edit(
        [&](SimState& s) {
            if (i < s.drives.size()) s.drives[i].reader_queue.push_back(tag);
        },
        &error);
    Finish(QStringLiteral("%1: tag %2 waits at the reader.").arg(DriveName(i), SpacedHex(uid)), error);
}

void SimulatorPanel::InjectFault() {
    const int index = SelectedDrive();
    if (index < 0) return;
    const auto i = static_cast<std::size_t>(index);
    const auto prefix = ParseTypedHex(fault_prefix_->text());
    if (!prefix || prefix->size() > kCdbPrefixMax) {
        return Finish({}, "a command prefix is up to 16 bytes in hex, e.g. 3c 01 ce 30");
    }
    sim::SimFault fault;
    fault.cdb_prefix = *prefix;
    fault.mode = static_cast<sim::SimFault::Mode>(fault_mode_->currentData().toInt());
    fault.count = 1;

    std::string error;
    // First in the list, so that it takes the next matching command even
    // when an older fault matches it too.
    session_.Edit(
        [&](SimState& s) {
            if (i < s.drives.size()) s.drives[i].faults.insert(s.drives[i].faults.begin(), fault);
        },
        &error);
    Finish(QStringLiteral("%1: the next %2 fails with %3.")
               .arg(DriveName(i),
                    prefix->empty() ? QStringLiteral("command")
                                    : QStringLiteral("command starting %1").arg(SpacedHex(*prefix)),
                    fault_mode_->currentText()),
           error);
}

void SimulatorPanel::AddDrive() {
    // The new drive is stored unplugged first and then plugged in, so that
    // its arrival raises the events a real one would.
    std::size_t added = 0;
    std::string error;
    const bool stored = session_.Edit(
        [&](SimState& s) {
            added = s.drives.size();
            SimDrive drive = sim::DefaultDrive(added);
            drive.plugged = false;
            s.drives.push_back(std::move(drive));
        },
        &error);
    if (stored && !bus_.Plug(added, &error) && !error.empty()) {
        error = "the drive was added but not plugged in: " + error;
    }
    Finish(QStringLiteral("%1 added.").arg(DriveName(added)), error);
    if (stored) SelectDrive(static_cast<int>(added));
}

void SimulatorPanel::PlaceBeside(QWidget* window) {
    if (!window) return;
    const QScreen* screen = window->screen();
    const QRect room = screen ? screen->availableGeometry() : QRect();
    // Its whole size where the screen allows (adjustSize() would stop at
    // two thirds of the screen's width).
    resize(room.isValid() ? sizeHint().boundedTo(room.size()) : sizeHint());
    const QRect anchor = window->frameGeometry();
    const QSize size = frameGeometry().size();
    QPoint at(anchor.right() + 1 + kPlaceGap, anchor.top());
    if (room.isValid()) {
        if (at.x() + size.width() - 1 > room.right()) {
            const int left = anchor.left() - kPlaceGap - size.width();
            at.setX(left >= room.left() ? left : std::max(room.left(), room.right() + 1 - size.width()));
        }
        at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() + 1 - size.height())));
    }
    move(at);
}

void SimulatorPanel::FollowBeside(QWidget* window) {
    if (followed_) followed_->removeEventFilter(this);
    followed_ = window;
    followed_width_ = 0;
    if (!window) return;
    window->installEventFilter(this);
    if (window->isVisible()) {
        followed_width_ = window->width();
        PlaceBeside(window);
    }
}

bool SimulatorPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == followed_ && (event->type() == QEvent::Show || event->type() == QEvent::Resize)) {
        // Placed once the window is up, and again each time it grows wider:
        // a narrower window leaves the panel where it is (maybe moved there
        // by the user). Queued: while the window is being shown its frame
        // is not known yet.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (followed_ && followed_->isVisible() && followed_->width() > followed_width_) {
                    followed_width_ = followed_->width();
                    PlaceBeside(followed_);
                }
            },
            Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace qx7::ui
