#include "test_support.h"

#include "kestrix_protocol.h"

#include <QApplication>
#include <QMessageBox>

ScopedSimulator::ScopedSimulator(std::initializer_list<ControllerKind> kinds)
    : simulatedBus(std::make_unique<SimulatedBus>())
{
    for (ControllerKind kind : kinds)
        simulatedBus->add(kind);
    setUsbBus(simulatedBus.get());
}

ScopedSimulator::~ScopedSimulator()
{
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

std::vector<SimTransfer> getReports(const std::vector<SimTransfer> &transfers, uint8_t reportId)
{
    std::vector<SimTransfer> out;
    for (const SimTransfer &t : transfers) {
        if (t.isGetReport(reportId))
            out.push_back(t);
    }
    return out;
}

std::vector<SimTransfer> commands(const std::vector<SimTransfer> &transfers, uint8_t command)
{
    std::vector<SimTransfer> out;
    for (const SimTransfer &t : transfers) {
        if (t.isCommand(command))
            out.push_back(t);
    }
    return out;
}

std::vector<SimTransfer> setReports(const std::vector<SimTransfer> &transfers)
{
    std::vector<SimTransfer> out;
    for (const SimTransfer &t : transfers) {
        if (t.requestType == HID_REQUEST_TYPE_OUT)
            out.push_back(t);
    }
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
