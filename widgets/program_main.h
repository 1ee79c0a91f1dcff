#pragma once

#include <QCoreApplication>
#include <QStringList>

class QIcon;
class QString;
class QTranslator;
class QWidget;

// The rule of every program: the Russian catalogue "i18n/<catalogue>" (relative to the
// working directory) is loaded when the first argument is exactly "ru". The translator is
// installed in any case, before any caption is set.
void installCatalogue(QTranslator &translator, const QString &catalogue,
                      const QStringList &arguments = QCoreApplication::arguments());

// The icon in a PNG file, or an empty icon when the file is missing or unreadable. Read as
// PNG alone: letting Qt guess the format loads every image format plugin on the way.
QIcon iconFromPng(const QString &fileName);

// Sets the application font's pixel size to 11.
void setProgramFont();

// Shows the window, then sets the program's font (after the show, as the programs always
// have).
void showMainWindow(QWidget &window);

// The tail of both programs' main: showMainWindow, then the event loop.
int runMainWindow(QWidget &window);
