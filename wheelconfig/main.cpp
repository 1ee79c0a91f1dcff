#include "mainwindow.h"

#include "program_main.h"
#include "simulator_panel.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SimulatedBus *simulator = installSimulatorFromEnvironment();
    MainWindow window;
    const auto panel = openSimulatorPanelOnRequest(simulator, window);
    return runMainWindow(window);
}
