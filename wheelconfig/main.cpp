#include "mainwindow.h"

#include "program_main.h"
#include "simulator_panel.h"
#include "wheel_start.h"

#include <QApplication>

#include <optional>

int main(int argc, char *argv[])
{
    WheelArguments arguments(argc, argv);
    // Everything but the tray program does without widgets, fonts and a display.
    std::optional<QCoreApplication> core(std::in_place, arguments.qtArgc(), arguments.qtArgv());
    SimulatedBus *simulator = installSimulatorFromEnvironment();
    WheelStart start(arguments);
    if (arguments.hasCommand())
        return start.launchCommand();
    if (start.finished())
        return start.exitCode();
    WheelChannelServer channel;
    if (start.handOver(channel))
        return start.exitCode();
    if (!start.windowSystemAvailable())
        return 1;
    core.reset();

    QApplication app(arguments.qtArgc(), arguments.qtArgv());
    start.translate();
    MainWindow window;
    start.serve(channel, window);
    const auto panel = openSimulatorPanelOnRequest(simulator, window);
    if (start.startsHidden()) {
        window.startHidden();
        return QApplication::exec();
    }
    return runMainWindow(window);
}
