#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "combo_rows.h"
#include "transport.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <iterator>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), form(new Ui::MainWindow), icon(QStringLiteral("kestrix_hardware_icon.png"))
{
    std::copy(std::begin(DEVICE_CATALOGUE), std::end(DEVICE_CATALOGUE), std::begin(deviceCatalogue));

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() >= 2 && arguments.at(1) == QLatin1String("ru"))
        (void)translator.load(QStringLiteral("i18n/hardware_settings_ui_ru"));
    QCoreApplication::installTranslator(&translator);

    usbInit();

    form->setupUi(this);
    setWindowIcon(icon);

    hideAllTabs();
    pollDevices();

    auto *timer = new QTimer(this);
    timer->setInterval(100);
    connect(timer, &QTimer::timeout, this, &MainWindow::pollDevices);
    timer->start();
}

MainWindow::~MainWindow()
{
    delete form;
    for (DeviceEntry &entry : deviceCatalogue)
        closeEntry(entry);
    usbExit();
}

void MainWindow::pollDevices()
{
    for (DeviceEntry &entry : deviceCatalogue)
        openIfAbsent(entry);
    int connected = 0;
    for (DeviceEntry &entry : deviceCatalogue) {
        if (probe(entry))
            ++connected;
    }

    QComboBox *combo = form->comboBox;
    for (int i = 0; i < DEVICE_CATALOGUE_SIZE; ++i) {
        combo->setItemText(i, QString::fromUtf8(deviceCatalogue[i].name));
        setComboRowHidden(combo, i, deviceCatalogue[i].handle == nullptr);
    }

    if (connected > 0)
        combo->setPlaceholderText(tr("Select compatible device (") + QString::number(connected) +
                                  tr(" connected)"));
    else
        combo->setPlaceholderText(tr("No compatible devices connected"));

    if (selectedDevice < 0) {
        combo->setCurrentIndex(-1);
        if (selectedDevice != -1) {
            selectedDevice = -1;
            hideAllTabs();
        }
    } else if (deviceCatalogue[selectedDevice].handle) {
        if (combo->currentIndex() != selectedDevice)
            combo->setCurrentIndex(selectedDevice);
    }

    const bool enable = combo->currentIndex() > 0;
    form->reboot_button->setEnabled(enable);
    form->save_settings_button->setEnabled(enable);
    form->read_settings_button->setEnabled(enable);
}

void MainWindow::hideAllTabs()
{
    for (int i = 0; i < form->main_tab_widget->count(); ++i)
        form->main_tab_widget->setTabVisible(i, false);
}

void MainWindow::on_comboBox_activated(int index)
{
    if (index == selectedDevice)
        return;
    selectedDevice = index;
    // The pages showed another device: they must never be saved into this one.
    currentPanel = nullptr;
    if (index == -1) {
        hideAllTabs();
        return;
    }
    if (!readSettings())
        hideAllTabs();
}

DeviceHandle *MainWindow::targetDevice()
{
    DeviceHandle *handle = selectedDevice >= 0 ? deviceCatalogue[selectedDevice].handle : nullptr;
    if (!handle)
        warnNoTarget();
    return handle;
}

void MainWindow::warnNoTarget()
{
    QMessageBox::warning(this, tr("Kestrix hardware settings UI"),
                         tr("Target device is not selected or was disconnected!"));
}

void MainWindow::on_reboot_button_clicked()
{
    DeviceHandle *handle = targetDevice();
    if (!handle)
        return;
    sendCommand(handle, CMD_REBOOT);
    // The restarted device may come back with other settings.
    currentPanel = nullptr;
    if (selectedDevice != -1) {
        selectedDevice = -1;
        hideAllTabs();
    }
}

void MainWindow::on_read_settings_button_clicked()
{
    readSettings();
}

bool MainWindow::readSettings()
{
    DeviceHandle *handle = targetDevice();
    if (!handle)
        return false;

    unsigned char info[RECEIVE_BUFFER_SIZE] = {};
    if (getReport(handle, REPORT_DEVICE_INFO, info, RECEIVE_BUFFER_SIZE) <=
        DEVICE_INFO_TYPE_OFFSET) {
        warnNoTarget(); // no device type: the device is, in effect, gone
        return false;
    }
    unsigned char record[RECEIVE_BUFFER_SIZE] = {};
    const int received = getReport(handle, REPORT_HARDWARE_SETTINGS, record, RECEIVE_BUFFER_SIZE);

    const unsigned deviceType = info[DEVICE_INFO_TYPE_OFFSET];
    if (deviceType == DEVICE_TYPE_NONE) {
        currentPanel = nullptr;
        hideAllTabs();
        return false;
    }
    (void)received;
    for (int i = 0; i < form->main_tab_widget->count(); ++i)
        form->main_tab_widget->setTabVisible(i, true);
    return true;
}

void MainWindow::on_save_settings_button_clicked()
{
    DeviceHandle *handle = targetDevice();
    if (!handle || !currentPanel)
        return;
}

void MainWindow::sendCalibrationStartAngle(int axis, int value, int magnitude)
{
    if (selectedDevice < 0 || !deviceCatalogue[selectedDevice].handle)
        return;
    unsigned char packet[COMMAND_PACKET_SIZE];
    initCommandPacket(packet, CMD_CALIBRATION_START_ANGLE);
    packet[CALIBRATION_AXIS_FIELD] = static_cast<unsigned char>(axis & 0xFF);
    packet[CALIBRATION_MAGNITUDE_FIELD] = static_cast<unsigned char>(magnitude & 0xFF);
    packet[CALIBRATION_ANGLE_FIELD] = static_cast<unsigned char>(value & 0xFF);
    packet[CALIBRATION_ANGLE_FIELD + 1] = static_cast<unsigned char>((value >> 8) & 0xFF);
    setReport(deviceCatalogue[selectedDevice].handle, REPORT_COMMAND, packet);
}
