#include "test_support.h"

#include "kestrix_protocol.h"
#include "simulator_log.h"
#include "transport.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>

#include <algorithm>
#include <iterator>

namespace
{

QtMessageHandler previousHandler = nullptr;

void dropPopupWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    previousHandler(type, context, message);
}

} // namespace

void quietOffscreenPopups()
{
    if (!previousHandler)
        previousHandler = qInstallMessageHandler(dropPopupWarnings);
}

ScopedSimulator::ScopedSimulator(std::initializer_list<ControllerKind> kinds)
    : simulatedBus(std::make_unique<SimulatedBus>())
{
    for (ControllerKind kind : kinds)
        simulatedBus->add(kind);
    setUsbBus(simulatedBus.get());
    setInputProvider(&input);
}

ScopedSimulator::~ScopedSimulator()
{
    setInputProvider(nullptr);
    setUsbBus(nullptr);
}

MessageBoxCatcher::MessageBoxCatcher()
{
    timer.setInterval(5);
    connect(&timer, &QTimer::timeout, this, &MessageBoxCatcher::answer);
    timer.start();
}

void MessageBoxCatcher::answer()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box || !box->isVisible())
            continue;
        seen.push_back({box->windowTitle(), box->text()});
        box->done(QMessageBox::Ok);
    }
}

std::vector<SimTransfer> readSimulatorLog(const QString &path)
{
    std::vector<SimTransfer> transfers;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return transfers;
    // <ms> <vid>:<pid> <requestType> <request> <value> <index> <length> <result> <data>
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() != 9)
            continue;
        SimTransfer t;
        t.ms = f[0].toLongLong();
        t.vendorId = uint16_t(f[1].left(4).toUInt(nullptr, 16));
        t.productId = uint16_t(f[1].mid(5).toUInt(nullptr, 16));
        t.requestType = uint8_t(f[2].toUInt(nullptr, 16));
        t.request = uint8_t(f[3].toUInt(nullptr, 16));
        t.value = uint16_t(f[4].toUInt(nullptr, 16));
        t.index = uint16_t(f[5].toUInt(nullptr, 16));
        t.length = uint16_t(f[6].toUInt(nullptr, 16));
        t.result = f[7].toInt();
        const QByteArray data = f[8] == "-" ? QByteArray() : QByteArray::fromHex(f[8]);
        t.data.assign(data.begin(), data.end());
        transfers.push_back(t);
    }
    return transfers;
}

namespace
{
template <typename Keep>
std::vector<SimTransfer> kept(const std::vector<SimTransfer> &transfers, Keep keep)
{
    std::vector<SimTransfer> out;
    std::copy_if(transfers.begin(), transfers.end(), std::back_inserter(out), keep);
    return out;
}
} // namespace

std::vector<SimTransfer> getReports(const std::vector<SimTransfer> &transfers, uint8_t reportId)
{
    return kept(transfers, [&](const SimTransfer &t) { return t.isGetReport(reportId); });
}

std::vector<SimTransfer> commands(const std::vector<SimTransfer> &transfers, uint8_t command)
{
    return kept(transfers, [&](const SimTransfer &t) { return t.isCommand(command); });
}

std::vector<SimTransfer> setReports(const std::vector<SimTransfer> &transfers)
{
    return kept(transfers,
                [](const SimTransfer &t) { return t.requestType == HID_REQUEST_TYPE_OUT; });
}

std::vector<SimTransfer> withoutProbes(const std::vector<SimTransfer> &transfers)
{
    return kept(transfers,
                [](const SimTransfer &t) { return !t.isGetReport(REPORT_DEVICE_INFO); });
}

QStringList describe(const std::vector<SimTransfer> &transfers)
{
    QStringList out;
    for (const SimTransfer &t : transfers)
        out << QString::fromStdString(formatTransferLine(t));
    return out;
}

QByteArray toBytes(const std::vector<uint8_t> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}
