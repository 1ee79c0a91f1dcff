#pragma once

#include <QString>

// A desktop notification through the session bus, for where no tray shows the program's
// messages; false when no notification service took it.
bool sendDesktopNotification(const QString &title, const QString &text);
