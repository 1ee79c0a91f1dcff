#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "combo_rows.h"
#include "hardware_settings_record.h"
#include "live_input_window.h"
#include "program_main.h"
#include "device_sequences.h"
#include "family.h"
#include "form_binding.h"
#include "presence.h"
#include "record_values.h"
#include "tab_bar_accessibility.h"
#include "transport.h"
#include "wait_cursor.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <iterator>

namespace {
// GPIO mode items; a pin's list offers only what its hardware can do.
constexpr int GPIO_MODE_ANALOG = 2;       // pins 1 to 3 only
constexpr int GPIO_MODE_BRAKING_PWM = 9;  // pin 8 only
constexpr int ANALOG_PIN_COUNT = 3;
constexpr int BRAKING_PWM_PIN = 7;        // position of "Pin 8"
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), form(new Ui::MainWindow),
      icon(iconFromPng(QStringLiteral("kestrix_hardware_icon.png")))
{
    // The whole family, in its table's order: the index is also the row of the selector.
    for (const Product &product : family())
        deviceCatalogue.push_back({KESTRIX_VENDOR_ID, product.productId, product.displayName});

    installCatalogue(translator, QStringLiteral("hardware_settings_ui_ru"));

    usbInit();
    showWaitCursorWhileBusy();

    installTabBarAccessibility(); // before the tab bars exist
    form->setupUi(this);
    setWindowIcon(icon);
    // The pages' fields: all but the hardware panel's, which binds its own.
    pages = std::make_unique<FormBinding>(hardwareSettingsTable(), this,
                                          form->premiumHardwareSettings);

    fillGpioModeCombos();
    fillButtonModeCombos();

    // The names can't change while the window lives: the language is chosen at start.
    for (int i = 0; i < int(deviceCatalogue.size()); ++i)
        form->comboBox->setItemText(i, tr(deviceCatalogue[i].name));
    // In code, so that the form stays as specified: said in the window, never in a box.
    accessProblem = new QLabel(this);
    accessProblem->setObjectName(QStringLiteral("access_problem"));
    accessProblem->setWordWrap(true);
    accessProblem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    accessProblem->setAccessibleName(tr("Controller that can not be used"));
    accessProblem->hide();
    form->verticalLayout_6->insertWidget(form->verticalLayout_6->indexOf(form->comboBox) + 1,
                                         accessProblem);
    hideAllTabs();
    pollDevices();

    auto *timer = new QTimer(this);
    timer->setInterval(100);
    connect(timer, &QTimer::timeout, this, &MainWindow::pollDevices);
    timer->start();

    connect(form->premiumHardwareSettings,
            &HardwareSettingsWidgetVariant::calibrationStartAngleChanged, this,
            &MainWindow::sendCalibrationStartAngle);
}

MainWindow::~MainWindow()
{
    pages.reset();
    delete form;
    for (DeviceEntry &entry : deviceCatalogue)
        closeEntry(entry);
    usbExit();
}

void MainWindow::fillGpioModeCombos()
{
    const QList<QComboBox *> gpioModeCombos = pages->widgets<QComboBox>(QStringLiteral("gpio_mode."));
    const QStringList modes = {tr("Disabled"),     tr("Generic button"),
                               tr("Analog"),       tr("SPI CS"),
                               tr("SPI SCK"),      tr("SPI MISO"),
                               tr("Enable effects switch"), tr("Recalibrate button"),
                               tr("Reboot button"), tr("Braking PWM")};
    // Every pin has every item, so that one index means one mode on all pins; a pin's
    // list only offers what its hardware can do (hidePinModes, before the page shows).
    for (QComboBox *combo : gpioModeCombos)
        combo->addItems(modes);

    form->spi_recommendations->hide();
    form->spiModeCombo->addItem(tr("Disabled"));
    form->spiModeCombo->addItem(QStringLiteral("SN74HC165N x 3"));
    form->spiModeCombo->addItem(QStringLiteral("C4021 x 3"));
}

void MainWindow::hidePinModes()
{
    // Hiding a row builds the combo box's drop-down list: ten of them cost the first frame
    // a tenth of the window's start, for pages nobody sees before a read.
    if (pinModesHidden)
        return;
    pinModesHidden = true;
    const QList<QComboBox *> gpioModeCombos = pages->widgets<QComboBox>(QStringLiteral("gpio_mode."));
    for (int i = 0; i < gpioModeCombos.size(); ++i) {
        if (i != BRAKING_PWM_PIN)
            setComboRowHidden(gpioModeCombos[i], GPIO_MODE_BRAKING_PWM, true);
        if (i >= ANALOG_PIN_COUNT)
            setComboRowHidden(gpioModeCombos[i], GPIO_MODE_ANALOG, true);
    }
}

