#include "program_main.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QPointer>
#include <QTranslator>
#include <QWidget>

#include <map>

QIcon iconFromPng(const QString &fileName)
{
    QImageReader reader(fileName, "png");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

void setProgramFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(11);
    QApplication::setFont(font);
}

void showMainWindow(QWidget &window)
{
    window.show();
    setProgramFont();
}

int runMainWindow(QWidget &window)
{
    showMainWindow(window);
    return QApplication::exec();
}

void installCatalogue(QTranslator &translator, const QString &catalogue,
                      const QStringList &arguments)
{
    // wheelconfig's start and its window both ask; a second copy would only be searched
    // for every text in vain.
    static std::map<QString, QPointer<QTranslator>> loaded;
    QPointer<QTranslator> &holder = loaded[catalogue];
    if (arguments.size() >= 2 && arguments.at(1) == QLatin1String("ru") && !holder &&
        translator.load(QStringLiteral("i18n/") + catalogue))
        holder = &translator;
    QCoreApplication::installTranslator(&translator);
}
