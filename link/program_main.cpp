#include "program_main.h"

#include <QApplication>
#include <QWidget>

int runMainWindow(QWidget &window)
{
    window.show();

    QFont font = QApplication::font();
    font.setPixelSize(11);
    QApplication::setFont(font);

    return QApplication::exec();
}
