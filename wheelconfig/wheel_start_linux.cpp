#include "wheel_start.h"

#include "program_identity.h"

#include <QFile>
#include <QFileInfo>

bool WheelStart::windowSystemAvailable() const
{
    QByteArray names = arguments.platform();
    if (names.isEmpty())
        names = qgetenv("QT_QPA_PLATFORM");
    if (names.isEmpty())
        names = "xcb;wayland"; // what Qt picks from when nothing names a platform
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray wayland = qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                                   ? QByteArray("wayland-0")
                                   : qgetenv("WAYLAND_DISPLAY");
    for (const QByteArray &name : names.split(';')) {
        if (name.startsWith("xcb")) {
            if (!qEnvironmentVariableIsEmpty("DISPLAY"))
                return true;
        } else if (name.startsWith("wayland")) {
            const QString socket =
                QFile::decodeName(wayland.startsWith('/') ? wayland : runtime + '/' + wayland);
            if ((wayland.startsWith('/') || !runtime.isEmpty()) && QFileInfo::exists(socket))
                return true;
        } else if (!name.isEmpty()) {
            return true; // offscreen, a framebuffer, ...: Qt says itself if it can not
        }
    }
    tellOnStderr(
        tr("No display to show the window on: neither DISPLAY nor WAYLAND_DISPLAY names one."));
    return false;
}
