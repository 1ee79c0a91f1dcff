#include "input_state.h"

#include "input_event_codes.h"

#include <algorithm>

double InputAxis::percent() const
{
    if (maximum <= minimum)
        return 0;
    const double share = (double(value) - minimum) * 100.0 / (double(maximum) - minimum);
    return std::clamp(share, 0.0, 100.0);
}

const char *InputHat::direction() const
{
    static const char *const names[3][3] = {{"up-left", "up", "up-right"},
                                            {"left", "centred", "right"},
                                            {"down-left", "down", "down-right"}};
    return names[std::clamp(y, -1, 1) + 1][std::clamp(x, -1, 1) + 1];
}

const InputAxis *InputState::axis(const QString &name) const
{
    for (const InputAxis &a : axes) {
        if (a.name == name)
            return &a;
    }
    return nullptr;
}

const InputButton *InputState::button(int number) const
{
    for (const InputButton &b : buttons) {
        if (b.number == number)
            return &b;
    }
    return nullptr;
}

QString axisName(int code)
{
    switch (code) {
    case ABS_X:
        return QStringLiteral("X");
    case ABS_Y:
        return QStringLiteral("Y");
    case ABS_Z:
        return QStringLiteral("Z");
    case ABS_RX:
        return QStringLiteral("Rx");
    case ABS_RY:
        return QStringLiteral("Ry");
    case ABS_RZ:
        return QStringLiteral("Rz");
    case ABS_THROTTLE:
        return QStringLiteral("Throttle");
    case ABS_RUDDER:
        return QStringLiteral("Rudder");
    case ABS_WHEEL:
        return QStringLiteral("Wheel");
    case ABS_GAS:
        return QStringLiteral("Gas");
    case ABS_BRAKE:
        return QStringLiteral("Brake");
    case ABS_MISC:
        return QStringLiteral("Misc");
    default:
        return QStringLiteral("Axis %1").arg(code);
    }
}

bool isHatCode(int code, int *number, bool *vertical)
{
    if (code < ABS_HAT0X || code > ABS_HAT3Y)
        return false;
    if (number)
        *number = (code - ABS_HAT0X) / 2;
    if (vertical)
        *vertical = (code - ABS_HAT0X) % 2 == 1;
    return true;
}

void numberButtons(std::vector<InputButton> &buttons)
{
    std::sort(buttons.begin(), buttons.end(),
              [](const InputButton &a, const InputButton &b) { return a.code < b.code; });
    for (size_t i = 0; i < buttons.size(); ++i)
        buttons[i].number = int(i) + 1;
}
