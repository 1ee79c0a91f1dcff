#include "mainwindow.h"

#include "program_main.h"
#include "simulated_bus.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installSimulatorFromEnvironment();
    MainWindow window;
    return runMainWindow(window);
}
