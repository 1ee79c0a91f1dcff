#include "presence.h"

#include <QCoreApplication>
#include <QFile>

QString unusableReason(const PresentDevice &device)
{
    const QString node = QFile::decodeName(QByteArray::fromStdString(device.node));
    switch (device.access) {
    case DeviceAccess::Denied:
        return QCoreApplication::translate("Presence", "this user may not open %1").arg(node);
    case DeviceAccess::Busy:
        return QCoreApplication::translate("Presence", "another program holds %1").arg(node);
    case DeviceAccess::NoNode:
        return QCoreApplication::translate("Presence", "%1 does not exist").arg(node);
    case DeviceAccess::Usable:
        break;
    }
    return QString();
}

QString unusableLine(const QString &name, const PresentDevice &device)
{
    return QCoreApplication::translate("Presence",
                                       "%1: plugged in, but it can not be used (%2). Run "
                                       "\"kestrix doctor\" to see how to fix it.")
        .arg(name, unusableReason(device));
}
