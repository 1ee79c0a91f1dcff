#include "kestrix_cli.h"

#include "controllers.h"
#include "device_sequences.h"
#include "effect_settings_record.h"
#include "file_writer.h"
#include "kestrix_protocol.h"
#include "presence.h"
#include "profile_store.h"
#include "record_parts.h"
#include "settings_file.h"
#include "transport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cerrno>

#include <unistd.h>

namespace
{

const char HELP[] = R"(Usage: kestrix COMMAND [DEVICE] [FILE] [OPTIONS]

Backs up, restores and scripts the settings of Kestrix controllers.

Commands:
  list                     One line per connected controller: kind, product id,
                           device type.
  show [DEVICE] [--json]   The hardware settings by field name, with units; for a
                           wheel also its effect settings. --json prints them as
                           a settings file.
  backup [DEVICE] FILE [--force]
                           Saves the settings to FILE (JSON). An existing FILE is
                           kept unless --force is given.
  restore [DEVICE] FILE [--dry-run] [--force]
                           Checks FILE, reads the device afresh, prints what FILE
                           changes field by field, writes it and reads it back.
                           --dry-run writes nothing. --force restores a file of
                           another product or device type. While wheelconfig runs,
                           a wheel's effect settings go through it.
  reboot [DEVICE]          Restarts the controller.
  doctor                   Checks why a plugged-in controller can not be used: one
                           line per check, each "ok" or the problem with the
                           commands that fix it, then a summary.
  profile list             The wheel's profiles, one name a line.
  profile export NAME FILE [--force]
                           Saves the profile NAME to FILE (JSON, the effect
                           settings by field name, as a backup holds them). An
                           existing FILE is kept unless --force is given.
  profile import FILE [NAME] [--force]
                           Checks FILE and stores it as the profile NAME (by
                           default FILE's name without its extension). An
                           existing profile is kept unless --force is given.
  --help                   This text.
  --version                The program's version.

DEVICE is generic, joystick, rudder, wheel or a product id (0x58f9 or 22777). It may
be left out when exactly one controller is connected.

Profiles are those of a wheelconfig started in the same folder: they live in its
folder wheel_profiles. Run kestrix where wheelconfig runs (installed, that is
~/.local/share/kestrix), or give --profiles DIR for the folder that holds
wheel_profiles.

Exit codes:
  0  done
  1  the device is missing or can not be used, a transfer failed, or a profile
     could not be read or stored
  2  bad usage or a bad file
  3  written, but the read-back differs

Environment:
  KESTRIX_SIMULATOR=joystick,wheel  simulated controllers instead of the USB bus
  KESTRIX_SIMULATOR_LOG=FILE        one line per transfer to a simulated controller
  KESTRIX_SIMULATOR_NO_ACCESS=wheel simulated controllers this user may not open
)";

// Larger files are not settings files; they are not read into memory.
constexpr qint64 MAX_FILE_SIZE = 1 << 20;

struct Arguments {
    QString command;
    QStringList positionals;
    bool json = false;
    bool dryRun = false;
    bool force = false;
    bool help = false;
    bool version = false;
    QString profiles; // the folder that holds wheel_profiles; empty: the working one
    bool profilesGiven = false;
    EffectRoute effectRoute = EffectRoute::Direct;
};

QString deviceTypeName(int type)
{
    if (type == DEVICE_TYPE_NONE)
        return QStringLiteral("no settings");
    for (const Product &product : family()) {
        if (product.deviceType == type)
            return QLatin1String(product.kind);
    }
    return QStringLiteral("unknown");
}

QString describeDevice(unsigned productId, int deviceType)
{
    const Product *product = productById(productId);
    return QStringLiteral("%1 (%2, device type %3)")
        .arg(product ? QLatin1String(product->kind) : QLatin1String("unknown product"),
             hex16(productId))
        .arg(deviceType);
}

class Command
{
public:
    Command(const Arguments &arguments, QTextStream &out, QTextStream &err)
        : arguments(arguments), out(out), err(err)
    {
    }

    int run();

private:
    int fail(int code, const QString &message)
    {
        err << "kestrix: " << message << '\n';
        err.flush();
        return code;
    }

