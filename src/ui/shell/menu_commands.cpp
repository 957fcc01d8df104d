#include "ui/shell/menu_commands.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QMetaObject>
#include <QPointer>
#include <QUrl>

#include "updater/curl_http_client.h"
#include "updater/own_version.h"
#include "updater/update_check.h"
#include "updater/update_folder.h"
#include "ui/shell/desktop_session.h"
#include "ui/window/main_window.h"

namespace qx7::ui {

MenuCommands::MenuCommands(DesktopSession& session) : session_(session), language_(strings::Language::English) {
    connect(&session_, &DesktopSession::menuCommand, this, &MenuCommands::Run);
    connect(&session_, &DesktopSession::languageChanged, this,
            [this](strings::Language language) { language_ = language; });
    const QString host = WebHost();
    for (QAction* action : session_.window().HelpMenu()->actions()) {
        const int id = action->data().toInt();
        if (id == MainWindow::kMenuWebSite || id == MainWindow::kMenuSupportRequest) {
            action->setVisible(!host.isEmpty());
        }
    }
    if (!host.isEmpty()) session_.window().SetWebSiteCaption(host);
}

MenuCommands::~MenuCommands() {
    if (update_check_.joinable()) update_check_.join();
}

QString MenuCommands::WebHost() { return QStringLiteral(QX7_WEB_HOST); }

void MenuCommands::Run(int id) {
    switch (id) {
        case MainWindow::kMenuCheckForUpdate: CheckForUpdate(); break;
        case MainWindow::kMenuAbout:
        case MainWindow::kMenuHelpAbout: ShowAbout(); break;
        case MainWindow::kMenuWebSite:
            QDesktopServices::openUrl(QUrl(QStringLiteral("http://") + WebHost()));
            break;
        case MainWindow::kMenuSupportRequest:
            QDesktopServices::openUrl(QUrl(QStringLiteral("http://") + WebHost() + QStringLiteral("/supportrequest")));
            break;
        default: break;
    }
}

void MenuCommands::CheckForUpdate() {
    if (update_check_.joinable()) {
        // One check at a time: a second request while one runs waits for its answer.
        return;
    }
    const strings::Language language = language_;
    QPointer<MenuCommands> self(this);
    update_check_ = std::thread([this, self, language] {
        updater::CurlHttpClient http;
        const updater::UpdateCheckOutcome outcome = updater::CheckForUpdate(
            http, updater::DefaultUpdateFolderUrl(), updater::CompiledFileVersion(), language);
        QString text = QString::fromStdU16String(outcome.status_text);
        if (!outcome.changelog.empty()) text += QStringLiteral("\n\n") + QString::fromStdU16String(outcome.changelog);
        QMetaObject::invokeMethod(this, [this, self, text] {
            if (!self) return;
            if (update_check_.joinable()) update_check_.join();
            session_.dialogs().ShowMessage(text, editor::MessageIcon::None);
        });
    });
}

void MenuCommands::ShowAbout() {
    const QString text = QStringLiteral("Ostrivance QX7 Configurator v%1\n\n"
                                        "This program configures QX7 hardware-encrypted USB drives.")
                             .arg(QStringLiteral(QX7_VERSION_TEXT));
    session_.dialogs().ShowMessage(text, editor::MessageIcon::None);
}

}  // namespace qx7::ui
