#pragma once

// The kernel's event device of a controller of the family: the HID driver that holds USB
// interface 0 makes it, and any program the user runs may read it without taking it from
// games (no grab).

#include "input_source.h"

#include <QString>

#include <cstdint>
#include <vector>

class QSocketNotifier;
struct libevdev;

// An event node of interface 0 of a family controller, found through sysfs.
struct EventNode {
    QString node; // devRoot/input/eventN
    uint16_t productId = 0;
    int busNumber = 0;
    int deviceNumber = 0;
};

// The family's event nodes under root ("" on a running system), in node number order.
std::vector<EventNode> findEventNodes(const QString &root = QString());

class EvdevInput final : public InputSource
{
    Q_OBJECT

public:
    // Opens the node read-only and non-blocking; the reason names the node where it fails.
    static InputOpening open(const QString &node);
    ~EvdevInput() override;

private:
    EvdevInput(int fd, libevdev *device, const QString &node);
    void readAvailable();
    void watch(bool on) override;
    void readWaiting() override;
    // The whole state as libevdev knows it, after a start or a re-synchronisation.
    InputState wholeState() const;
    void fail(int error);

    int fd = -1;
    libevdev *device = nullptr;
    QString node;
    QSocketNotifier *notifier = nullptr;
    InputState pending; // the report being read, taken whole at SYN_REPORT
    bool syncing = false;
    bool failed = false;
};

// The event devices of the running system (the default provider).
class EvdevInputProvider final : public InputProvider
{
public:
    explicit EvdevInputProvider(const QString &root = QString()) : root(root) {}
    InputOpening open(uint16_t productId) override;

private:
    QString root;
};

// Why a node may not be read, as the windows and kestrix say it.
QString unreadableNodeReason(const QString &node, int error);
