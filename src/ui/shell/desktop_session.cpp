#include "ui/shell/desktop_session.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include "ui/dialogs/updater_dialog.h"
#include "ui/shell/desktop_host.h"
#include "ui/shell/device_event_notifier.h"
#include "ui/shell/form_input_gate.h"
#include "ui/shell/form_view_proxy.h"
#include "ui/shell/logic_thread.h"
#include "ui/window/main_window.h"

namespace qx7::ui {
namespace {

using editor::ControlId;

constexpr int kTimerPeriodMs = 500;

}  // namespace

DesktopSession::DesktopSession(transport::DeviceEnumerator& devices, transport::DeviceWatcher* watcher, Options options)
    : devices_(devices),
      watcher_(watcher),
      options_(options),
      window_(std::make_unique<MainWindow>()),
      dialogs_(window_.get()),
      call_(window_.get()),
      logic_(std::make_unique<LogicThread>()) {
    host_ = std::make_unique<DesktopHost>(*window_, dialogs_, call_, *logic_);
    view_ = std::make_unique<FormViewProxy>(*window_, call_);
    configurator_ = std::make_unique<app::Configurator>(*view_, *host_, devices_, options_.language);

    host_->set_wait_divisor(options_.wait_divisor);
    host_->set_documents_folder(options_.documents_folder);
    logic_->set_on_pending_changed([this](int) { UpdateBusy(); });
    host_->set_on_scan_changed([this] { UpdateBusy(); });
    host_->set_on_language([this](strings::Language language) { emit languageChanged(language); });
    host_->set_on_end([this](app::DialogResult result) { window_->Done(result); });
    connect(window_.get(), &ThemedWindow::finished, this,
            [this](app::DialogResult result) { emit finished(static_cast<int>(result)); });
    updater_ = std::make_unique<ProgramUpdater>(window_.get(), options_.update_source);
    connect(updater_.get(), &ProgramUpdater::answerShown, this,
            [this](UpdaterDialog* dialog) { dialogs_.AnswerOpenDialog(*dialog); });
    if (options_.startup_update_check) host_->set_on_startup_check([this] { RunStartupUpdateCheck(); });
    // The form takes no input from a command's start to the end of the
    // last one queued: nothing typed can be overwritten by, or missed by,
    // a command that read the form before it.
    input_gate_ = std::make_unique<FormInputGate>(*window_, [this] { return window_->IsBusy() || !LogicIdle(); });
    ConnectWindow();
}

DesktopSession::~DesktopSession() { Shutdown(); }

void DesktopSession::Shutdown() {
    if (shut_down_) return;
    shut_down_ = true;
    device_events_.reset();
    // From here on the logic's calls on the window return at once; calls it
    // made before are still answered while the thread winds down.
    call_.Stop();
    logic_->Stop([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
    host_->JoinScan();
    // A running update check is cancelled; its thread ends at once.
    updater_.reset();
    configurator_.reset();
}

void DesktopSession::Start() {
    window_->show();
    logic_->Post([this] { configurator_->Initialize(); });
    StartLogicTimers();
}

void DesktopSession::StartLogicTimers() {
    logic_->Post([this] {
        auto* timer = new QTimer(logic_->context());
        QObject::connect(timer, &QTimer::timeout, timer, [this] { configurator_->OnTimer(); });
        timer->start(kTimerPeriodMs);
    });
    // Hot-plug events reach the logic thread as the timer's ticks do, outside
    // the queue of commands (they do not make the window busy).
    if (watcher_) {
        device_events_ = std::make_unique<DeviceEventNotifier>(
            *watcher_, logic_->context(), [this](const std::vector<transport::DeviceEvent>& events) {
                for (const transport::DeviceEvent event : events) configurator_->OnDeviceEvent(event);
            });
    }
}

void DesktopSession::DeliverDeviceEvents(const std::vector<transport::DeviceEvent>& events) {
    if (events.empty()) return;
    logic_->Post([this, events] {
        for (const transport::DeviceEvent event : events) configurator_->OnDeviceEvent(event);
    });
}

void DesktopSession::PostToLogic(std::function<void(app::Configurator&)> job) {
    // Busy from now, not once the logic thread says so: input that arrives
    // before the job reads the form would otherwise pass the gate.
    if (QThread::currentThread() == window_->thread()) window_->SetBusy(true);
    logic_->Post([this, job = std::move(job)] { job(*configurator_); });
}

bool DesktopSession::LogicIdle() const { return logic_->pending() == 0 && !host_->scanning(); }

bool DesktopSession::Idle() const { return LogicIdle() && !input_gate_->holding(); }

void DesktopSession::UpdateBusy() {
    call_.Post([this] {
        window_->SetBusy(!LogicIdle());
        if (!window_->IsBusy()) input_gate_->ReplayHeld();
    });
}

void DesktopSession::ConnectWindow() {
    MainWindow* w = window_.get();
    const auto post = [this](void (app::Configurator::*method)()) {
        return [this, method] { PostToLogic([method](app::Configurator& c) { (c.*method)(); }); };
    };
    connect(w, &MainWindow::command, this,
            [this](ControlId id) { PostToLogic([id](app::Configurator& c) { c.OnCommand(id); }); });
    connect(w, &MainWindow::driveSelectionChanged, this, post(&app::Configurator::OnDriveSelectionChanged));
    connect(w, &MainWindow::currentPasswordFocusLost, this, post(&app::Configurator::OnCurrentPasswordFocusLost));
    connect(w, &MainWindow::uploadShortcut, this, post(&app::Configurator::OnUploadShortcut));
    connect(w, &MainWindow::closeRequested, this, post(&app::Configurator::OnCloseRequest));
    connect(w, &MainWindow::titleCloseRequested, this, post(&app::Configurator::OnTitleClose));
    connect(w, &MainWindow::menuCommand, this, [this](int id) {
        switch (id) {
            case MainWindow::kMenuEnglish:
                PostToLogic([](app::Configurator& c) { c.SwitchLanguage(strings::Language::English); });
                break;
            case MainWindow::kMenuKorean:
                PostToLogic([](app::Configurator& c) { c.SwitchLanguage(strings::Language::Korean); });
                break;
            default: emit menuCommand(id); break;
        }
    });
}

void DesktopSession::RunStartupUpdateCheck() {
    // In the background: the window is up and working meanwhile, and the
    // dialog opens only for a newer version.
    if (updater_) updater_->CheckSilently([w = window_.get()] { return w->CaptionLanguage(); });
}

}  // namespace qx7::ui
