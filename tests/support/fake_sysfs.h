#pragma once

// A root folder with sys/ and dev/ as the kernel and udev lay out a USB HID device:
// sys/class/hidraw/hidrawN -> devices/.../<usb interface>/<hid device>/hidraw/hidrawN, whose
// "device" link points back up to the HID device. And device events whose notices the test
// gives.

#include "device_events.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class FakeSysfs
{
public:
    QString path() const { return dir.path(); }
    QString sys() const { return dir.path() + QStringLiteral("/sys"); }
    QString dev() const { return dir.path() + QStringLiteral("/dev"); }

    // The hidraw node `name` of the HID device `hid` (relative to the root) on the USB
    // interface folder above it. A null uevent or interface number leaves that file out; a
    // dangling device link points nowhere. The node gets `mode` where it is not -1.
    void addHidraw(const QString &hid, const QString &name, const QByteArray &uevent,
                   const QByteArray &interfaceNumber, bool danglingDevice = false, int mode = -1)
    {
        mkdir(hid + "/hidraw/" + name);
        if (!interfaceNumber.isNull())
            write(QFileInfo(hid).path() + "/bInterfaceNumber", interfaceNumber);
        if (!uevent.isNull())
            write(hid + "/uevent", uevent);
        link(danglingDevice ? QStringLiteral("../../../gone")
                            : "../../../" + QFileInfo(hid).fileName(),
             hid + "/hidraw/" + name + "/device");
        mkdir(QStringLiteral("sys/class/hidraw"));
        link("../../" + hid.mid(4) + "/hidraw/" + name, "sys/class/hidraw/" + name);
        node("dev/" + name, mode);
    }

    // Creates the folders above it.
    void write(const QString &relative, const QByteArray &content)
    {
        mkdir(QFileInfo(relative).path());
        QFile file(dir.filePath(relative));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    }
    void mkdir(const QString &relative) { QVERIFY(QDir(dir.path()).mkpath(relative)); }
    void link(const QString &target, const QString &relative)
    {
        QCOMPARE(::symlink(QFile::encodeName(target).constData(),
                           QFile::encodeName(dir.filePath(relative)).constData()),
                 0);
    }
    void node(const QString &relative, int mode = -1)
    {
        write(relative, QByteArray());
        if (mode != -1)
            QCOMPARE(::chmod(QFile::encodeName(dir.filePath(relative)).constData(), mode_t(mode)),
                     0);
    }

private:
    QTemporaryDir dir;
};

class ManualEvents : public DeviceEvents
{
public:
    bool watched = true;
    bool watching() const override { return watched; }
    using DeviceEvents::notice;
};
