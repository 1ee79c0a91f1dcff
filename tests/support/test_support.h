#pragma once

// Shared by the test executables: a fresh simulated bus per test, an answering machine for
// modal message boxes, the transfers of one kind, and the transport's uses as the programs
// make them.

#include "simulated_bus.h"
#include "simulated_input.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QtGlobal>

#include <initializer_list>
#include <memory>
#include <vector>

// Helpers report failures through QtTest; stop the calling test function after one.
#define CHECKED(...)                                                                               \
    do {                                                                                           \
        __VA_ARGS__;                                                                               \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

// The named child; a form that lost it ends the run at once.
template <typename T> T *namedChild(const QObject *root, const char *name)
{
    T *child = root->findChild<T *>(QLatin1String(name));
    if (!child)
        qFatal("no child %s", name);
    return child;
}

// The offscreen platform warns about every popup it cannot raise or grab for: keep those
// out of the test output.
void quietOffscreenPopups();

// Installs a simulated bus with the given controllers plugged in, and their input, for as long
// as it lives.
class ScopedSimulator
{
public:
    explicit ScopedSimulator(std::initializer_list<ControllerKind> kinds = {});
    ~ScopedSimulator();

    SimulatedBus &bus() { return *simulatedBus; }
    SimulatedController *controller(ControllerKind kind) const { return simulatedBus->find(kind); }

private:
    std::unique_ptr<SimulatedBus> simulatedBus;
    SimulatedInputProvider input{*simulatedBus};
};

// While it lives, every modal QMessageBox is recorded and closed as soon as it shows.
class MessageBoxCatcher : public QObject
{
public:
    MessageBoxCatcher();

    struct Box {
        QString title;
        QString text;
    };
    const std::vector<Box> &boxes() const { return seen; }
    void clear() { seen.clear(); }

private:
    void answer();

    QTimer timer;
    std::vector<Box> seen;
};

// Transfers of one kind, in order.
std::vector<SimTransfer> getReports(const std::vector<SimTransfer> &transfers, uint8_t reportId);
std::vector<SimTransfer> commands(const std::vector<SimTransfer> &transfers, uint8_t command);
std::vector<SimTransfer> setReports(const std::vector<SimTransfer> &transfers);
// All but the connection poll's liveness probes (device information reads).
std::vector<SimTransfer> withoutProbes(const std::vector<SimTransfer> &transfers);
// The transfers a program wrote to its KESTRIX_SIMULATOR_LOG; none when there is no file.
std::vector<SimTransfer> readSimulatorLog(const QString &path);
// One simulator log line for each transfer, for a failure message.
QStringList describe(const std::vector<SimTransfer> &transfers);

QByteArray toBytes(const std::vector<uint8_t> &bytes);
// "0a ff 12" for a readable failure message.
QString hex(const QByteArray &bytes);
