#include "command_line.h"
#include "simulated_bus.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
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
    // A closed pipe on stdout is a failed write that kestrix reports, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    qInstallMessageHandler(quietMessages);
    QCoreApplication app(argc, argv);
    const bool simulated = installSimulatorFromEnvironment() != nullptr;
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runKestrix(QCoreApplication::arguments().mid(1), out, err,
                      simulated ? EffectRoute::Direct : EffectRoute::ThroughWheelconfig);
}
