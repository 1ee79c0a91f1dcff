#include "commands.h"

#include "device_sequences.h"

#include <QTextStream>

Outcome RebootCommand::run()
{
    Controller controller;
    if (const Outcome selected = select(arguments.positionals.value(0), &controller);
        !selected.ok())
        return selected;
    const Outcome rebooted = rebootController(controller.handle);
    if (!rebooted.ok())
        return refusal(EXIT_DEVICE,
                       QStringLiteral("the reboot command did not reach the %1 (error %2)")
                           .arg(controller.label())
                           .arg(rebooted.transfer));
    out << "Rebooting the " << controller.label() << ".\n";
    return Outcome();
}