    int list();
    int show();
    int backup();
    int restore();
    int reboot();
    int doctor();
    int profile();
    int listProfiles(const ProfileStore &store);
    int exportProfile(const ProfileStore &store);
    int importProfile(const ProfileStore &store);

    // Starts the USB bus the first time a command needs it.
    int startBus();
    // Opens the controller that DEVICE names, or the only one connected.
    int select(const QString &device, Controller *controller);
    // Reads every part of the controller into a settings file.
    int readSettings(const Controller &controller, SettingsFile *file);
    int readFile(const QString &path, SettingsFile *file);
    // A small regular file's content; FIFOs, devices and large files are refused.
    int readSmallFile(const QString &path, QByteArray *content);

    const Arguments &arguments;
    QTextStream &out;
    QTextStream &err;
    Controllers controllers;
};

int Command::run()
{
    const QString &command = arguments.command;
    struct Shape {
        const char *name;
        int minPositionals;
        int maxPositionals;
        bool json, dryRun, force, profiles;
        int (Command::*action)();
    };
    static const Shape shapes[] = {
        {"list", 0, 0, false, false, false, false, &Command::list},
        {"show", 0, 1, true, false, false, false, &Command::show},
        {"backup", 1, 2, false, false, true, false, &Command::backup},
        {"restore", 1, 2, false, true, true, false, &Command::restore},
        {"reboot", 0, 1, false, false, false, false, &Command::reboot},
        {"doctor", 0, 0, false, false, false, false, &Command::doctor},
        {"profile", 1, 3, false, false, true, true, &Command::profile},
    };
    const Shape *shape = nullptr;
    for (const Shape &s : shapes) {
        if (command == QLatin1String(s.name))
            shape = &s;
    }
    if (!shape)
        return fail(EXIT_USAGE,
                    QStringLiteral("unknown command \"%1\"; see kestrix --help").arg(command));
    const int count = arguments.positionals.size();
    if (count < shape->minPositionals || count > shape->maxPositionals)
        return fail(EXIT_USAGE,
                    QStringLiteral("wrong arguments for %1; see kestrix --help").arg(command));
    const char *misplaced = arguments.json && !shape->json                ? "--json"
                            : arguments.dryRun && !shape->dryRun          ? "--dry-run"
                            : arguments.force && !shape->force            ? "--force"
                            : arguments.profilesGiven && !shape->profiles ? "--profiles"
                                                                          : nullptr;
    if (misplaced)
        return fail(
            EXIT_USAGE,
            QStringLiteral("%1 is not an option of %2").arg(QLatin1String(misplaced), command));
    return (this->*shape->action)();
}

int Command::startBus()
{
    if (controllers.started())
        return EXIT_DONE;
    const Outcome started = controllers.start();
    return started.ok() ? EXIT_DONE : fail(EXIT_DEVICE, started.reason());
}

int Command::select(const QString &device, Controller *controller)
{
    if (const int code = startBus(); code != EXIT_DONE)
        return code;
    if (!device.isEmpty()) {
        const Product *product = productByName(device);
        if (!product)
            return fail(EXIT_USAGE, QStringLiteral("unknown device \"%1\": use generic, joystick, "
                                                   "rudder, wheel or a product id such as 0x58f9")
                                        .arg(device));
        switch (controllers.open(*product, controller)) {
        case Controllers::Presence::Answering:
            return EXIT_DONE;
        case Controllers::Presence::Silent:
            return fail(EXIT_DEVICE,
                        QStringLiteral("the %1 does not answer").arg(controller->label()));
        case Controllers::Presence::Unusable:
            return fail(EXIT_DEVICE, unusableText(*product, controller->unusable) +
                                         QStringLiteral("; see kestrix doctor"));
        case Controllers::Presence::Absent:
            break;
        }
        return fail(EXIT_DEVICE, QStringLiteral("no %1 (%2) is connected")
                                     .arg(QLatin1String(product->kind), hex16(product->productId)));
    }

    std::vector<Controller> found;
    QString silent;
    QString unusable;
    for (const Product &product : family()) {
        Controller candidate;
        const auto presence = controllers.open(product, &candidate);
        if (presence == Controllers::Presence::Answering)
            found.push_back(candidate);
        else if (presence == Controllers::Presence::Silent)
            silent = candidate.label();
        else if (presence == Controllers::Presence::Unusable && unusable.isEmpty())
            unusable = unusableText(product, candidate.unusable);
    }
    if (found.size() == 1) {
        *controller = found.front();
        return EXIT_DONE;
    }
    if (found.empty())
        return fail(EXIT_DEVICE,
                    !silent.isEmpty()     ? QStringLiteral("the %1 does not answer").arg(silent)
                    : !unusable.isEmpty() ? unusable + QStringLiteral("; see kestrix doctor")
                                          : QStringLiteral("no Kestrix controller is connected"));
    QStringList kinds;
    for (const Controller &c : found)
        kinds << QLatin1String(c.product->kind);
    return fail(EXIT_USAGE, QStringLiteral("more than one controller is connected (%1): "
                                           "name the one you mean")
                                .arg(kinds.join(QStringLiteral(", "))));
}

int Command::list()
{
    int code = startBus();
    if (code != EXIT_DONE)
        return code;
    int connected = 0;
    int unusable = 0;
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
            code =
                fail(EXIT_DEVICE, QStringLiteral("the %1 does not answer").arg(controller.label()));
            break;
        case Controllers::Presence::Unusable:
            // A line of its own on stdout: what is plugged in is listed, usable or not.
            out << unusableText(product, controller.unusable) << '\n';
            ++unusable;
            code = EXIT_DEVICE;
            break;
        case Controllers::Presence::Absent:
            break;
        }
    }
    out.flush();
    if (connected == 0 && code == EXIT_DONE)
        return fail(EXIT_DEVICE, QStringLiteral("no Kestrix controller is connected"));
    if (unusable > 0)
        return fail(EXIT_DEVICE, QStringLiteral("run kestrix doctor to see how to make it usable"));
    return code;
}

