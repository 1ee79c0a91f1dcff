#include "command_line.h"

#include "commands/commands.h"

#include <QFileDevice>
#include <QTextStream>

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
  input [DEVICE] [--once] [--json]
                           What the controller's axes, buttons and hat report,
                           one line per report (the changed axes as name=value
                           (percent), the buttons pressed and released) until
                           interrupted. --once prints the whole state and ends;
                           --json prints one JSON object a line.
  profile list             The wheel's profiles, one name a line.
  profile export NAME FILE [--force]
                           Saves the profile NAME to FILE (JSON, the effect
                           settings by field name, as a backup holds them). An
                           existing FILE is kept unless --force is given.
  profile import FILE [NAME] [--force]
                           Checks FILE and stores it as the profile NAME (by
                           default FILE's name without its extension). An
                           existing profile is kept unless --force is given.

Options:
  --json                   show: the settings as a settings file.
  --dry-run                restore: print what would change, write nothing.
  --force                  backup, profile export: overwrite FILE. restore: take
                           a file of another product or device type. profile
                           import: replace the profile of that name.
  --profiles DIR           profile: the folder that holds wheel_profiles. A DIR
                           that does not exist is made by import only.
  --help, -h               This text.
  --version                The program's version.

DEVICE is generic, joystick, rudder, wheel or a product id (0x58f9 or 22777). It may
be left out when exactly one controller is connected.

Profiles are those of wheelconfig, in its folder wheel_profiles: by default the
working folder's, and where it has none, the installed wheelconfig's
(~/.local/share/kestrix/wheel_profiles, or $XDG_DATA_HOME/kestrix/wheel_profiles),
which kestrix then names on stderr.

Files:
  FILE of backup, restore   a settings file: JSON, format "kestrix-settings"
  FILE of profile export, import
                            a profile file: JSON, format "kestrix-profile"
  wheel_profiles/NAME       a profile as wheelconfig keeps it (22 bytes)
  70-kestrix.rules          the udev rule doctor looks for in /etc/udev/rules.d,
                            /run/udev/rules.d, /usr/local/lib/udev/rules.d and
                            /usr/lib/udev/rules.d

Exit codes:
  0  done
  1  the device is missing or can not be used, a transfer failed, a profile
     could not be read or stored, doctor found a controller that can not be
     used, or the output could not be written
  2  bad usage or a bad file
  3  written, but the read-back differs

Environment:
  KESTRIX_SIMULATOR=joystick,wheel  simulated controllers instead of the USB bus
  KESTRIX_SIMULATOR_LOG=FILE        one line per transfer to a simulated controller
  KESTRIX_SIMULATOR_NO_ACCESS=wheel simulated controllers this user may not open
  XDG_DATA_HOME                     where the installed wheelconfig's folder is
  SSH_CONNECTION, XDG_SEAT          doctor: whether the session is at the machine
)";

// Each command with the arguments and options it takes.
struct Shape {
    const char *name;
    int minPositionals;
    int maxPositionals;
    bool json, dryRun, force, profiles, once;
    std::unique_ptr<Command> (*make)(const Arguments &, QTextStream &);
};
const Shape SHAPES[] = {
    {"list", 0, 0, false, false, false, false, false, &makeCommand<ListCommand>},
    {"show", 0, 1, true, false, false, false, false, &makeCommand<ShowCommand>},
    {"backup", 1, 2, false, false, true, false, false, &makeCommand<BackupCommand>},
    {"restore", 1, 2, false, true, true, false, false, &makeCommand<RestoreCommand>},
    {"reboot", 0, 1, false, false, false, false, false, &makeCommand<RebootCommand>},
    {"doctor", 0, 0, false, false, false, false, false, &makeCommand<DoctorCommand>},
    {"profile", 1, 3, false, false, true, true, false, &makeCommand<ProfileCommand>},
    {"input", 0, 1, true, false, false, false, true, &makeCommand<InputCommand>},
};

