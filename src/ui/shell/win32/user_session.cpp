#include "ui/shell/user_session.h"

#include <windows.h>

#include <sddl.h>

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

}  // namespace qx7::ui