// The project's udev rule: the installed one, else the source tree's.
QString projectRule()
{
    const QString installed = QStringLiteral(KESTRIX_INSTALLED_RULE);
    return QFileInfo::exists(installed) ? installed : QStringLiteral(KESTRIX_SOURCE_RULE);
}

int Command::doctor()
{
    if (const int code = startBus(); code != EXIT_DONE)
        return code;
    const QString root = systemRoot();
    const AccessFacts facts = accessFacts(root);
    const QString install =
        QStringLiteral("sudo install -m 644 %1 /etc/udev/rules.d/").arg(projectRule());
    const QString reload = QStringLiteral("sudo udevadm control --reload && sudo udevadm trigger");
    const auto fix = [this](const QString &step) { out << "  fix: " << step << '\n'; };

    if (facts.udevRuns) {
        out << "udev running: ok\n";
    } else {
        out << "udev running: no (" << root << "/run/udev/control is missing): no rule gives "
            << "access to a device node\n";
        fix(QStringLiteral("sudo systemctl start systemd-udevd"));
    }

    const UdevRuleFile *early = nullptr;
    for (const UdevRuleFile &rule : facts.rules) {
        if (rule.early && !early)
            early = &rule;
    }
    const bool ruleOk = early != nullptr;
    if (early) {
        out << "udev rule for vendor 045b: ok (" << early->path << ")\n";
    } else {
        if (facts.rules.empty())
            out << "udev rule for vendor 045b: none installed\n";
        else
            out << "udev rule for vendor 045b: " << facts.rules.front().path
                << " sorts after 73-seat-late.rules, where the seat's access is granted\n";
        fix(install);
        fix(reload);
        fix(QStringLiteral("plug the controller in again"));
    }

    int plugged = 0;
    int unusable = 0;
    for (const PresentDevice &device : presentDevices()) {
        const Product *product = productById(device.productId);
        if (!product)
            continue;
        ++plugged;
        const QString name = QStringLiteral("%1 %2 (bus %3, device %4)")
                                 .arg(QLatin1String(product->kind), hex16(product->productId))
                                 .arg(device.busNumber)
                                 .arg(device.deviceNumber);
        if (device.access == DeviceAccess::Usable) {
            out << name << ": ok\n";
            continue;
        }
        ++unusable;
        out << name << ": " << unusableText(*product, device).section(QStringLiteral(", "), 1, -1)
            << '\n';
        const QString node = QString::fromStdString(device.node);
        if (device.access == DeviceAccess::Busy) {
            fix(QStringLiteral("close the program that holds it (sudo fuser -v %1 names it)")
                    .arg(node));
            continue;
        }
        if (device.access == DeviceAccess::Denied &&
            nodeAclForUser(node, geteuid()) == NodeAcl::NotGranted)
            out << "  " << node << " has no access entry for this user: the seat grants one "
                << "only to the user logged in at the machine\n";
        if (!ruleOk)
            fix(install);
        fix(reload);
        fix(QStringLiteral("plug the %1 in again").arg(QLatin1String(product->kind)));
        if (device.access == DeviceAccess::Denied)
            fix(QStringLiteral("log in at the machine rather than over ssh"));
    }
    if (plugged == 0)
        out << "controllers plugged in: none\n";

    if (plugged == 0)
        out << "No Kestrix controller is plugged in.\n";
    else if (unusable == 0)
        out << QStringLiteral("Every plugged-in controller can be used (%1).\n").arg(plugged);
    else
        out << QStringLiteral("%1 of %2 plugged-in controllers can not be used: run the fixes "
                              "above.\n")
                   .arg(unusable)
                   .arg(plugged);
    return unusable > 0 ? EXIT_DEVICE : EXIT_DONE;
}

