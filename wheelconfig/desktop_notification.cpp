#include "desktop_notification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>

namespace
{
// A notification service that hangs must not hold the window for long.
constexpr int NOTIFICATION_TIMEOUT_MS = 1500;
} // namespace

bool sendDesktopNotification(const QString &title, const QString &text)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QFileInfo icon(QStringLiteral("wheel_icon.png"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
    notify << QStringLiteral("wheelconfig") << 0u
           << (icon.exists() ? icon.absoluteFilePath() : QString()) << title << text
           << QStringList() << QVariantMap() << -1;
    const QDBusMessage reply = bus.call(notify, QDBus::Block, NOTIFICATION_TIMEOUT_MS);
    return reply.type() == QDBusMessage::ReplyMessage;
}
