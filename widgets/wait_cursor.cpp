#include "wait_cursor.h"

#include "transport.h"

#include <QCursor>
#include <QGuiApplication>

void showWaitCursorWhileBusy()
{
    setBusyIndicator([](bool busy) {
        if (busy)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QGuiApplication::restoreOverrideCursor();
    });
}