int Command::readSettings(const Controller &controller, SettingsFile *file)
{
    const std::vector<RecordPart> parts = partsOf(controller);
    if (parts.empty())
        return fail(EXIT_USAGE, QStringLiteral("the %1 offers no settings (device type %2)")
                                    .arg(controller.label())
                                    .arg(controller.deviceType));
    file->productId = controller.product->productId;
    file->deviceType = controller.deviceType;
    for (const RecordPart &part : parts) {
        unsigned char record[RECEIVE_BUFFER_SIZE];
        if (const Outcome read = readPart(controller, part, record); !read.ok())
            return fail(EXIT_DEVICE, read.reason());
        file->records.push_back(readRecordValues(*part.table, record));
    }
    return EXIT_DONE;
}

int Command::show()
{
    Controller controller;
    SettingsFile file;
    const QString device = arguments.positionals.value(0);
    if (const int code = select(device, &controller); code != EXIT_DONE)
        return code;
    if (const int code = readSettings(controller, &file); code != EXIT_DONE)
        return code;

    if (arguments.json) {
        out << QString::fromUtf8(settingsJson(file));
        return EXIT_DONE;
    }
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
    return EXIT_DONE;
}

int Command::backup()
{
    const QString path = arguments.positionals.last();
    const QString device =
        arguments.positionals.size() == 2 ? arguments.positionals.first() : QString();
    const QFileInfo existing(path);
    // A link that points nowhere is there too: writing would create its target.
    if ((existing.exists() || existing.isSymLink()) && !arguments.force)
        return fail(EXIT_USAGE,
                    QStringLiteral("%1 exists already; --force overwrites it").arg(path));

    Controller controller;
    SettingsFile file;
    if (const int code = select(device, &controller); code != EXIT_DONE)
        return code;
    if (const int code = readSettings(controller, &file); code != EXIT_DONE)
        return code;

    if (const Outcome saved = writeFileAtomically(path, settingsJson(file)); !saved.ok())
        return fail(EXIT_USAGE,
                    QStringLiteral("%1 can not be written: %2").arg(path, saved.reason()));
    out << QStringLiteral("Saved the settings of the %1, device type %2, to %3\n")
               .arg(controller.label())
               .arg(controller.deviceType)
               .arg(path);
    return EXIT_DONE;
}

int Command::readSmallFile(const QString &path, QByteArray *content)
{
    const auto unreadable = [this, &path](const Outcome &outcome) {
        return fail(EXIT_USAGE,
                    QStringLiteral("%1 can not be read: %2").arg(path, outcome.reason()));
    };
    QFile input;
    if (const Outcome opened = openRegularFile(path, &input); !opened.ok())
        return unreadable(opened);
    if (input.size() > MAX_FILE_SIZE)
        return fail(EXIT_USAGE, QStringLiteral("%1 is too large for a settings file").arg(path));
    errno = 0;
    *content = input.read(MAX_FILE_SIZE + 1);
    if (input.error() != QFileDevice::NoError)
        return unreadable(Outcome::fromError(errno != 0 ? errno : EIO));
    if (content->size() > MAX_FILE_SIZE)
        return fail(EXIT_USAGE, QStringLiteral("%1 is too large for a settings file").arg(path));
    return EXIT_DONE;
}

