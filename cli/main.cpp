#include "command_line.h"
#include "process_setup.h"
#include "simulated_bus.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace
{
// The program's own errors are one line each; Qt's diagnostics are not for its users.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg || type == QtCriticalMsg)
        std::fprintf(stderr, "kestrix: %s\n", qPrintable(message));
}
} // namespace

int main(int argc, char *argv[])
{
    reportClosedPipes();
    qInstallMessageHandler(quietMessages);
    // Qt's own event dispatcher rather than glib's: `kestrix input` wakes a thousand times a
    // second, and glib's loop costs more per wake while nothing in kestrix needs it. Only
    // for this process: the programs it starts keep their own choice.
    const bool alreadySet = qEnvironmentVariableIsSet("QT_NO_GLIB");
    if (!alreadySet)
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    if (!alreadySet)
        qunsetenv("QT_NO_GLIB");
    const bool simulated = installSimulatorFromEnvironment() != nullptr;
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runKestrix(QCoreApplication::arguments().mid(1), out, err,
                      simulated ? EffectRoute::Direct : EffectRoute::ThroughWheelconfig);
}
