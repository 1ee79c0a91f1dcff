#pragma once

// Puts simulated controllers on emulated USB device nodes (umockdev's usbfs emulation), so
// that the unmodified system libusb, in this process or in a program started from it, talks
// to them as it talks to hardware: enumeration through udev, /dev/bus/usb/BBB/DDD, and the
// usbfs URB ioctls answered from SimulatedController::controlTransfer.
//
// Every process that uses the emulation needs umockdev's preload library: the test
// executables get it from KESTRIX_UMOCKDEV_TEST_MAIN, programs started with
// UsbTestbed::programEnvironment() inherit it.

#include "simulated_controller.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct _UMockdevTestbed;

class UsbTestbed : public QObject
{
public:
    UsbTestbed();
    ~UsbTestbed() override;

    // False (with the reason in error()) when the emulation is not in effect; nothing else
    // may be used then.
    bool isValid() const { return valid; }
    QString error() const { return failure; }

    // Plugs a new controller of that kind into the next free port; the testbed owns it.
    // Its transfers are answered on umockdev's worker thread, which serves every node: give
    // it no latency and no time-outs that take time (setUnresponsive is the time-out here).
    SimulatedController *add(ControllerKind kind);

    // Unplugging removes the device from the bus: transfers in flight end with ESHUTDOWN, new
    // ones are refused with ENODEV, enumeration no longer finds it. Plugging it back gives it
    // a new device number, as the kernel does.
    void unplug(SimulatedController *controller);
    void plug(SimulatedController *controller);

    // Accepts transfers but never completes them, so every transfer runs into its time-out.
    void setUnresponsive(SimulatedController *controller, bool unresponsive);

    // The hidraw node that the kernel's HID driver makes for interface 0 of a plugged
    // controller (sysfs entries for the interface, the HID device and the node, and the node
    // in /dev), announced by uevents as udev announces it; and its removal. The node is a
    // plain file: it opens, but answers no feature request.
    QString addHidrawNode(SimulatedController *controller);
    void removeHidrawNode(SimulatedController *controller);

    // The event device that the kernel's HID driver makes for interface 0 of a plugged
    // controller (sysfs entries for the interface, the HID device, the input device and the
    // node), answering the evdev read ioctls from `ioctlFile` (umockdev's ioctl format) and
    // replaying `eventsFile` (evemu format) from the moment it is added. "/dev/input/eventN".
    QString addEventNode(SimulatedController *controller, const QString &ioctlFile,
                         const QString &eventsFile);

    // The node the controller sits on now ("/dev/bus/usb/001/004"), empty while it is off the bus.
    QString deviceNode(SimulatedController *controller) const;

    // What happened on one device node: one entry per time the controller came on the bus.
    struct NodeActivity {
        QString node;
        int opens = 0;     // files opened on the node
        int openNow = 0;   // of which still open
        int submitted = 0; // control transfers accepted
        int discarded = 0; // cancelled by the caller (its time-out)
        int shutDown = 0;  // ended because the device went away
    };
    std::vector<NodeActivity> activity(SimulatedController *controller) const;

    // Brings the emulated bus in line with the controllers' own presence (a controller that
    // reboots or vanishes by itself). Runs on a timer while the event loop runs.
    void sync();

    // The environment for a program started under the emulation: this process's environment
    // with the preload, without the simulator and hardware switches of the test harness, and
    // with a runtime directory of this test run's own.
    static QProcessEnvironment programEnvironment();

    struct Port;
    struct Node;

private:
    void fail(const QString &reason);
    void plugIn(Port &port);
    void pullOut(Port &port);
    Port *portOf(SimulatedController *controller) const;

    _UMockdevTestbed *bed = nullptr;
    bool valid = false;
    QString failure;
    std::vector<std::unique_ptr<Port>> ports;
    int nextDeviceNumber = 2; // 1 is the root hub
    int nextHidrawNumber = 0;
    int nextInputNumber = 0;
    QTimer follow;
    std::string refusedHardware; // KESTRIX_REFUSE_HARDWARE as it was
    // Guards the nodes' state: the ioctl handlers run on umockdev's worker thread.
    mutable std::mutex mutex;
};

// A test class whose every test function runs on a testbed of its own.
class UsbTestbedTest : public QObject
{
    Q_OBJECT

protected slots:
    void init()
    {
        bed = std::make_unique<UsbTestbed>();
        QVERIFY2(bed->isValid(), qPrintable(bed->error()));
    }
    void cleanup() { bed.reset(); }

protected:
    std::unique_ptr<UsbTestbed> bed;
};

// A program started under the emulation (fork and exec), ended when this object goes.
class RunningProgram
{
public:
    ~RunningProgram() { stop(); }

    bool start(const QString &program, const QStringList &arguments,
               const QString &workingDirectory, const QProcessEnvironment &environment);
    bool isRunning();
    // How it ended, for a failure message.
    QString exitDescription() const;
    void stop();

private:
    QProcess process;
};

// Runs `tests` in a process that has umockdev's preload library, re-executing the test
// executable with it when needed. Where umockdev is not available the result is 77 (skipped),
// or a failure when KESTRIX_REQUIRE_UMOCKDEV is set.
int umockdevTestMain(int argc, char **argv, const std::function<int(int, char **)> &tests);

#define KESTRIX_UMOCKDEV_TEST_MAIN(TestClass)                                                      \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        return umockdevTestMain(argc, argv, [](int count, char **arguments) {                      \
            QApplication app(count, arguments);                                                    \
            TestClass tests;                                                                       \
            return QTest::qExec(&tests, count, arguments);                                         \
        });                                                                                        \
    }
