#pragma once
// The Settings and Help menus' commands that the main window's logic does
// not handle itself: the update check, the About box and the vendor's web
// pages. The update check runs on a thread of its own; its answer is shown
// when it arrives, and the window keeps working meanwhile.

#include <QObject>
#include <QString>

#include <memory>
#include <thread>

#include "strings/string_table.h"

namespace qx7::ui {

class DesktopSession;

class MenuCommands : public QObject {
    Q_OBJECT

public:
    explicit MenuCommands(DesktopSession& session);
    ~MenuCommands() override;

    // The vendor's web host this build was configured with ("" hides the
    // web-site and support-request items).
    static QString WebHost();

    void Run(int id);

private:
    void CheckForUpdate();
    void ShowAbout();

    DesktopSession& session_;
    strings::Language language_;
    std::thread update_check_;
};

}  // namespace qx7::ui
