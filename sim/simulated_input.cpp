#include "simulated_input.h"

#include "hardware_settings_record.h"
#include "input_event_codes.h"
#include "kestrix_protocol.h"
#include "simulated_bus.h"
#include "simulated_controller.h"
#include "family.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <atomic>
#include <memory>

namespace
{

constexpr int ANALOG_MAX = 4095; // a 12-bit converter
constexpr int CENTRE = 2048;

std::vector<SimulatedAxis> axesOf(ControllerKind kind)
{
    switch (kind) {
    case ControllerKind::Joystick:
        return {{ABS_X, "X", 0, ANALOG_MAX, CENTRE, 0, -1},
                {ABS_Y, "Y", 0, ANALOG_MAX, CENTRE, 1, -1},
                {ABS_RX, "Rx", 0, ANALOG_MAX, CENTRE, -1, 0},
                {ABS_RY, "Ry", 0, ANALOG_MAX, CENTRE, -1, 1},
                {ABS_RZ, "Rz", 0, ANALOG_MAX, CENTRE, -1, 2}};
    case ControllerKind::Rudder:
        return {{ABS_RUDDER, QT_TRANSLATE_NOOP("SimulatorPanel", "Rudder"), 0, ANALOG_MAX, CENTRE, 0, -1},
                {ABS_X, QT_TRANSLATE_NOOP("SimulatorPanel", "Left toe brake"), 0, ANALOG_MAX, 0, -1, 0},
                {ABS_Y, QT_TRANSLATE_NOOP("SimulatorPanel", "Right toe brake"), 0, ANALOG_MAX, 0, -1, 1}};
    case ControllerKind::Wheel:
        return {{ABS_WHEEL, QT_TRANSLATE_NOOP("SimulatorPanel", "Steering"), 0, ANALOG_MAX, CENTRE, 0, -1},
                {ABS_GAS, QT_TRANSLATE_NOOP("SimulatorPanel", "Gas pedal"), 0, ANALOG_MAX, 0, -1, 0},
                {ABS_BRAKE, QT_TRANSLATE_NOOP("SimulatorPanel", "Brake pedal"), 0, ANALOG_MAX, 0, -1, 1},
                {ABS_Z, QT_TRANSLATE_NOOP("SimulatorPanel", "Clutch pedal"), 0, ANALOG_MAX, 0, -1, 2}};
    case ControllerKind::Generic:
        break;
    }
    return {{ABS_X, "X", 0, ANALOG_MAX, CENTRE, 0, -1}, {ABS_Y, "Y", 0, ANALOG_MAX, CENTRE, 1, -1}};
}

// The kernel's codes of the first `count` joystick buttons: 16 from BTN_TRIGGER, then the
// "trigger happy" range, as the HID driver assigns them.
std::vector<int> buttonCodesOf(ControllerKind kind)
{
    const int count = kind == ControllerKind::Joystick ? 32
                      : kind == ControllerKind::Wheel  ? 16
                      : kind == ControllerKind::Generic ? 8
                                                        : 0;
    std::vector<int> codes;
    for (int i = 0; i < count; ++i)
        codes.push_back(i < 16 ? BTN_TRIGGER + i : BTN_TRIGGER_HAPPY1 + i - 16);
    return codes;
}

// The value the firmware reports for a raw reading, with the record's inversion and dead
// zones applied.
int reportedValue(const SimulatedAxis &axis, int raw, const std::vector<uint8_t> &record)
{
    namespace Rec = HardwareSettingsRecord;
    int value = raw;
    if (axis.analogAxis >= 0 && record.size() >= size_t(Rec::SIZE)) {
        // Percent of the travel at each end that reads as the end itself.
        const int lower = std::min<int>(record[Rec::LOWER_DEAD_ZONE + axis.analogAxis], 100);
        const int upper = std::min<int>(record[Rec::UPPER_DEAD_ZONE + axis.analogAxis], 100);
        const int span = axis.maximum - axis.minimum;
        const int low = axis.minimum + span * lower / 100;
        const int high = axis.maximum - span * upper / 100;
        if (value <= low || high <= low)
            value = high <= low && value > (low + high) / 2 ? axis.maximum : axis.minimum;
        else if (value >= high)
            value = axis.maximum;
        else
            value = axis.minimum + int(int64_t(value - low) * span / (high - low));
    }
    if (axis.motorAxis >= 0 && record.size() >= size_t(Rec::SIZE) &&
        record[Rec::axisOffset(axis.motorAxis, AxisSettingsRecord::ENCODER_DIRECTION)] == 1)
        value = axis.minimum + axis.maximum - value;
    return value;
}

} // namespace

