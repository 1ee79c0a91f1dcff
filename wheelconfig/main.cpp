#include "mainwindow.h"

#include "simulated_bus.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installSimulatorFromEnvironment();

    MainWindow window;
    window.show();

    QFont font = QApplication::font();
    font.setPixelSize(11);
    QApplication::setFont(font);

    return app.exec();
}