int Command::readFile(const QString &path, SettingsFile *file)
{
    QByteArray json;
    if (const int code = readSmallFile(path, &json); code != EXIT_DONE)
        return code;
    if (const Outcome parsed = parseSettings(json, settingsTables(), file); !parsed.ok())
        return fail(EXIT_USAGE, path + QStringLiteral(": ") + parsed.reason());
    return EXIT_DONE;
}

int Command::restore()
{
    const QString path = arguments.positionals.last();
    const QString device =
        arguments.positionals.size() == 2 ? arguments.positionals.first() : QString();
    // The file is checked before anything reaches a device.
    SettingsFile file;
    if (const int code = readFile(path, &file); code != EXIT_DONE)
        return code;

    Controller controller;
    if (const int code = select(device, &controller); code != EXIT_DONE)
        return code;
    const std::vector<RecordPart> parts = partsOf(controller);
    if (parts.empty())
        return fail(EXIT_USAGE, QStringLiteral("the %1 offers no settings (device type %2)")
                                    .arg(controller.label())
                                    .arg(controller.deviceType));
    if ((file.productId != controller.product->productId ||
         file.deviceType != controller.deviceType) &&
        !arguments.force)
        return fail(EXIT_USAGE,
                    QStringLiteral("%1 holds the settings of a %2, not of this %3; --force "
                                   "restores it anyway")
                        .arg(path, describeDevice(file.productId, file.deviceType),
                             describeDevice(controller.product->productId, controller.deviceType)));

    out << QStringLiteral("Restoring %1 to the %2, device type %3\n")
               .arg(path, controller.label())
               .arg(controller.deviceType);

    // Each part: the device's record afresh, the file's fields over it, the differences.
    struct Plan {
        RecordPart part;
        const RecordValues *values;
        std::array<unsigned char, RECEIVE_BUFFER_SIZE> record;
    };
    std::vector<Plan> plans;
    QStringList afterReboot;
    for (const RecordPart &part : parts) {
        const RecordValues *values = file.find(*part.table);
        if (!values) {
            out << part.table->name << ": not in the file, left as the device has it\n";
            continue;
        }
        Plan &plan = plans.emplace_back(Plan{part, values, {}});
        if (const Outcome read = readPart(controller, part, plan.record.data()); !read.ok())
            return fail(EXIT_DEVICE, read.reason());
        const std::vector<size_t> changed = differingFields(*values, plan.record.data());
        out << part.table->name << (changed.empty() ? ": no differences\n" : ":\n");
        for (size_t i : changed) {
            const RecordField &field = part.table->fields[i];
            out << "  " << field.name << ": " << field.describe(field.read(plan.record.data()))
                << " -> " << field.describe(values->values[i]) << '\n';
            if (field.appliedAfterReboot)
                afterReboot << field.name;
        }
    }
    for (const RecordValues &values : file.records) {
        if (std::none_of(parts.begin(), parts.end(),
                         [&values](const RecordPart &p) { return p.table == values.table; }))
            out << values.table->name << ": left out, the " << controller.label() << " has none\n";
    }
    if (arguments.dryRun) {
        out << "Dry run: nothing was written.\n";
        return EXIT_DONE;
    }

    // Written part by part; the first failure ends the restore.
    QStringList differing;
    for (Plan &plan : plans) {
        out.flush();
        bool handedOver = false;
        const Outcome written = writePart(controller, plan.part, *plan.values, plan.record.data(),
                                          arguments.effectRoute, &handedOver);
        if (!written.ok())
            return fail(EXIT_DEVICE, written.reason());
        if (handedOver)
            out << plan.part.table->name << ": written by the running wheelconfig\n";
        unsigned char readBack[RECEIVE_BUFFER_SIZE];
        if (const Outcome read = readPart(controller, plan.part, readBack); !read.ok())
            return fail(EXIT_DEVICE, QStringLiteral("written, but ") + read.reason());
        for (size_t i : differingFields(*plan.values, readBack)) {
            const RecordField &field = plan.part.table->fields[i];
            differing << QStringLiteral("%1 is %2, not %3")
                             .arg(field.name, field.describe(field.read(readBack)),
                                  field.describe(plan.values->values[i]));
        }
    }
    if (!differing.isEmpty())
        return fail(EXIT_READ_BACK,
                    QStringLiteral("written, but the %1 read back differs: %2")
                        .arg(controller.label(), differing.join(QStringLiteral("; "))));
    out << "Written and read back: the " << controller.label() << " holds the file's settings.\n";
    if (!afterReboot.isEmpty())
        out << "Takes effect after a reboot (kestrix reboot " << controller.product->kind
            << "): " << afterReboot.join(QStringLiteral(", ")) << '\n';
    return EXIT_DONE;
}

