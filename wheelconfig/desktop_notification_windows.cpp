#include "desktop_notification.h"

bool sendDesktopNotification(const QString &, const QString &, MessageKind)
{
    // Windows' notifications are the tray icon's messages; where no tray shows them there
    // is no other service to ask, and the caller shows its box instead.
    return false;
}