SimulatedInput::SimulatedInput(SimulatedController &controller)
    : controller(controller), layout(axesOf(controller.kind())),
      buttonCodes(buttonCodesOf(controller.kind())),
      hat(controller.kind() == ControllerKind::Joystick)
{
    for (const SimulatedAxis &axis : layout)
        values.push_back(axis.rest);
    pressed.assign(buttonCodes.size(), false);

    // What every report has in common, made once: reports come a thousand a second.
    const Product &product = productOf(controller.kind());
    shape.deviceName = QStringLiteral("Kestrix %1").arg(QLatin1String(product.displayName));
    for (const SimulatedAxis &axis : layout) {
        InputAxis reported;
        reported.code = axis.code;
        reported.name = axisName(axis.code);
        reported.minimum = axis.minimum;
        reported.maximum = axis.maximum;
        shape.axes.push_back(reported);
    }
    std::sort(shape.axes.begin(), shape.axes.end(),
              [](const InputAxis &a, const InputAxis &b) { return a.code < b.code; });
    for (const SimulatedAxis &axis : layout) {
        for (size_t i = 0; i < shape.axes.size(); ++i) {
            if (shape.axes[i].code == axis.code)
                axisOrder.push_back(int(i));
        }
    }
    for (const int code : buttonCodes)
        shape.buttons.push_back({code, 0, false});
    numberButtons(shape.buttons);
    for (const int code : buttonCodes) {
        for (size_t i = 0; i < shape.buttons.size(); ++i) {
            if (shape.buttons[i].code == code)
                buttonOrder.push_back(int(i));
        }
    }
    if (hat)
        shape.hats.push_back(InputHat());
}

int SimulatedInput::axisValue(int index) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return index >= 0 && index < int(values.size()) ? values[index] : 0;
}

void SimulatedInput::setAxisValue(int index, int value)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (index < 0 || index >= int(values.size()))
            return;
        values[index] = std::clamp(value, layout[index].minimum, layout[index].maximum);
    }
    notify();
}

bool SimulatedInput::buttonPressed(int number) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return number >= 1 && number <= int(pressed.size()) && pressed[number - 1];
}

void SimulatedInput::setButton(int number, bool down)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (number < 1 || number > int(pressed.size()))
            return;
        pressed[number - 1] = down;
    }
    notify();
}

void SimulatedInput::setHat(int x, int y)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        hatX = std::clamp(x, -1, 1);
        hatY = std::clamp(y, -1, 1);
    }
    notify();
}

InputState SimulatedInput::reportedState() const
{
    InputState state = shape;
    fillReport(state);
    return state;
}

void SimulatedInput::fillReport(InputState &state) const
{
    if (state.axes.size() != shape.axes.size() || state.buttons.size() != shape.buttons.size() ||
        state.hats.size() != shape.hats.size())
        state = shape; // names, ranges and buttons: only the values change
    // Read before the input's lock is taken: the controller calls notify() under its own.
    const std::vector<uint8_t> record = controller.report(REPORT_HARDWARE_SETTINGS);
    std::lock_guard<std::mutex> lock(mutex);
    for (size_t i = 0; i < pressed.size(); ++i)
        state.buttons[buttonOrder[i]].pressed = pressed[i];
    if (hat) {
        state.hats.front().x = hatX;
        state.hats.front().y = hatY;
    }
    for (size_t i = 0; i < layout.size(); ++i)
        state.axes[axisOrder[i]].value = reportedValue(layout[i], values[i], record);
}

int SimulatedInput::addListener(Listener listener)
{
    std::lock_guard<std::mutex> lock(mutex);
    listeners.emplace(nextListener, std::move(listener));
    return nextListener++;
}

void SimulatedInput::removeListener(int id)
{
    std::lock_guard<std::mutex> lock(mutex);
    listeners.erase(id);
}

void SimulatedInput::notify()
{
    std::vector<Listener> toCall;
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (const auto &entry : listeners)
            toCall.push_back(entry.second);
    }
    for (const Listener &listener : toCall)
        listener();
}

namespace
{

// One view of a simulated controller's input: a report whenever what it reports may have
// changed, taken on the source's own thread.
class SimulatedInputSource final : public InputSource
{
public:
    SimulatedInputSource(SimulatedController &controller) : controller(controller)
    {
        current = controller.input().reportedState();
        QPointer<SimulatedInputSource> self(this);
        auto waiting = this->waiting;
        listener = controller.input().addListener([self, waiting] {
            // Queued: the change may come from another thread, or from under the
            // controller's lock (a record written). One refresh waits at a time: it
            // reports whatever the controller reads when it runs.
            if (self && !waiting->exchange(true))
                QMetaObject::invokeMethod(self.data(), &SimulatedInputSource::refresh,
                                          Qt::QueuedConnection);
        });
    }
    ~SimulatedInputSource() override { controller.input().removeListener(listener); }

private:
    void refresh()
    {
        waiting->store(false);
        if (!controller.present()) {
            // The last thing it does: a receiver may delete the source.
            if (!gone) {
                gone = true;
                emit lost(QCoreApplication::translate("EvdevInput", "the controller is gone"));
            }
            return;
        }
        gone = false;
        controller.input().fillReport(current);
        announceReport();
    }

    SimulatedController &controller;
    std::shared_ptr<std::atomic<bool>> waiting = std::make_shared<std::atomic<bool>>(false);
    int listener = 0;
    bool gone = false;
};

} // namespace

InputOpening SimulatedInputProvider::open(uint16_t productId)
{
    for (const auto &controller : bus.controllers()) {
        if (controller->productId() != productId || !controller->present())
            continue;
        if (controller->accessDenied()) {
            const QString node = QStringLiteral("/dev/input/event%1").arg(int(controller->kind()));
            return {nullptr, QCoreApplication::translate("EvdevInput", "this user may not read %1 (%2)")
                                 .arg(node, QStringLiteral("Permission denied"))};
        }
        return {std::make_unique<SimulatedInputSource>(*controller), QString()};
    }
    return {nullptr, QCoreApplication::translate("EvdevInput", "the controller has no event device"),
            true};
}
