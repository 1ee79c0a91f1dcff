#pragma once

class QWidget;

// The tail of both programs' main: shows the window, then sets the application font's
// pixel size to 11 (after the show, as the programs always have), and runs the event loop.
int runMainWindow(QWidget &window);
