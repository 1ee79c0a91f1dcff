#include "command.h"

#include "file_writer.h"
#include "kestrix_protocol.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cerrno>

namespace
{

// Larger files are not settings files; they are not read into memory.
constexpr qint64 MAX_FILE_SIZE = 1 << 20;

} // namespace

Outcome refusal(ExitCode code, const QString &line)
{
    Outcome outcome = Outcome::because(line);
    outcome.detail = code;
    return outcome;
}

Outcome explainedAbove(ExitCode code)
{
    return refusal(code, QString());
}

ExitCode exitCode(const Outcome &outcome)
{
    using Problem = Outcome::Problem;
    switch (outcome.problem) {
    case Problem::None:
        return EXIT_DONE;
    case Problem::NoDevice:
    case Problem::ReadFailed:
    case Problem::Changed:
    case Problem::WriteFailed:
    case Problem::CommandFailed:
    case Problem::NotConfirmed:
    case Problem::StoppedAnswering:
    // The running wheelconfig that a wheel's settings go through.
    case Problem::BadRequest:
    case Problem::Unsupported:
    case Problem::NoInstance:
    case Problem::NoAnswer:
        return EXIT_DEVICE;
    case Problem::DiskFull:
    case Problem::NotRegularFile:
    case Problem::SymbolicLink:
    case Problem::PlantedLink:
    case Problem::AccessDenied:
    case Problem::ReadOnly:
    case Problem::NameTooLong:
    case Problem::NoFolder:
    case Problem::NotFound:
    case Problem::Damaged:
        return EXIT_USAGE;
    case Problem::BadName:
    case Problem::Failed:
        break;
    }
    return outcome.detail == EXIT_USAGE || outcome.detail == EXIT_READ_BACK
               ? ExitCode(outcome.detail)
               : EXIT_DEVICE;
}

Outcome Command::startBus()
{
    if (controllers.started())
        return Outcome();
    const Outcome started = controllers.start();
    return started.ok() ? started : refusal(EXIT_DEVICE, started.reason());
}

Outcome Command::openNamed(const QString &device, Controller *controller)
{
    const Product *product = productByName(device);
    if (!product)
        return refusal(EXIT_USAGE, QStringLiteral("unknown device \"%1\": use generic, "
                                                  "joystick, rudder, wheel or a product id "
                                                  "such as 0x58f9")
                                       .arg(device));
    switch (controllers.open(*product, controller)) {
    case Controllers::Presence::Answering:
        return Outcome();
    case Controllers::Presence::Silent:
        return refusal(EXIT_DEVICE,
                       QStringLiteral("the %1 does not answer").arg(controller->label()));
    case Controllers::Presence::Unusable:
        return refusal(EXIT_DEVICE, unusableText(*product, controller->unusable) +
                                        QStringLiteral("; see kestrix doctor"));
    case Controllers::Presence::Absent:
        break;
    }
    return refusal(EXIT_DEVICE, QStringLiteral("no %1 (%2) is connected")
                                    .arg(QLatin1String(product->kind), hex16(product->productId)));
}

Outcome Command::select(const QString &device, Controller *controller)
{
    if (const Outcome started = startBus(); !started.ok())
        return started;
    if (!device.isEmpty())
        return openNamed(device, controller);
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
        return Outcome();
    }
    if (found.empty())
        return refusal(EXIT_DEVICE, !silent.isEmpty()
                                        ? QStringLiteral("the %1 does not answer").arg(silent)
                                    : !unusable.isEmpty()
                                        ? unusable + QStringLiteral("; see kestrix doctor")
                                        : QStringLiteral("no Kestrix controller is connected"));
    QStringList kinds;
    for (const Controller &c : found)
        kinds << QLatin1String(c.product->kind);
    return refusal(EXIT_USAGE, QStringLiteral("more than one controller is connected (%1): "
                                              "name the one you mean")
                                   .arg(kinds.join(QStringLiteral(", "))));
}

Outcome Command::readSettings(const Controller &controller, SettingsFile *file)
{
    const std::vector<RecordPart> parts = partsOf(controller);
    if (parts.empty())
        return refusal(EXIT_USAGE, QStringLiteral("the %1 offers no settings (device type %2)")
                                       .arg(controller.label())
                                       .arg(controller.deviceType));
    file->productId = controller.product->productId;
    file->deviceType = controller.deviceType;
    for (const RecordPart &part : parts) {
        unsigned char record[RECEIVE_BUFFER_SIZE];
        if (const Outcome read = readPart(controller, part, record); !read.ok())
            return refusal(EXIT_DEVICE, read.reason());
        file->records.push_back(readRecordValues(*part.table, record));
    }
    return Outcome();
}

void Command::note(const QString &remark)
{
    if (notes)
        *notes << "kestrix: " << remark << Qt::endl;
}

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

QString doctorSummary(int plugged, int unusable, int unreadableInputs)
{
    if (plugged == 0)
        return QStringLiteral("controllers plugged in: none\nNo Kestrix controller is plugged in.\n");
    if (unusable == 0 && unreadableInputs > 0)
        return QStringLiteral("Every plugged-in controller can be used (%1), but the input of %2 "
                              "can not be read: run the fixes above.\n")
            .arg(plugged)
            .arg(unreadableInputs);
    if (unusable == 0)
        return QStringLiteral("Every plugged-in controller can be used (%1).\n").arg(plugged);
    if (plugged == 1)
        return QStringLiteral("The plugged-in controller can not be used: run the fixes above.\n");
    return QStringLiteral("%1 of %2 plugged-in controllers can not be used: run the fixes above.\n")
        .arg(unusable)
        .arg(plugged);
}

Outcome refuseExisting(const QString &path, bool force)
{
    const QFileInfo existing(path);
    // A link that points nowhere is there too: writing would create its target.
    if ((existing.exists() || existing.isSymLink()) && !force)
        return refusal(EXIT_USAGE,
                       QStringLiteral("%1 exists already; --force overwrites it").arg(path));
    return Outcome();
}

Outcome readSmallFile(const QString &path, QByteArray *content)
{
    const auto unreadable = [&path](const Outcome &outcome) {
        return refusal(EXIT_USAGE,
                       QStringLiteral("%1 can not be read: %2").arg(path, outcome.reason()));
    };
    const Outcome tooLarge =
        refusal(EXIT_USAGE, QStringLiteral("%1 is too large for a settings file").arg(path));
    QFile input;
    if (const Outcome opened = openRegularFile(path, &input); !opened.ok())
        return unreadable(opened);
    if (input.size() > MAX_FILE_SIZE)
        return tooLarge;
    errno = 0;
    *content = input.read(MAX_FILE_SIZE + 1);
    if (input.error() != QFileDevice::NoError)
        return unreadable(Outcome::fromError(errno != 0 ? errno : EIO));
    return content->size() > MAX_FILE_SIZE ? tooLarge : Outcome();
}

Outcome readSettingsFile(const QString &path, SettingsFile *file)
{
    QByteArray json;
    if (const Outcome read = readSmallFile(path, &json); !read.ok())
        return read;
    if (const Outcome parsed = parseSettings(json, settingsTables(), file); !parsed.ok())
        return refusal(EXIT_USAGE, path + QStringLiteral(": ") + parsed.reason());
    return Outcome();
}
