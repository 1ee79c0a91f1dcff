#pragma once

// hwconfig for the language test: read with a joystick, so that the captions made at run
// time are there, and the warning a read of an unplugged device gives.

#include "mainwindow.h"

#include <QComboBox>

constexpr ControllerKind LANGUAGE_DEVICE = ControllerKind::Joystick;

inline void prepareWindow(MainWindow *window)
{
    auto *selector = window->findChild<QComboBox *>("comboBox");
    selector->setCurrentIndex(1);
    emit selector->activated(1);
}

inline void addCaptionRows()
{
    // Context MainWindow: the form, and the texts the window makes itself.
    QTest::newRow("window title") << "title" << "Kestrix hardware settings UI"
                                  << "Настройка оборудования Kestrix";
    QTest::newRow("button") << "text:read_settings_button" << "Read settings"
                            << "Прочитать настройки";
    QTest::newRow("live input button") << "text:input_button" << "Input..." << "Ввод...";
    QTest::newRow("page tab") << "tab:main_tab_widget:3" << "Analog axes" << "Аналоговые оси";
    QTest::newRow("group") << "text:groupBox" << "GPIO modes" << "Режимы GPIO";
    QTest::newRow("GPIO mode item") << "item:gpioModeCombo_8:9" << "Braking PWM"
                                    << "ШИМ торможения";
    QTest::newRow("button mode item") << "item:buttonMode_32:3" << "Pulse normal"
                                      << "Импульс, обычный";
    QTest::newRow("accessible name") << "accessible:lowerDeadZoneSpinBox_1"
                                     << "Rx lower dead zone" << "Rx: нижняя мёртвая зона";
    QTest::newRow("device name") << "item:comboBox:2" << "Rudder" << "Педали";
    QTest::newRow("placeholder") << "placeholder:comboBox"
                                 << "Select compatible device (1 connected)"
                                 << "Выберите совместимое устройство (подключено: 1)";
    // Context PremiumHardwareSettingsWidget.
    QTest::newRow("panel check box") << "text:calibrate_on_boot" << "Calibrate on boot"
                                     << "Калибровать при включении";
    QTest::newRow("panel label") << "text:label_34" << "Calibration magnitude (%)"
                                 << "Сила калибровки (%)";
    QTest::newRow("panel axis tab") << "tab:axis_tab:1" << "Axis 1" << "Ось 1";
    QTest::newRow("amplifier gain item") << "item:amplifier_gain:0" << "80V/V" << "80 В/В";
    // Context QComboBox: the calibration modes that a read creates.
    QTest::newRow("calibration mode") << "item:calibration_mode:2"
                                      << "Automatic center of range search"
                                      << "Автопоиск центра диапазона";
}

inline void checkMessage(MainWindow *window, ScopedSimulator *sim)
{
    MessageBoxCatcher boxes;
    sim->controller(ControllerKind::Joystick)->unplug();
    QTRY_VERIFY(window->catalogueEntry(1).handle == nullptr);
    QTest::mouseClick(window->findChild<QWidget *>("read_settings_button"), Qt::LeftButton);
    QCOMPARE(boxes.boxes().size(), size_t(1));
    const bool russian = LanguageApplication::russian();
    QCOMPARE(boxes.boxes()[0].title, russian ? QStringLiteral("Настройка оборудования Kestrix")
                                             : QStringLiteral("Kestrix hardware settings UI"));
    QCOMPARE(boxes.boxes()[0].text,
             russian ? QStringLiteral("Устройство не выбрано или было отключено!")
                     : QStringLiteral("Target device is not selected or was disconnected!"));
}
