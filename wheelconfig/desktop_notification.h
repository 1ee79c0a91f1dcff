#pragma once

#include <QString>

enum class MessageKind { Information, Warning };

// A desktop notification through the session bus, for where no tray shows the program's
// messages; false when no notification service took it.
bool sendDesktopNotification(const QString &title, const QString &text, MessageKind kind);
