#include "ui/shell/desktop_host.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSettings>
#include <QStandardPaths>

#include <ctime>

#include "strings/path_text.h"
#include "ui/shell/dialog_runner.h"
#include "ui/shell/logic_thread.h"
#include "ui/window/main_window.h"

namespace qx7::ui {
namespace {

QString ToQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// The user's settings of the desktop program, kept between runs, in the
// system's own place (an INI file on Linux, the registry on Windows) unless
// the application chose another format (the tests keep theirs in a folder
// of their own).
QSettings Settings() { return QSettings(QSettings::UserScope, QStringLiteral("QX7"), QStringLiteral("qx7config")); }

// A path Qt gives (UTF-16, '/' between names) as the core's path, with the
// system's separator (the user sees it in the folder field): through UTF-8,
// which the core reads paths from on every system (a path's narrow form on
// Windows is the ANSI code page, which cannot hold every name).
std::filesystem::path PathOf(const QString& text) {
    return strings::PathFromText(QDir::toNativeSeparators(text).toStdString());
}

std::optional<std::filesystem::path> ToPath(const std::optional<QString>& chosen) {
    if (!chosen || chosen->isEmpty()) return std::nullopt;
    return PathOf(*chosen);
}

}  // namespace

DesktopHost::DesktopHost(MainWindow& window, DialogRunner& dialogs, const UiThreadCall& call, LogicThread& logic)
    : window_(window), dialogs_(dialogs), call_(call), logic_(logic) {}

DesktopHost::~DesktopHost() { JoinScan(); }

void DesktopHost::ShowMessage(std::u16string_view text, editor::MessageIcon icon) {
    const QString message = ToQString(text);
    call_([this, &message, icon] { dialogs_.ShowMessage(message, icon); });
}

std::optional<std::filesystem::path> DesktopHost::AskSavePath(std::u16string_view initial_name) {
    const QString name = ToQString(initial_name);
    return ToPath(call_([this, &name] { return dialogs_.AskSavePath(name); }));
}

std::optional<std::filesystem::path> DesktopHost::AskOpenPath() {
    return ToPath(call_([this] { return dialogs_.AskOpenPath(); }));
}

std::optional<std::filesystem::path> DesktopHost::AskFolder() {
    const std::optional<QString> folder = call_([this] { return dialogs_.AskFolder(); });
    // The folder chosen is the first folder of the next run.
    if (folder && !folder->isEmpty()) Settings().setValue(kFolderSetting, *folder);
    return ToPath(folder);
}

QString DesktopHost::RememberedFolder() { return Settings().value(kFolderSetting).toString(); }

bool DesktopHost::CopyToClipboard(std::string_view text) {
    // One byte a character, as the form holds it.
    const QString copy = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    return call_([&copy] {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard) return false;
        clipboard->setText(copy);
        return true;
    });
}

void DesktopHost::Wait(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration / wait_divisor_); }

void DesktopHost::WaitWithProgress(std::chrono::milliseconds duration, std::u16string_view step) {
    const QString text = ToQString(step);
    call_.Post([this, text] { window_.ShowProgress(text); });
    Wait(duration);
    call_.Post([this] { window_.HideProgress(); });
}

void DesktopHost::RunScan(std::function<transport::DriveTable()> scan,
                          std::function<void(transport::DriveTable)> done) {
    // The logic starts a scan only when the one before has been handed back.
    JoinScan();
    scanning_ = true;
    if (on_scan_changed_) on_scan_changed_();
    scan_thread_ = std::thread([this, scan = std::move(scan), done = std::move(done)]() mutable {
        auto table = std::make_shared<transport::DriveTable>(scan());
        logic_.Post([this, table, done = std::move(done)] {
            scanning_ = false;
            if (on_scan_changed_) on_scan_changed_();
            done(std::move(*table));
        });
    });
}

void DesktopHost::JoinScan() {
    if (scan_thread_.joinable()) scan_thread_.join();
}

std::optional<editor::ExtendedOptions> DesktopHost::RunExtendedOptionsDialog(const editor::ExtendedOptions& current) {
    return call_([this, &current] { return dialogs_.RunExtendedOptions(current); });
}

void DesktopHost::ApplyLanguage(strings::Language language) {
    language_ = language;
    call_([this, language] {
        dialogs_.set_language(language);
        window_.ApplyCaptions(language);
        if (on_language_) on_language_(language);
    });
}

void DesktopHost::LayOut(bool with_rfid) {
    call_([this, with_rfid] { window_.LayOut(with_rfid); });
}

void DesktopHost::RunStartupUpdateCheck() {
    call_.Post([this] {
        if (on_startup_check_) on_startup_check_();
    });
}

void DesktopHost::EndDialog(app::DialogResult result) {
    call_.Post([this, result] {
        if (on_end_) on_end_(result);
    });
}

std::tm DesktopHost::LocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::filesystem::path DesktopHost::ProgramFolder() {
    // The folder chosen in an earlier run while it still exists; else a QX7
    // folder in the user's documents folder, made now so that the first
    // automatic save finds it. Never the program's own folder: an installed
    // program's folder is no place for files that hold the administrator
    // password.
    const QString remembered = RememberedFolder();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) return PathOf(remembered);
    QString documents = documents_folder_;
    if (documents.isEmpty()) documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) documents = QDir::homePath();
    const QString folder = QDir(documents).filePath(QStringLiteral("QX7"));
    if (QDir().mkpath(folder)) return PathOf(folder);
    return PathOf(documents);
}

}  // namespace qx7::ui
