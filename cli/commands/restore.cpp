#include "commands.h"

#include "kestrix_protocol.h"

#include <QTextStream>

#include <algorithm>
#include <array>

struct RestoreCommand::Plan {
    RecordPart part;
    const RecordValues *values;
    std::array<unsigned char, RECEIVE_BUFFER_SIZE> record; // the device's, read afresh
};

Outcome RestoreCommand::run()
{
    const QString path = arguments.positionals.last();
    const QString device =
        arguments.positionals.size() == 2 ? arguments.positionals.first() : QString();
    // The file is checked before anything reaches a device.
    SettingsFile file;
    if (const Outcome read = readSettingsFile(path, &file); !read.ok())
        return read;

    Controller controller;
    if (const Outcome selected = select(device, &controller); !selected.ok())
        return selected;
    if (partsOf(controller).empty())
        return refusal(EXIT_USAGE, QStringLiteral("the %1 offers no settings (device type %2)")
                                       .arg(controller.label())
                                       .arg(controller.deviceType));
    if ((file.productId != controller.product->productId ||
         file.deviceType != controller.deviceType) &&
        !arguments.force)
        return refusal(
            EXIT_USAGE,
            QStringLiteral("%1 holds the settings of a %2, not of this %3; --force restores it "
                           "anyway")
                .arg(path, describeDevice(file.productId, file.deviceType),
                     describeDevice(controller.product->productId, controller.deviceType)));

    out << QStringLiteral("Restoring %1 to the %2, device type %3\n")
               .arg(path, controller.label())
               .arg(controller.deviceType);
    std::vector<Plan> plans;
    QStringList afterReboot;
    if (const Outcome planned = plan(controller, file, &plans, &afterReboot); !planned.ok())
        return planned;
    if (arguments.dryRun) {
        out << "Dry run: nothing was written.\n";
        return Outcome();
    }
    if (const Outcome written = write(controller, plans); !written.ok())
        return written;
    out << "Written and read back: the " << controller.label() << " holds the file's settings.\n";
    if (!afterReboot.isEmpty())
        out << "Takes effect after a reboot (kestrix reboot " << controller.product->kind
            << "): " << afterReboot.join(QStringLiteral(", ")) << '\n';
    return Outcome();
}

// Each part: the device's record afresh, the file's fields over it, the differences.
Outcome RestoreCommand::plan(const Controller &controller, const SettingsFile &file,
                             std::vector<Plan> *plans, QStringList *afterReboot)
{
    const std::vector<RecordPart> parts = partsOf(controller);
    for (const RecordPart &part : parts) {
        const RecordValues *values = file.find(*part.table);
        if (!values) {
            out << part.table->name << ": not in the file, left as the device has it\n";
            continue;
        }
        Plan &plan = plans->emplace_back(Plan{part, values, {}});
        if (const Outcome read = readPart(controller, part, plan.record.data()); !read.ok())
            return refusal(EXIT_DEVICE, read.reason());
        const std::vector<size_t> changed = differingFields(*values, plan.record.data());
        out << part.table->name << (changed.empty() ? ": no differences\n" : ":\n");
        for (size_t i : changed) {
            const RecordField &field = part.table->fields[i];
            out << "  " << field.name << ": " << field.describe(field.read(plan.record.data()))
                << " -> " << field.describe(values->values[i]) << '\n';
            if (field.appliedAfterReboot)
                *afterReboot << field.name;
        }
    }
    for (const RecordValues &values : file.records) {
        if (std::none_of(parts.begin(), parts.end(),
                         [&values](const RecordPart &p) { return p.table == values.table; }))
            out << values.table->name << ": left out, the " << controller.label() << " has none\n";
    }
    return Outcome();
}

Outcome RestoreCommand::write(const Controller &controller, std::vector<Plan> &plans)
{
    QStringList differing;
    for (Plan &plan : plans) {
        out.flush();
        bool handedOver = false;
        const Outcome written = writePart(controller, plan.part, *plan.values, plan.record.data(),
                                          arguments.effectRoute, &handedOver);
        if (!written.ok())
            return refusal(EXIT_DEVICE, written.reason());
        if (handedOver)
            out << plan.part.table->name << ": written by the running wheelconfig\n";
        unsigned char readBack[RECEIVE_BUFFER_SIZE];
        if (const Outcome read = readPart(controller, plan.part, readBack); !read.ok())
            return refusal(EXIT_DEVICE, QStringLiteral("written, but ") + read.reason());
        for (size_t i : differingFields(*plan.values, readBack)) {
            const RecordField &field = plan.part.table->fields[i];
            differing << QStringLiteral("%1 is %2, not %3")
                             .arg(field.name, field.describe(field.read(readBack)),
                                  field.describe(plan.values->values[i]));
        }
    }
    if (!differing.isEmpty())
        return refusal(EXIT_READ_BACK,
                       QStringLiteral("written, but the %1 read back differs: %2")
                           .arg(controller.label(), differing.join(QStringLiteral("; "))));
    return Outcome();
}
