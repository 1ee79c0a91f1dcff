#include "commands.h"

#include <QTextStream>

Outcome ListCommand::run()
{
    if (const Outcome started = startBus(); !started.ok())
        return started;
    int connected = 0;
    int unusable = 0;
    QStringList silent;
    for (const Product &product : family()) {
        Controller controller;
        switch (controllers.open(product, &controller)) {
        case Controllers::Presence::Answering:
            ++connected;
            out << QStringLiteral("%1 %2 device type %3 (%4)\n")
                       .arg(QLatin1String(product.kind), -8)
                       .arg(hex16(product.productId))
                       .arg(controller.deviceType)
                       .arg(deviceTypeName(controller.deviceType));
            break;
        case Controllers::Presence::Silent:
            silent << QStringLiteral("the %1 does not answer").arg(controller.label());
            break;
        case Controllers::Presence::Unusable:
            // A line of its own on stdout: what is plugged in is listed, usable or not.
            out << unusableText(product, controller.unusable) << '\n';
            ++unusable;
            break;
        case Controllers::Presence::Absent:
            break;
        }
    }
    if (unusable > 0)
        silent << QStringLiteral("run kestrix doctor to see how to make it usable");
    if (!silent.isEmpty())
        return refusal(EXIT_DEVICE, silent.join(QStringLiteral("; ")));
    if (connected == 0)
        return refusal(EXIT_DEVICE, QStringLiteral("no Kestrix controller is connected"));
    return Outcome();
}
