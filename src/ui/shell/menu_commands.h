#pragma once
// The Settings and Help menus' commands that the main window's logic does
// not handle itself: the update check (the session's ProgramUpdater, off
// the user-interface thread), the About box and the vendor's web pages.

#include <QObject>
#include <QString>

namespace qx7::ui {

class DesktopSession;

class MenuCommands : public QObject {
    Q_OBJECT

public:
    explicit MenuCommands(DesktopSession& session);

    // The vendor's web host this build was configured with ("" hides the
    // web-site and support-request items and the About box's address).
    static QString WebHost();

    void Run(int id);

private:
    DesktopSession& session_;
};

}  // namespace qx7::ui
