#include "commands.h"

#include "file_writer.h"

#include <QTextStream>

Outcome BackupCommand::run()
{
    const QString path = arguments.positionals.last();
    const QString device =
        arguments.positionals.size() == 2 ? arguments.positionals.first() : QString();
    if (const Outcome refused = refuseExisting(path, arguments.force); !refused.ok())
        return refused;

    Controller controller;
    SettingsFile file;
    if (const Outcome selected = select(device, &controller); !selected.ok())
        return selected;
    if (const Outcome read = readSettings(controller, &file); !read.ok())
        return read;
    if (const Outcome saved = writeFileAtomically(path, settingsJson(file)); !saved.ok())
        return refusal(EXIT_USAGE,
                       QStringLiteral("%1 can not be written: %2").arg(path, saved.reason()));
    out << QStringLiteral("Saved the settings of the %1, device type %2, to %3\n")
               .arg(controller.label())
               .arg(controller.deviceType)
               .arg(path);
    return Outcome();
}
