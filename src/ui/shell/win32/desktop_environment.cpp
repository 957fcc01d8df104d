#include "ui/shell/desktop_environment.h"

#include <windows.h>

#include <sddl.h>

#include <QDir>
#include <QStandardPaths>

#include <cstdio>
#include <vector>

namespace qx7::ui {
namespace {

// The security identifier of the user this process runs as ("S-1-5-21-…"),
// or empty when the system does not tell.
QString UserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return QString();
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    QString text;
    if (size >= sizeof(TOKEN_USER)) {
        std::vector<unsigned char> buffer(size);
        if (::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
            const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
            wchar_t* sid = nullptr;
            if (::ConvertSidToStringSidW(user->User.Sid, &sid)) {
                text = QString::fromWCharArray(sid);
                ::LocalFree(sid);
            }
        }
    }
    ::CloseHandle(token);
    return text;
}

}  // namespace

// The user's security identifier and the Windows session: a local server's
// name is one name space for the whole machine, and one user may be signed
// in to several sessions (remote desktop) at once.
QString UserSessionKey() {
    DWORD session = 0;
    if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session)) session = 0;
    QString sid = UserSid();
    if (sid.isEmpty()) sid = QStringLiteral("unknown-user");
    return sid + QStringLiteral("-") + QString::number(session);
}

// A Windows session always has a desktop.
bool DesktopAvailable(QString* /*why*/) { return true; }

// %LOCALAPPDATA%\qx7: state that belongs to this machine and user, kept
// out of the roaming profile.
std::string UserStateFolder() {
    QString local = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (local.isEmpty()) local = QDir::homePath();
    return QDir(local).filePath(QStringLiteral("qx7")).toStdString();
}

// The window program has no console of its own. Its output reaches the
// user when it was redirected (to a file or a pipe) or when the program was
// started from a console window, whose console it then writes to.
bool AttachTextOutput() {
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != nullptr && output != INVALID_HANDLE_VALUE && ::GetFileType(output) != FILE_TYPE_UNKNOWN) {
        return true;
    }
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    std::FILE* reopened = nullptr;
    if (_wfreopen_s(&reopened, L"CONOUT$", L"w", stdout) != 0) return false;
    std::fputc('\n', stdout);  // past the prompt the console printed already
    return true;
}

}  // namespace qx7::ui
