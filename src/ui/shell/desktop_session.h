#pragma once
// The desktop program's main window at work: the window and its dialogs on
// the user-interface thread, the main window's logic (app::Configurator) on
// the logic thread, joined by the proxies that carry each call across.
// Hot-plug events and the 500 ms timer feed the logic on its own thread.

#include <QObject>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "app/configurator.h"
#include "strings/string_table.h"
#include "transport/device_enumerator.h"
#include "transport/device_watcher.h"
#include "ui/dialogs/program_updater.h"
#include "ui/shell/dialog_runner.h"
#include "ui/shell/ui_thread_call.h"

namespace qx7::ui {

class DesktopHost;
class DeviceEventNotifier;
class FormInputGate;
class FormViewProxy;
class LogicThread;
class MainWindow;

class DesktopSession : public QObject {
    Q_OBJECT

public:
    struct Options {
        strings::Language language = strings::Language::English;
        // The silent update check at start (off in tests).
        bool startup_update_check = true;
        // Where update checks ask (tests: a local server).
        UpdateSource update_source;
        // Divides the drive's waits (tests over the simulator).
        int wait_divisor = 1;
        // The documents folder the first folder is made in; empty: the
        // user's (tests: a folder of their own, since Windows gives no way
        // to move the user's documents folder for one program).
        QString documents_folder;
    };

    // `watcher` may be null: then device events come through
    // DeliverDeviceEvents.
    DesktopSession(transport::DeviceEnumerator& devices, transport::DeviceWatcher* watcher, Options options);
    ~DesktopSession() override;

    // Shows the window and starts the logic (first initialisation and scan).
    void Start();

    MainWindow& window() { return *window_; }
    DialogRunner& dialogs() { return dialogs_; }
    // The update checks, at start and from the Settings menu; their dialog
    // answers through dialogs() (AnswerOpenDialog).
    ProgramUpdater& updater() { return *updater_; }

    // Device events from a source without a watcher (the simulator).
    void DeliverDeviceEvents(const std::vector<transport::DeviceEvent>& events);
    // Runs `job` on the logic thread after the commands queued before it.
    void PostToLogic(std::function<void(app::Configurator&)> job);
    // No command queued or running, no scan running and no input held back.
    bool Idle() const;

    // Stops the logic thread (the window stays); called by the destructor.
    void Shutdown();

signals:
    // The logic ended the window (Exit, OK, close, the band's close button).
    void finished(int result);
    // The interface language changed (Qt's own texts follow it).
    void languageChanged(qx7::strings::Language language);
    // A command of the Settings or Help menu the logic does not handle.
    void menuCommand(int id);

private:
    void ConnectWindow();
    void StartLogicTimers();
    void UpdateBusy();
    bool LogicIdle() const;
    void RunStartupUpdateCheck();

    transport::DeviceEnumerator& devices_;
    transport::DeviceWatcher* watcher_;
    Options options_;
    std::unique_ptr<MainWindow> window_;
    DialogRunner dialogs_;
    UiThreadCall call_;
    std::unique_ptr<LogicThread> logic_;
    std::unique_ptr<DesktopHost> host_;
    std::unique_ptr<FormViewProxy> view_;
    std::unique_ptr<app::Configurator> configurator_;
    std::unique_ptr<ProgramUpdater> updater_;
    std::unique_ptr<FormInputGate> input_gate_;
    std::unique_ptr<DeviceEventNotifier> device_events_;
    bool shut_down_ = false;
};

}  // namespace qx7::ui
