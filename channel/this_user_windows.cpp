#include "this_user_windows.h"

#include <windows.h>

#include <sddl.h>

namespace
{

QByteArray tokenUser(HANDLE process)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token))
        return QByteArray();
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    QByteArray buffer(int(size), '\0');
    QByteArray sid;
    if (size > 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        const PSID user = reinterpret_cast<const TOKEN_USER *>(buffer.constData())->User.Sid;
        if (::IsValidSid(user))
            sid = QByteArray(static_cast<const char *>(user), int(::GetLengthSid(user)));
    }
    ::CloseHandle(token);
    return sid;
}

const QByteArray &ownUser()
{
    static const QByteArray user = tokenUser(::GetCurrentProcess());
    return user;
}

} // namespace

QString thisUserSid()
{
    QByteArray sid = ownUser();
    if (sid.isEmpty())
        return QString();
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<PSID>(sid.data()), &text))
        return QString();
    const QString result = QString::fromWCharArray(text);
    ::LocalFree(text);
    return result;
}

QByteArray processUser(unsigned long pid)
{
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return QByteArray();
    const QByteArray user = tokenUser(process);
    ::CloseHandle(process);
    return user;
}

bool processIsThisUser(unsigned long pid)
{
    const QByteArray user = processUser(pid);
    return !user.isEmpty() && user == ownUser();
}
