// wheelconfig in Russian when started with "ru", and in English otherwise.

#include "language_test.h"
#include "mainwindow.h"
#include "test_support.h"

#include <QMenu>
#include <QtTest>

class WheelconfigLanguageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void captions_data();
    void captions();
    void trayMenu();

private:
    std::unique_ptr<ScopedSimulator> sim;
    std::unique_ptr<MainWindow> window;
};

void WheelconfigLanguageTest::initTestCase()
{
    sim = std::make_unique<ScopedSimulator>(
        std::initializer_list<ControllerKind>{ControllerKind::Wheel});
    window = std::make_unique<MainWindow>();
}

void WheelconfigLanguageTest::cleanupTestCase()
{
    window.reset();
    sim.reset();
}

void WheelconfigLanguageTest::captions_data()
{
    addCaptionColumns();
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
}

void WheelconfigLanguageTest::captions()
{
    verifyCaption(window.get());
}

void WheelconfigLanguageTest::trayMenu()
{
    auto *menu = window->findChild<QMenu *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(menu);
    const QList<QAction *> entries = menu->actions();
    QCOMPARE(entries.size(), 5);
    QVERIFY(entries.first()->menu());
    const bool russian = languageApplication().russian();
    QCOMPARE(entries.first()->menu()->title(),
             russian ? QStringLiteral("Профили") : QStringLiteral("Profiles"));
    QCOMPARE(entries.last()->text(), russian ? QStringLiteral("Выход") : QStringLiteral("Exit"));
    QCOMPARE(entries[entries.size() - 2]->text(), russian
                                                      ? QStringLiteral("Запускать вместе с сеансом")
                                                      : QStringLiteral("Start with the session"));
}

KESTRIX_LANGUAGE_TEST_MAIN(WheelconfigLanguageTest)
#include "test_wheelconfig_language.moc"
