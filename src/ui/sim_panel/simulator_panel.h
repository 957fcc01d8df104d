#pragma once
// SimulatorPanel: the "Drive simulator" tool window shown beside the main
// window when the program runs over the simulator. It lists the simulated
// drives and changes them the way a person would change real ones: plugs
// and unplugs a drive, adds one, unlocks it on the keypad in another mode,
// holds a tag to its reader, or makes its next command fail.
//
// Every change goes through the session's lock (SimSession::Edit) or the
// bus (SimBus::Plug / Unplug), so commands may run on other threads
// meanwhile; with a state file, the file follows each change. The device
// events a change raises are handed on by deviceEvents(), exactly as udev
// would report them for real drives. A developer tool: its texts are plain
// English and not translated.

#include <QPointer>
#include <QWidget>

#include <optional>
#include <vector>

#include "sim/sim_drive.h"
#include "transport/device_watcher.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTimer;

namespace qx7::sim {
class SimBus;
class SimSession;
}  // namespace qx7::sim

namespace qx7::ui {

class SimulatorPanel : public QWidget {
    Q_OBJECT

public:
    // How often the list follows changes the drives' commands make (a tag
    // read takes a tag from the reader, a fault is spent, an upload).
    static constexpr int kRefreshPeriodMs = 1000;

    // Shows the drives of `session`, plugged and unplugged through `bus`
    // (which must be built over the same session). Both must outlive the
    // panel. A tool window of its own, also when given a parent.
    SimulatorPanel(sim::SimSession& session, sim::SimBus& bus, QWidget* parent = nullptr);
    ~SimulatorPanel() override;

    // Moves the panel next to `window`'s frame, tops aligned: to the right
    // when the screen has room there, else to the left, else as far right
    // as the screen allows.
    void PlaceBeside(QWidget* window);
    // Places the panel beside `window` now if it is shown, else when it is
    // first shown, and again whenever the window grows wider (the main
    // window widens when a drive with an RFID reader is read), so the panel
    // never covers it.
    void FollowBeside(QWidget* window);

    // The drive the controls act on (the selected row); -1 without drives.
    int SelectedDrive() const;
    void SelectDrive(int index);

    // The last action's outcome or error, as shown at the bottom.
    QString StatusText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    // Shows the session's drives again when they changed since last shown.
    void Refresh();

signals:
    // The events SimBus::TakeEvents() gave after one of the panel's own
    // changes; emitted only when there are some.
    void deviceEvents(const std::vector<qx7::transport::DeviceEvent>& events);

private:
    void BuildWidgets();
    void ShowState(const sim::SimState& state);
    void UpdateControls();
    // Takes the bus's events, hands them on, shows `outcome` (or `error`
    // when it is not empty) and the drives as they are now.
    void Finish(const QString& outcome, const std::string& error);

    void SetPlugged(bool plugged);
    void SetMode(sim::UnlockMode mode);
    void PresentTag();
    void InjectFault();
    void AddDrive();

    sim::SimSession& session_;
    sim::SimBus& bus_;
    std::optional<sim::SimState> shown_;  // what the list shows

    QTableWidget* drives_ = nullptr;
    QGroupBox* drive_box_ = nullptr;
    QPushButton* plug_ = nullptr;
    QPushButton* unplug_ = nullptr;
    QButtonGroup* mode_group_ = nullptr;
    QRadioButton* admin_ = nullptr;
    QRadioButton* user_ = nullptr;
    QRadioButton* locked_ = nullptr;
    QLineEdit* tag_uid_ = nullptr;
    QPushButton* present_tag_ = nullptr;
    QComboBox* fault_mode_ = nullptr;
    QLineEdit* fault_prefix_ = nullptr;
    QPushButton* inject_fault_ = nullptr;
    QPushButton* add_drive_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer* refresh_timer_ = nullptr;
    QPointer<QWidget> followed_;  // the window FollowBeside keeps the panel beside
    int followed_width_ = 0;      // its width when the panel was last placed
};

}  // namespace qx7::ui