int Command::reboot()
{
    Controller controller;
    if (const int code = select(arguments.positionals.value(0), &controller); code != EXIT_DONE)
        return code;
    const Outcome rebooted = rebootController(controller.handle);
    if (!rebooted.ok())
        return fail(EXIT_DEVICE,
                    QStringLiteral("the reboot command did not reach the %1 (error %2)")
                        .arg(controller.label())
                        .arg(rebooted.transfer));
    out << "Rebooting the " << controller.label() << ".\n";
    return EXIT_DONE;
}

int Command::profile()
{
    const QString action = arguments.positionals.first();
    const int count = arguments.positionals.size() - 1;
    const bool list = action == QLatin1String("list");
    const bool exporting = action == QLatin1String("export");
    const bool importing = action == QLatin1String("import");
    if (!list && !exporting && !importing)
        return fail(EXIT_USAGE, QStringLiteral("unknown profile command \"%1\": use list, export "
                                               "or import")
                                    .arg(action));
    if ((list && count != 0) || (exporting && count != 2) ||
        (importing && (count < 1 || count > 2)))
        return fail(
            EXIT_USAGE,
            QStringLiteral("wrong arguments for profile %1; see kestrix --help").arg(action));
    if (list && arguments.force)
        return fail(EXIT_USAGE, QStringLiteral("--force is not an option of profile list"));

    const QDir folder(arguments.profilesGiven ? arguments.profiles : QDir::currentPath());
    if (!folder.exists())
        return fail(EXIT_USAGE, QStringLiteral("there is no folder %1").arg(folder.path()));
    // Only an import makes the folder; a look in the wrong place must leave nothing behind.
    const ProfileStore store(folder, importing ? ProfileStore::Folder::Make
                                               : ProfileStore::Folder::MustExist);
    if (!store.usable())
        return fail(EXIT_DEVICE,
                    QStringLiteral("%1 can not be used: run kestrix where wheelconfig runs, or "
                                   "give --profiles DIR")
                        .arg(store.path()));
    if (list)
        return listProfiles(store);
    return exporting ? exportProfile(store) : importProfile(store);
}

int Command::listProfiles(const ProfileStore &store)
{
    for (const QString &name : store.names())
        out << name << '\n';
    return EXIT_DONE;
}

int Command::exportProfile(const ProfileStore &store)
{
    const QString name = arguments.positionals.at(1);
    const QString path = arguments.positionals.at(2);
    const QFileInfo existing(path);
    if ((existing.exists() || existing.isSymLink()) && !arguments.force)
        return fail(EXIT_USAGE,
                    QStringLiteral("%1 exists already; --force overwrites it").arg(path));

    unsigned char record[EFFECT_SETTINGS_RECORD_SIZE];
    const ProfileStore::Outcome read = store.read(name, record);
    if (!read.ok())
        return fail(read.problem == Outcome::Problem::BadName ? EXIT_USAGE : EXIT_DEVICE,
                    QStringLiteral("the profile \"%1\" can not be read: %2")
                        .arg(name, ProfileStore::reason(read)));
    const RecordValues values = readRecordValues(effectSettingsTable(), record);
    if (const Outcome saved = writeFileAtomically(path, profileJson(values)); !saved.ok())
        return fail(EXIT_USAGE,
                    QStringLiteral("%1 can not be written: %2").arg(path, saved.reason()));
    out << QStringLiteral("Saved the profile \"%1\" to %2\n").arg(name, path);
    return EXIT_DONE;
}

