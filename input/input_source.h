#pragma once

// The seam of the controllers' input, like the USB bus for their settings: the event
// device on a running system, the simulated controller in the demo mode and the tests.

#include "input_state.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

class InputSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The state after the last whole report.
    const InputState &state() const { return current; }
    int reportCount() const { return reports; }

signals:
    // A whole report arrived; state() holds it.
    void reported();
    // The device is gone or failed; nothing more comes. The reason is a sentence's tail
    // ("/dev/input/event5 is gone").
    void lost(const QString &reason);

protected:
    void takeReport(const InputState &state)
    {
        current = state;
        announceReport();
    }
    // A whole report written into `current` in place.
    void announceReport()
    {
        ++reports;
        emit reported();
    }
    InputState current;
    int reports = 0;
};

// An opened source, or the reason there is none: "the controller has no event device",
// "this user may not read /dev/input/event5 (Permission denied)".
struct InputOpening {
    std::unique_ptr<InputSource> source;
    QString reason;
    bool absent = false; // the controller has no event device at all
    bool unsupported = false; // this system's build reads no controller's input
};

class InputProvider
{
public:
    virtual ~InputProvider() = default;
    // The input of the family's controller with that product id.
    virtual InputOpening open(uint16_t productId) = 0;
};

// The system's own input: the event devices on Linux (input/evdev_input.cpp), none yet on
// Windows (input/windows/).
InputProvider &systemInputProvider();
// Installs the provider for the whole process (not owned); null restores the system's.
void setInputProvider(InputProvider *provider);
InputProvider *inputProvider();
InputOpening openInput(uint16_t productId);
