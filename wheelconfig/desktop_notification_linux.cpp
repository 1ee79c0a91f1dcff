#include "desktop_notification.h"

#include "program_identity.h"

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

bool sendDesktopNotification(const QString &title, const QString &text, MessageKind kind)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Good news carries the program's own icon, a failure the desktop's warning sign.
    const QFileInfo ownIcon(QStringLiteral("wheel_icon.png"));
    QString icon = QStringLiteral("dialog-warning");
    if (kind == MessageKind::Information)
        icon = ownIcon.exists() ? ownIcon.absoluteFilePath() : QStringLiteral("dialog-information");
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
    notify << programIdentity().name << 0u << icon << title << text << QStringList()
           << QVariantMap() << -1;
    const QDBusMessage reply = bus.call(notify, QDBus::Block, NOTIFICATION_TIMEOUT_MS);
    return reply.type() == QDBusMessage::ReplyMessage;
}
