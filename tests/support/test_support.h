#pragma once

// Shared by the test executables: a fresh simulated bus per test, and an answering
// machine for modal message boxes.

#include "simulated_bus.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <initializer_list>
#include <memory>
#include <vector>

// Installs a simulated bus with the given controllers plugged in for as long as it lives.
class ScopedSimulator
{
public:
    explicit ScopedSimulator(std::initializer_list<ControllerKind> kinds = {});
    ~ScopedSimulator();

    SimulatedBus &bus() { return *simulatedBus; }
    SimulatedController *controller(ControllerKind kind) const { return simulatedBus->find(kind); }

private:
    std::unique_ptr<SimulatedBus> simulatedBus;
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

QByteArray toBytes(const std::vector<uint8_t> &bytes);
// "0a ff 12" for a readable failure message.
QString hex(const QByteArray &bytes);
