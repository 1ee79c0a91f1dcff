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
    QCoreApplication app(argc, argv);
    const bool simulated = installSimulatorFromEnvironment() != nullptr;
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runKestrix(QCoreApplication::arguments().mid(1), out, err,
                      simulated ? EffectRoute::Direct : EffectRoute::ThroughWheelconfig);
}
