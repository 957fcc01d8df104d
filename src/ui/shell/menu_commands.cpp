#include "ui/shell/menu_commands.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QUrl>

#include "ui/dialogs/about_dialog.h"
#include "ui/shell/desktop_session.h"
#include "ui/window/main_window.h"

namespace qx7::ui {

MenuCommands::MenuCommands(DesktopSession& session) : session_(session) {
    connect(&session_, &DesktopSession::menuCommand, this, &MenuCommands::Run);
    const QString host = WebHost();
    for (QAction* action : session_.window().HelpMenu()->actions()) {
        const int id = action->data().toInt();
        if (id == MainWindow::kMenuWebSite || id == MainWindow::kMenuSupportRequest) {
            action->setVisible(!host.isEmpty());
        }
    }
    if (!host.isEmpty()) session_.window().SetWebSiteCaption(host);
}

QString MenuCommands::WebHost() { return QStringLiteral(QX7_WEB_HOST); }

void MenuCommands::Run(int id) {
    switch (id) {
        case MainWindow::kMenuCheckForUpdate:
            // In the language the window shows now.
            session_.updater().CheckOnRequest(session_.window().CaptionLanguage());
            break;
        case MainWindow::kMenuAbout:
        case MainWindow::kMenuHelpAbout: session_.dialogs().RunAbout(WebHost()); break;
        case MainWindow::kMenuWebSite:
            if (!WebHost().isEmpty()) QDesktopServices::openUrl(WebSiteUrl(WebHost()));
            break;
        case MainWindow::kMenuSupportRequest:
            if (!WebHost().isEmpty()) QDesktopServices::openUrl(SupportRequestUrl(WebHost()));
            break;
        default: break;
    }
}

}  // namespace qx7::ui
