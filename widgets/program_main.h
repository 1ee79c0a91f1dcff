#pragma once

class QIcon;
class QString;
class QWidget;

// The icon in a PNG file, or an empty icon when the file is missing or unreadable. Read as
// PNG alone: letting Qt guess the format loads every image format plugin on the way.
QIcon iconFromPng(const QString &fileName);

// Shows the window, then sets the application font's pixel size to 11 (after the show, as
// the programs always have).
void showMainWindow(QWidget &window);

// The tail of both programs' main: showMainWindow, then the event loop.
int runMainWindow(QWidget &window);
