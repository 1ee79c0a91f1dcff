#include "program_main.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QWidget>

QIcon iconFromPng(const QString &fileName)
{
    QImageReader reader(fileName, "png");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

void showMainWindow(QWidget &window)
{
    window.show();

    QFont font = QApplication::font();
    font.setPixelSize(11);
    QApplication::setFont(font);
}

int runMainWindow(QWidget &window)
{
    showMainWindow(window);
    return QApplication::exec();
}
