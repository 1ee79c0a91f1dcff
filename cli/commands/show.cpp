#include "commands.h"

#include <QTextStream>

#include <algorithm>

Outcome ShowCommand::run()
{
    Controller controller;
    SettingsFile file;
    if (const Outcome selected = select(arguments.positionals.value(0), &controller);
        !selected.ok())
        return selected;
    if (const Outcome read = readSettings(controller, &file); !read.ok())
        return read;
    if (arguments.json)
        out << QString::fromUtf8(settingsJson(file));
    else
        print(controller, file);
    return Outcome();
}

void ShowCommand::print(const Controller &controller, const SettingsFile &file)
{
    out << QStringLiteral("%1, device type %2 (%3)\n")
               .arg(controller.label())
               .arg(controller.deviceType)
               .arg(deviceTypeName(controller.deviceType));
    for (const RecordValues &record : file.records) {
        out << record.table->name << ":\n";
        int width = 0;
        for (const RecordField &field : record.table->fields)
            width = std::max(width, int(field.name.size()));
        for (size_t i = 0; i < record.values.size(); ++i) {
            const RecordField &field = record.table->fields[i];
            out << "  " << field.name.leftJustified(width + 2) << field.describe(record.values[i])
                << '\n';
        }
    }
}
