#pragma once

// The simulated controller's input: what its axes, buttons and hat read, and what its
// firmware reports of them once the saved hardware record is applied (axis inversion, the
// analog axes' dead zones). Thread-safe like the controller.

#include "input_source.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

class SimulatedBus;
class SimulatedController;

struct SimulatedAxis {
    int code;          // the kernel's ABS_* code it is reported as
    const char *label; // what it is on the controller: "Left toe brake"
    int minimum;
    int maximum;
    int rest;          // centred or released
    int motorAxis;     // its motor axis of the hardware record (inversion), or -1
    int analogAxis;    // its analog axis of the record (dead zones), or -1
};

class SimulatedInput
{
public:
    // What the sensors read at one moment.
    struct Reading {
        std::vector<int> values; // of each axis of the layout
        std::vector<bool> pressed;
        int hatX = 0;
        int hatY = 0;
    };

    explicit SimulatedInput(SimulatedController &controller);

    const std::vector<SimulatedAxis> &axes() const { return layout; }
    int buttonCount() const { return int(buttonCodes.size()); }
    bool hasHat() const { return hat; }

    // What the sensors read; values out of range are clamped.
    int axisValue(int index) const;
    void setAxisValue(int index, int value);
    bool buttonPressed(int number) const; // 1 is the first
    void setButton(int number, bool pressed);
    void setHat(int x, int y); // each -1, 0 or 1; y -1 is up

    // What the firmware reports now.
    InputState reportedState() const;
    // The report of a reading as the firmware makes it with the hardware record, written
    // into a state of an earlier report: nothing is allocated for the names, ranges and
    // buttons that every report shares.
    Reading reading() const;
    void fillReport(InputState &state, const Reading &reading,
                    const std::vector<uint8_t> &record) const;

    // Called after every change, and after a hardware record is written, on the thread
    // that made it (outside the lock).
    using Listener = std::function<void()>;
    int addListener(Listener listener);
    void removeListener(int id);
    void notify();

private:
    SimulatedController &controller;
    std::vector<SimulatedAxis> layout;
    std::vector<int> buttonCodes;
    bool hat = false;
    InputState shape;              // a report with every value at zero
    std::vector<int> axisOrder;    // of each axis of the layout, its place in a report
    std::vector<int> buttonOrder;  // of each button, its place in a report

    mutable std::mutex mutex;
    Reading now;
    std::map<int, Listener> listeners;
    int nextListener = 1;
};

// The simulated controllers' input behind the seam; the bus must outlive it.
class SimulatedInputProvider final : public InputProvider
{
public:
    explicit SimulatedInputProvider(SimulatedBus &bus) : bus(bus) {}
    InputOpening open(uint16_t productId) override;

private:
    SimulatedBus &bus;
};