Outcome runCommand(const Arguments &arguments, QTextStream &out, QTextStream &err)
{
    const QString &command = arguments.command;
    const Shape *shape = nullptr;
    for (const Shape &s : SHAPES) {
        if (command == QLatin1String(s.name))
            shape = &s;
    }
    if (!shape)
        return refusal(EXIT_USAGE,
                       QStringLiteral("unknown command \"%1\"; see kestrix --help").arg(command));
    const int count = arguments.positionals.size();
    if (count < shape->minPositionals || count > shape->maxPositionals)
        return refusal(EXIT_USAGE,
                       QStringLiteral("wrong arguments for %1; see kestrix --help").arg(command));
    const char *misplaced = arguments.json && !shape->json                ? "--json"
                            : arguments.dryRun && !shape->dryRun          ? "--dry-run"
                            : arguments.force && !shape->force            ? "--force"
                            : arguments.profilesGiven && !shape->profiles ? "--profiles"
                            : arguments.once && !shape->once              ? "--once"
                                                                          : nullptr;
    if (misplaced)
        return refusal(
            EXIT_USAGE,
            QStringLiteral("%1 is not an option of %2").arg(QLatin1String(misplaced), command));
    const std::unique_ptr<Command> chosen = shape->make(arguments, out);
    chosen->setNotes(&err);
    return chosen->run();
}

// Reads the options into `arguments`; a refusal names the one it can not take.
Outcome parseArguments(const QStringList &list, Arguments *arguments)
{
    for (int i = 0; i < list.size(); ++i) {
        const QString &argument = list.at(i);
        if (argument == QLatin1String("--profiles") ||
            argument.startsWith(QLatin1String("--profiles="))) {
            const bool joined = argument.size() > 10;
            if (!joined && i + 1 == list.size())
                return refusal(EXIT_USAGE,
                               QStringLiteral("--profiles needs a folder; see kestrix --help"));
            arguments->profiles = joined ? argument.mid(11) : list.at(++i);
            arguments->profilesGiven = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            arguments->help = true;
        else if (argument == QLatin1String("--version"))
            arguments->version = true;
        else if (argument == QLatin1String("--json"))
            arguments->json = true;
        else if (argument == QLatin1String("--dry-run"))
            arguments->dryRun = true;
        else if (argument == QLatin1String("--force"))
            arguments->force = true;
        else if (argument == QLatin1String("--once"))
            arguments->once = true;
        else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1)
            return refusal(EXIT_USAGE,
                           QStringLiteral("unknown option %1; see kestrix --help").arg(argument));
        else if (arguments->command.isEmpty())
            arguments->command = argument;
        else
            arguments->positionals << argument;
    }
    return Outcome();
}

Outcome run(const QStringList &list, QTextStream &out, QTextStream &err, EffectRoute effectRoute)
{
    Arguments arguments;
    arguments.effectRoute = effectRoute;
    if (const Outcome parsed = parseArguments(list, &arguments); !parsed.ok())
        return parsed;
    if (arguments.help)
        out << HELP;
    else if (arguments.version)
        out << "kestrix " KESTRIX_VERSION "\n";
    else if (arguments.command.isEmpty())
        return refusal(EXIT_USAGE, QStringLiteral("no command given; see kestrix --help"));
    else
        return runCommand(arguments, out, err);
    return Outcome();
}

} // namespace

int runKestrix(const QStringList &arguments, QTextStream &out, QTextStream &err,
               EffectRoute effectRoute)
{
    const Outcome outcome = run(arguments, out, err, effectRoute);
    ExitCode code = exitCode(outcome);
    QString line = outcome.reason();
    out.flush();
    // Output a script can not read (a full disk, a closed pipe) is no success, and is said
    // even after a failure: the report the script would read is gone.
    if (out.status() != QTextStream::Ok) {
        const QFileDevice *device = qobject_cast<const QFileDevice *>(out.device());
        const QString lost = QStringLiteral("the output could not be written") +
                             (device ? QStringLiteral(": ") + device->errorString() : QString());
        line = line.isEmpty() ? lost : lost + QStringLiteral("; before that: ") + line;
        code = EXIT_DEVICE;
    }
    if (!line.isEmpty())
        err << "kestrix: " << line << '\n';
    err.flush();
    return code;
}
