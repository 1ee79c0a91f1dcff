#pragma once

// wheelconfig for the language test: connected to the wheel, and its tray menu.

#include "mainwindow.h"

constexpr ControllerKind LANGUAGE_DEVICE = ControllerKind::Wheel;

inline void prepareWindow(MainWindow *) {}

inline void addCaptionRows()
{
    // The state titles are the program's own and stay as they are in every language.
    QTest::newRow("window title") << "title" << "Wheel (Connected)" << "Wheel (Connected)";
    // Context MainWindow.
    QTest::newRow("button") << "text:save_settings_button" << "Save settings"
                            << "Сохранить настройки";
    // Context PremiumEffectSettingsWidget.
    QTest::newRow("panel check box") << "text:invert_constant_force" << "Invert constant force"
                                     << "Инвертировать постоянную силу";
    QTest::newRow("panel label") << "text:label_8" << "Soft stop range (degrees)"
                                 << "Мягкий упор: зона (градусы)";
    QTest::newRow("panel slider name") << "accessible:horizontalSlider_2"
                                       << "Total effect scale (%) slider"
                                       << "Общая сила эффектов (%), ползунок";
    // Context ProfileWidget.
    QTest::newRow("profile button") << "text:profileSaveButton" << "Save" << "Сохранить";
    QTest::newRow("profile button name") << "accessible:profileDeleteButton" << "Delete profile"
                                         << "Удалить профиль";
    // The tray menu: the profiles' submenu first, "Exit" last.
    QTest::newRow("tray profiles") << "menu:0" << "Profiles" << "Профили";
    QTest::newRow("tray input") << "menu:3" << "Input..." << "Ввод...";
    QTest::newRow("tray autostart") << "menu:4" << "Start with the session"
                                    << "Запускать вместе с сеансом";
    QTest::newRow("tray exit") << "menu:5" << "Exit" << "Выход";
}

inline void checkMessage(MainWindow *, ScopedSimulator *) {}
