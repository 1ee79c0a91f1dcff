#include "desktop_integration.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>

namespace
{
// A notification service that hangs must not hold the program for long.
constexpr int NOTIFICATION_TIMEOUT_MS = 1500;

ProgramIdentity identify()
{
    ProgramIdentity identity;
    const QString launcher = qEnvironmentVariable("KESTRIX_LAUNCHER");
    qunsetenv("KESTRIX_LAUNCHER");
    if (QDir::isAbsolutePath(launcher) && QFileInfo(launcher).isExecutable()) {
        identity.name = QFileInfo(launcher).fileName();
        identity.command = launcher;
        return identity;
    }
    const QStringList arguments = QCoreApplication::arguments();
    identity.name = arguments.isEmpty() ? QString() : QFileInfo(arguments.first()).fileName();
    if (identity.name.isEmpty())
        identity.name = QStringLiteral("wheelconfig");
    identity.command = QCoreApplication::applicationFilePath();
    // Run from a build or an unpacked tree, the program reads its icons, translations and
    // profiles in the folder it was started in.
    identity.workingDirectory = QDir::currentPath();
    return identity;
}
} // namespace

const ProgramIdentity &programIdentity()
{
    static const ProgramIdentity identity = identify();
    return identity;
}

void tellOnStderr(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "%s: %s\n", qPrintable(programIdentity().name), qPrintable(text));
}

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
