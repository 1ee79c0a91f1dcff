// One program's window for the benchmark (built once for each program): its start, its
// idle ticks, and the transfers of its operations against simulated controllers.

#include "harness.h"
#include "mainwindow.h"

#include "kestrix_protocol.h"
#include "simulated_bus.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>

#include <memory>

#ifdef KESTRIX_BENCH_HWCONFIG
#include "hardware_settings_record.h"
#else
#include "effect_settings_record.h"
#endif

namespace
{

// Status reads that a write leaves the simulated controllers busy for.
constexpr int BUSY_READS = 2;
// The wait after a write ends with the read that says ready.
constexpr int STATUS_READS = BUSY_READS + 1;

template <typename T> T *child(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no %s in the window", name);
    return found;
}

// A spin box one step off its value, as a user's edit.
void step(QSpinBox *spin)
{
    spin->setValue(spin->value() < spin->maximum() ? spin->value() + 1 : spin->value() - 1);
}

#ifdef KESTRIX_BENCH_HWCONFIG

// As a user picks it: the combo shows the row, then reports the activation.
void pick(MainWindow &window, ControllerKind kind)
{
    auto *selector = child<QComboBox>(window, "comboBox");
    selector->setCurrentIndex(int(kind));
    emit selector->activated(int(kind));
    settle();
}

int countTransfers()
{
    TransferCounter counter;
    SimulatedBus bus;
    for (ControllerKind kind : {ControllerKind::Joystick, ControllerKind::Wheel})
        bus.add(kind)->setBusyReads(BUSY_READS);
    setUsbBus(&bus);

    auto window = std::make_unique<MainWindow>();
    showAndSettle(*window);
    QTimer *poll = stopPoll(*window);
    // A probe of each present controller, and nothing for the absent ones.
    counter.count(QStringLiteral("hwconfig: idle tick, nothing selected"), 2,
                  [&] { runTick(poll); });
    pick(*window, ControllerKind::Joystick);
    counter.count(QStringLiteral("hwconfig: idle tick, a controller selected"), 2,
                  [&] { runTick(poll); });
    // Device information and the record; the values shown already, so no live command.
    counter.count(QStringLiteral("hwconfig: Read settings"), 2,
                  [&] { child<QPushButton>(*window, "read_settings_button")->click(); });
    // The record read afresh, the chunked write, the wait until ready.
    counter.count(QStringLiteral("hwconfig: Save settings"),
                  1 + chunkedWritePackets(HardwareSettingsRecord::SIZE) + STATUS_READS,
                  [&] { child<QPushButton>(*window, "save_settings_button")->click(); });
    counter.count(QStringLiteral("hwconfig: live apply of a calibration start angle"), 1,
                  [&] { step(child<QSpinBox>(*window, "axis0_calibration_start_angle")); });
    window.reset(); // closes its handles on this bus
    setUsbBus(nullptr);
    return 0;
}

#else

int countTransfers()
{
    TransferCounter counter;
    SimulatedBus bus;
    SimulatedController *wheel = bus.add(ControllerKind::Wheel);
    wheel->setBusyReads(BUSY_READS);
    setUsbBus(&bus);

    std::unique_ptr<MainWindow> window;
    // The probe that finds the wheel, then its record.
    counter.count(QStringLiteral("wheelconfig: connection"), 2,
                  [&] { window = std::make_unique<MainWindow>(); });
    showAndSettle(*window);
    QTimer *poll = stopPoll(*window);
    counter.count(QStringLiteral("wheelconfig: idle tick, wheel connected"), 1,
                  [&] { runTick(poll); });
    // The record read afresh and written back in one chunked write.
    const int liveApply = 1 + chunkedWritePackets(EFFECT_SETTINGS_RECORD_SIZE);
    counter.count(QStringLiteral("wheelconfig: live apply of one edit"), liveApply,
                  [&] { step(child<QSpinBox>(*window, "total_effect_scale")); });
    // The live apply, the save command, the wait until ready.
    counter.count(QStringLiteral("wheelconfig: Save settings"), liveApply + 1 + STATUS_READS,
                  [&] { child<QPushButton>(*window, "save_settings_button")->click(); });
    wheel->unplug();
    runTick(poll); // the probe that finds it gone
    counter.count(QStringLiteral("wheelconfig: idle tick, no wheel"), 0, [&] { runTick(poll); });
    window.reset();
    setUsbBus(nullptr);
    return 0;
}

#endif

} // namespace

int main(int argc, char **argv)
{
    const BenchRequest request = benchRequest(argc, argv);
    QApplication application(argc, argv);
    if (request.mode == BenchRequest::Transfers)
        return countTransfers();

    // As the program starts: the controllers from KESTRIX_SIMULATOR.
    installSimulatorFromEnvironment();
    MainWindow window;
    if (request.mode == BenchRequest::Start) {
        showForStart(window, request);
        startDone();
        return 0;
    }
    showAndSettle(window);
    if (request.mode == BenchRequest::Ticks) {
#ifdef KESTRIX_BENCH_HWCONFIG
        if (request.select)
            pick(window, ControllerKind::Joystick);
#endif
        countIdleTicks(window, request.ticks);
    }
    return 0;
}
