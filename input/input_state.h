#pragma once

// What a controller's input device reports: its absolute axes, its keys and buttons, its
// hats. The event device and the simulated controller both fill it.

#include <QString>

#include <vector>

struct InputAxis {
    int code = 0; // the kernel's ABS_* code
    QString name; // "X", "Rz", "Throttle", "Wheel"
    int minimum = 0;
    int maximum = 0;
    int fuzz = 0;
    int flat = 0;
    int value = 0;

    // Where the value sits in the range, 0 to 100.
    double percent() const;
};

struct InputButton {
    int code = 0;   // the kernel's BTN_* or KEY_* code
    int number = 0; // 1 for the first the device has, in code order
    bool pressed = false;
};

// A hat switch: the pair ABS_HAT<n>X / ABS_HAT<n>Y, each -1, 0 or 1.
struct InputHat {
    int number = 0; // 0 for ABS_HAT0X/Y
    int x = 0;
    int y = 0; // -1 is up, as the kernel reports it

    // "centred", "up", "up-right", ... (untranslated; windows translate them).
    const char *direction() const;
};

struct InputState {
    QString deviceName;
    std::vector<InputAxis> axes; // in code order
    std::vector<InputButton> buttons;
    std::vector<InputHat> hats;

    const InputAxis *axis(const QString &name) const;
    const InputButton *button(int number) const;
};

// The name of an absolute axis code: "X", "Rz", "Throttle", "Wheel", "Gas", "Brake".
QString axisName(int code);
// Whether the code is one of a hat's pair; `number` and `vertical` tell which.
bool isHatCode(int code, int *number = nullptr, bool *vertical = nullptr);
// The buttons numbered in code order, 1 first.
void numberButtons(std::vector<InputButton> &buttons);
