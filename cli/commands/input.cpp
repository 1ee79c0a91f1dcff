#include "commands.h"

#include "family.h"
#include "input_source.h"
#include "process_setup.h"

#include <QEventLoop>
#include <QFileDevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cmath>

namespace
{

QString percentText(const InputAxis &axis)
{
    // "X=2048 (50 %)"
    return axis.name + QLatin1Char('=') + QString::number(axis.value) + QStringLiteral(" (") +
           QString::number(std::lround(axis.percent())) + QStringLiteral(" %)");
}

// Decimal digits without QString::number's locale and allocation.
void appendNumber(QByteArray &to, long value)
{
    char digits[24];
    char *end = digits + sizeof digits;
    char *at = end;
    const bool negative = value < 0;
    unsigned long magnitude = negative ? 0UL - static_cast<unsigned long>(value)
                                       : static_cast<unsigned long>(value);
    do {
        *--at = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (negative)
        *--at = '-';
    to.append(at, end - at);
}

QJsonObject axisObject(const InputAxis &axis, bool whole)
{
    QJsonObject object{{QStringLiteral("value"), axis.value},
                       {QStringLiteral("percent"), std::round(axis.percent() * 10) / 10}};
    if (whole) {
        object.insert(QStringLiteral("minimum"), axis.minimum);
        object.insert(QStringLiteral("maximum"), axis.maximum);
        object.insert(QStringLiteral("fuzz"), axis.fuzz);
        object.insert(QStringLiteral("flat"), axis.flat);
    }
    return object;
}

QJsonArray hatArray(const InputState &state)
{
    QJsonArray hats;
    for (const InputHat &hat : state.hats)
        hats.append(QString::fromLatin1(hat.direction()));
    return hats;
}

} // namespace

Outcome InputCommand::run()
{
    const QString device = arguments.positionals.value(0);
    const Product *product = nullptr;
    InputOpening opening;
    if (!device.isEmpty()) {
        product = productByName(device);
        if (!product)
            return refusal(EXIT_USAGE, QStringLiteral("unknown device \"%1\": use generic, "
                                                      "joystick, rudder, wheel or a product id "
                                                      "such as 0x58f9")
                                           .arg(device));
        opening = openInput(uint16_t(product->productId));
        if (opening.unsupported)
            return refusal(EXIT_DEVICE, opening.reason);
        if (!opening.source)
            return refusal(EXIT_DEVICE, QStringLiteral("no input of the %1: %2")
                                            .arg(QLatin1String(product->kind), opening.reason));
    } else {
        // The only controller whose input can be read.
        QStringList readable;
        QString reason;
        for (const Product &candidate : family()) {
            InputOpening tried = openInput(candidate.productId);
            if (tried.unsupported)
                return refusal(EXIT_DEVICE, tried.reason);
            if (tried.source) {
                readable << QLatin1String(candidate.kind);
                product = &candidate;
                opening = std::move(tried);
            } else if (reason.isEmpty() && !tried.absent) {
                reason = QStringLiteral("%1: %2").arg(QLatin1String(candidate.kind), tried.reason);
            }
        }
        if (readable.size() > 1)
            return refusal(EXIT_USAGE, QStringLiteral("several controllers are connected (%1): "
                                                      "name one")
                                           .arg(readable.join(QStringLiteral(", "))));
        if (readable.isEmpty())
            return refusal(EXIT_DEVICE,
                           reason.isEmpty()
                               ? QStringLiteral("no Kestrix controller has an event device")
                               : QStringLiteral("no input can be read; %1").arg(reason));
    }
    InputSource &source = *opening.source;
    if (arguments.once) {
        printWhole(*product, source.state());
        return Outcome();
    }
    return follow(source);
}

void InputCommand::printWhole(const Product &product, const InputState &state)
{
    if (arguments.json) {
        QJsonObject axes;
        for (const InputAxis &axis : state.axes)
            axes.insert(axis.name, axisObject(axis, true));
        QJsonArray pressed;
        for (const InputButton &button : state.buttons) {
            if (button.pressed)
                pressed.append(button.number);
        }
        const QJsonObject object{{QStringLiteral("device"), QLatin1String(product.kind)},
                                 {QStringLiteral("product_id"), hex16(product.productId)},
                                 {QStringLiteral("name"), state.deviceName},
                                 {QStringLiteral("axes"), axes},
                                 {QStringLiteral("buttons"), int(state.buttons.size())},
                                 {QStringLiteral("pressed"), pressed},
                                 {QStringLiteral("hats"), hatArray(state)}};
        out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
        return;
    }
    out << state.deviceName << " (" << product.kind << ", " << hex16(product.productId) << ")\n";
    for (const InputAxis &axis : state.axes)
        out << "  " << percentText(axis) << "  range " << axis.minimum << ".." << axis.maximum
            << '\n';
    QStringList pressed;
    for (const InputButton &button : state.buttons) {
        if (button.pressed)
            pressed << QString::number(button.number);
    }
    out << "  buttons " << state.buttons.size() << ", pressed: "
        << (pressed.isEmpty() ? QStringLiteral("none") : pressed.join(QLatin1Char(' '))) << '\n';
    for (size_t i = 0; i < state.hats.size(); ++i)
        out << "  hat " << i << ": " << state.hats[i].direction() << '\n';
}

void InputCommand::appendChange(const InputState &before, const InputState &after)
{
    line.clear();
    const auto separate = [this] {
        if (!line.isEmpty())
            line.append(", ", 2);
    };
    if (encodedNames.size() != after.axes.size()) {
        axisNames.assign(after.axes.size(), QString());
        encodedNames.assign(after.axes.size(), QByteArray());
    }
    for (size_t i = 0; i < after.axes.size(); ++i) {
        const InputAxis &axis = after.axes[i];
        if (i < before.axes.size() && before.axes[i].value == axis.value)
            continue;
        if (axisNames[i] != axis.name) {
            axisNames[i] = axis.name;
            encodedNames[i] = axis.name.toUtf8();
        }
        separate();
        line.append(encodedNames[i]);
        line.append('=');
        appendNumber(line, axis.value);
        line.append(" (", 2);
        appendNumber(line, std::lround(axis.percent()));
        line.append(" %)", 3);
    }
    for (size_t i = 0; i < after.buttons.size(); ++i) {
        const InputButton &button = after.buttons[i];
        if (i < before.buttons.size() && before.buttons[i].pressed == button.pressed)
            continue;
        separate();
        line.append("button ", 7);
        appendNumber(line, button.number);
        line.append(button.pressed ? QByteArrayView(" pressed") : QByteArrayView(" released"));
    }
    for (size_t i = 0; i < after.hats.size(); ++i) {
        const InputHat &hat = after.hats[i];
        if (i < before.hats.size() && before.hats[i].x == hat.x && before.hats[i].y == hat.y)
            continue;
        separate();
        line.append("hat ", 4);
        appendNumber(line, long(i));
        line.append(' ');
        line.append(hat.direction());
    }
    if (!line.isEmpty())
        line.append('\n');
}

void InputCommand::writeLine()
{
    const qsizetype done =
        descriptor >= 0 ? writeToDescriptor(descriptor, line.constData(), line.size()) : 0;
    if (done < line.size()) {
        // No descriptor, or it failed: the stream writes the rest and keeps any error.
        out << QString::fromUtf8(line.constData() + done, line.size() - done);
        out.flush();
    }
}

void InputCommand::printChange(const InputState &before, const InputState &after)
{
    if (!arguments.json) {
        appendChange(before, after);
        // A line a report: whoever reads the pipe sees it as it happens.
        if (!line.isEmpty())
            writeLine();
        return;
    }
    QJsonObject axes;
    QJsonArray pressed;
    QJsonArray released;
    bool hatsChanged = false;
    for (size_t i = 0; i < after.axes.size(); ++i) {
        const InputAxis &axis = after.axes[i];
        if (i >= before.axes.size() || before.axes[i].value != axis.value)
            axes.insert(axis.name, axisObject(axis, false));
    }
    for (size_t i = 0; i < after.buttons.size(); ++i) {
        const InputButton &button = after.buttons[i];
        if (i >= before.buttons.size() || before.buttons[i].pressed != button.pressed)
            (button.pressed ? pressed : released).append(button.number);
    }
    for (size_t i = 0; i < after.hats.size(); ++i) {
        const InputHat &hat = after.hats[i];
        if (i >= before.hats.size() || before.hats[i].x != hat.x || before.hats[i].y != hat.y)
            hatsChanged = true;
    }
    if (axes.isEmpty() && pressed.isEmpty() && released.isEmpty() && !hatsChanged)
        return; // a report that repeats the state
    QJsonObject object{{QStringLiteral("axes"), axes},
                       {QStringLiteral("pressed"), pressed},
                       {QStringLiteral("released"), released}};
    if (hatsChanged)
        object.insert(QStringLiteral("hats"), hatArray(after));
    out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
    out.flush();
}

Outcome InputCommand::follow(InputSource &source)
{
    QEventLoop loop;
    const InterruptWatch interrupts(loop);
    if (!interrupts.watching())
        return refusal(EXIT_DEVICE, QStringLiteral("can not wait for an interrupt"));
    Outcome outcome;
    // Text goes to the descriptor in one write a report, past the stream's buffers and
    // encoder; what the stream holds goes first.
    out.flush();
    const auto *file = qobject_cast<const QFileDevice *>(out.device());
    descriptor = !arguments.json && file && file->isOpen() && out.status() == QTextStream::Ok
                     ? file->handle()
                     : -1;
    InputState shown = source.state();
    QObject::connect(&source, &InputSource::reported, &loop, [&] {
        printChange(shown, source.state());
        shown = source.state();
        if (out.status() != QTextStream::Ok)
            loop.quit(); // nobody reads: runKestrix says so
    });
    QObject::connect(&source, &InputSource::lost, &loop, [&](const QString &reason) {
        outcome = refusal(EXIT_DEVICE, QStringLiteral("input ended: %1").arg(reason));
        loop.quit();
    });
    loop.exec();
    descriptor = -1;
    return outcome;
}