void MainWindow::fillButtonModeCombos()
{
    const QStringList modes = {tr("Disabled"), tr("Normal"), tr("Inverted"), tr("Pulse normal"),
                               tr("Pulse inverted")};
    for (QComboBox *combo : pages->widgets<QComboBox>(QStringLiteral("button_mode.")))
        combo->addItems(modes);
}

void MainWindow::loadPages(const unsigned char *record)
{
    pages->load(record);
    // Any mode but "Disabled", also one that names no item.
    static const RecordField &spiMode = *hardwareSettingsTable().find(QStringLiteral("spi_mode"));
    form->spi_recommendations->setVisible(spiMode.read(record) != 0);
}

void MainWindow::storePages(unsigned char *record)
{
    if (currentPanel)
        currentPanel->storeSettings(record);
    pages->store(record);
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

    // Every widget is touched only when what it shows changes: the poll runs ten times a
    // second, mostly finding what it found before, and a repaint costs far more than a look.
    // What was shown is remembered here: asking the widgets costs as much as telling them.
    QComboBox *combo = form->comboBox;
    std::vector<bool> rows(deviceCatalogue.size());
    for (size_t i = 0; i < deviceCatalogue.size(); ++i)
        rows[i] = deviceCatalogue[i].handle != nullptr;
    if (rows != rowsShown) {
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rowsShown.size() != rows.size() || rowsShown[i] != rows[i])
                setComboRowHidden(combo, int(i), !rows[i]);
        }
        rowsShown = rows;
    }

    if (connected != placeholderCount) {
        placeholderCount = connected;
        combo->setPlaceholderText(connected > 0 ? tr("Select compatible device (") +
                                                      QString::number(connected) +
                                                      tr(" connected)")
                                                : tr("No compatible devices connected"));
    }

    if (selectedDevice < 0) {
        if (combo->currentIndex() != -1)
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
    for (QPushButton *button : {form->reboot_button, form->save_settings_button,
                                form->read_settings_button, form->input_button}) {
        if (button->isEnabled() != enable)
            button->setEnabled(enable);
    }
    // The live view follows the selection.
    if (liveInput && enable)
        liveInput->setProduct(uint16_t(deviceCatalogue[combo->currentIndex()].productId));
    showAccessProblems();
}

void MainWindow::showAccessProblems()
{
    QStringList lines;
    for (const PresentDevice &device : presentDevices()) {
        if (device.access == DeviceAccess::Usable)
            continue;
        for (const DeviceEntry &entry : deviceCatalogue) {
            if (!entry.handle && entry.vendorId == device.vendorId &&
                entry.productId == device.productId)
                lines << unusableLine(tr(entry.name), device);
        }
    }
    const QString text = lines.join(QLatin1Char('\n'));
    if (accessProblem->text() == text)
        return;
    accessProblem->setText(text);
    accessProblem->setAccessibleDescription(text);
    accessProblem->setVisible(!text.isEmpty());
}