int Command::importProfile(const ProfileStore &store)
{
    const QString path = arguments.positionals.at(1);
    const QString name = arguments.positionals.size() == 3 ? arguments.positionals.at(2)
                                                           : QFileInfo(path).completeBaseName();
    if (const ProfileStore::NameProblem problem = ProfileStore::checkName(name);
        problem != ProfileStore::NameProblem::None) {
        Outcome named = Outcome::failed(Outcome::Problem::BadName);
        named.detail = int(problem);
        return fail(EXIT_USAGE, QStringLiteral("\"%1\" can not name a profile: %2")
                                    .arg(name, ProfileStore::reason(named)));
    }
    QByteArray json;
    if (const int code = readSmallFile(path, &json); code != EXIT_DONE)
        return code;
    RecordValues values;
    if (const Outcome parsed = parseProfile(json, &values); !parsed.ok())
        return fail(EXIT_USAGE, path + QStringLiteral(": ") + parsed.reason());
    if (store.exists(name) && !arguments.force)
        return fail(
            EXIT_USAGE,
            QStringLiteral("the profile \"%1\" exists already; --force replaces it").arg(name));

    // The file's bytes, with its fields over them as a restore writes them.
    QByteArray record = values.raw;
    writeRecordValues(values, reinterpret_cast<unsigned char *>(record.data()));
    const ProfileStore::Outcome written =
        store.write(name, reinterpret_cast<const unsigned char *>(record.constData()));
    if (!written.ok())
        return fail(EXIT_DEVICE, QStringLiteral("the profile \"%1\" can not be stored: %2")
                                     .arg(name, ProfileStore::reason(written)));
    out << QStringLiteral("Stored %1 as the profile \"%2\"\n").arg(path, name);
    return EXIT_DONE;
}

} // namespace

int runKestrix(const QStringList &argumentList, QTextStream &out, QTextStream &err,
               EffectRoute effectRoute)
{
    Arguments arguments;
    arguments.effectRoute = effectRoute;
    for (int i = 0; i < argumentList.size(); ++i) {
        const QString &argument = argumentList.at(i);
        if (argument == QLatin1String("--profiles") ||
            argument.startsWith(QLatin1String("--profiles="))) {
            const bool joined = argument.size() > 10;
            if (!joined && i + 1 == argumentList.size()) {
                err << "kestrix: --profiles needs a folder; see kestrix --help\n";
                return EXIT_USAGE;
            }
            arguments.profiles = joined ? argument.mid(11) : argumentList.at(++i);
            arguments.profilesGiven = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            arguments.help = true;
        else if (argument == QLatin1String("--version"))
            arguments.version = true;
        else if (argument == QLatin1String("--json"))
            arguments.json = true;
        else if (argument == QLatin1String("--dry-run"))
            arguments.dryRun = true;
        else if (argument == QLatin1String("--force"))
            arguments.force = true;
        else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            err << "kestrix: unknown option " << argument << "; see kestrix --help\n";
            return EXIT_USAGE;
        } else if (arguments.command.isEmpty())
            arguments.command = argument;
        else
            arguments.positionals << argument;
    }
    int code = EXIT_DONE;
    if (arguments.help)
        out << HELP;
    else if (arguments.version)
        out << "kestrix " KESTRIX_VERSION "\n";
    else if (arguments.command.isEmpty()) {
        err << "kestrix: no command given; see kestrix --help\n";
        code = EXIT_USAGE;
    } else
        code = Command(arguments, out, err).run();
    out.flush();
    // Output a script can not read (a full disk, a closed pipe) is no success.
    if (out.status() != QTextStream::Ok && code == EXIT_DONE) {
        const QFileDevice *device = qobject_cast<const QFileDevice *>(out.device());
        err << "kestrix: the output could not be written"
            << (device ? QStringLiteral(": ") + device->errorString() : QString()) << '\n';
        code = EXIT_DEVICE;
    }
    err.flush();
    return code;
}