void MainWindow::hideAllTabs()
{
    // Last to first: hiding the current tab makes the next visible one current, which would
    // lay out and show every page in turn only to hide it again. Either way all pages end up
    // hidden, and the next read makes the first page current.
    for (int i = form->main_tab_widget->count() - 1; i >= 0; --i)
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

void MainWindow::on_spiModeCombo_activated(int index)
{
    form->spi_recommendations->setVisible(index > 0);
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
    warn(tr("Target device is not selected or was disconnected!"));
}

void MainWindow::warn(const QString &text)
{
    QMessageBox::warning(this, tr("Kestrix hardware settings UI"), text);
}

void MainWindow::on_reboot_button_clicked()
{
    DeviceHandle *handle = targetDevice();
    if (!handle)
        return;
    if (!rebootController(handle).ok()) {
        // The controller did not restart: the pages still show what it holds.
        warn(tr("The controller did not take the reboot command. Check the cable, then try "
                "again."));
        return;
    }
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

void MainWindow::on_input_button_clicked()
{
    const int index = form->comboBox->currentIndex();
    if (index <= 0)
        return;
    const auto product = uint16_t(deviceCatalogue[index].productId);
    if (!liveInput)
        liveInput = std::make_unique<LiveInputWindow>(product, this);
    liveInput->setProduct(product);
    // Beside the main window, so that a saved setting shows its effect there.
    if (!liveInput->isVisible())
        liveInput->move(frameGeometry().topRight() + QPoint(8, 0));
    liveInput->show();
    liveInput->raise();
    liveInput->activateWindow();
}

bool MainWindow::readSettings()
{
    DeviceHandle *handle = targetDevice();
    if (!handle)
        return false;

    int deviceType = DEVICE_TYPE_NONE;
    if (!readDeviceType(handle, &deviceType).ok()) {
        warnNoTarget(); // no device type: the device is, in effect, gone
        return false;
    }
    unsigned char record[RECEIVE_BUFFER_SIZE];
    const Outcome read = readRecord(handle, hardwareSettingsTable(), record);
    if (deviceType == DEVICE_TYPE_NONE) {
        currentPanel = nullptr;
        hideAllTabs();
        return false;
    }
    if (!read.ok()) {
        // The widgets are only ever loaded from bytes the device delivered.
        warnNoTarget();
        return false;
    }
    hidePinModes();
    for (int i = 0; i < form->main_tab_widget->count(); ++i)
        form->main_tab_widget->setTabVisible(i, true);
    currentPanel = form->premiumHardwareSettings;
    loadedRecord = ownedBytes(hardwareSettingsTable(), record);
    savedRecord.clear();
    currentPanel->loadSettings(unsigned(deviceType), record);
    loadPages(record);
    return true;
}

void MainWindow::on_save_settings_button_clicked()
{
    DeviceHandle *handle = targetDevice();
    if (!handle || !currentPanel)
        return;

    // Settings changed by someone else since the read (another program, a replug of another
    // set-up) must not be overwritten by pages that never showed them. A reconnect alone
    // changes nothing the controller holds: the user's edits go out.
    unsigned char record[RECEIVE_BUFFER_SIZE];
    const Outcome saved = saveHardwareSettings(
        handle, record, [this](unsigned char *r) { storePages(r); },
        [this](const unsigned char *r) {
            const QByteArray holds = ownedBytes(hardwareSettingsTable(), r);
            return holds == loadedRecord || holds == savedRecord;
        });
    // The pages keep the user's values after a failure, so that saving again sends them.
    using Problem = Outcome::Problem;
    switch (saved.problem) {
    case Problem::None:
    case Problem::NotConfirmed:
    case Problem::StoppedAnswering:
        // Written whole: the controller may hold it now.
        savedRecord = ownedBytes(hardwareSettingsTable(), record);
        break;
    default:
        break;
    }
    switch (saved.problem) {
    case Problem::None:
        break;
    case Problem::Changed:
        warn(tr("The controller's settings changed since they were read, so nothing was saved. "
                "Your changes are still shown; click \"Read settings\" to see what the "
                "controller holds now."));
        break;
    case Problem::WriteFailed:
        warn(tr("The controller did not take the settings. Check the cable, then try again."));
        break;
    case Problem::NotConfirmed:
        warn(tr("The controller stayed busy and did not confirm within %1 seconds that it stored "
                "the settings. Wait a moment, then save again.")
                 .arg(READY_WAIT_LIMIT_MS / 1000));
        break;
    case Problem::StoppedAnswering:
        warn(tr("The controller did not confirm that it stored the settings. Check the cable, "
                "then save again."));
        break;
    default:
        warnNoTarget(); // the fresh read failed: never write back bytes that no read delivered
        break;
    }
}

void MainWindow::sendCalibrationStartAngle(int axis, int value, int magnitude)
{
    if (selectedDevice < 0 || !deviceCatalogue[selectedDevice].handle || calibrationWarningPending)
        return;
    if (sendCalibrationCommand(deviceCatalogue[selectedDevice].handle, axis, value, magnitude)
            .ok()) {
        calibrationFailing = false;
        return;
    }
    if (calibrationFailing)
        return; // this run of failures has been told
    calibrationFailing = true;
    // Told once the spin box or the read that sent it is done, not in the middle of it.
    calibrationWarningPending = true;
    QTimer::singleShot(0, this, [this] {
        warn(tr("The controller did not take the calibration start angle. Check the cable, then "
                "change the angle again."));
        calibrationWarningPending = false;
    });
}
