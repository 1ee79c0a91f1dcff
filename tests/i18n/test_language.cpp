// A program in Russian when started with "ru", and in English otherwise: the program's
// description (KESTRIX_LANGUAGE_PROGRAM) gives its device, captions and message.

#include "language_test.h"
#include "test_support.h"

#include <QtTest>

#include KESTRIX_LANGUAGE_PROGRAM

class LanguageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sim = std::make_unique<ScopedSimulator>(
            std::initializer_list<ControllerKind>{LANGUAGE_DEVICE});
        window = std::make_unique<MainWindow>();
        prepareWindow(window.get());
    }
    void cleanupTestCase()
    {
        window.reset();
        sim.reset();
    }
    void captions_data()
    {
        addCaptionColumns();
        addCaptionRows();
    }
    void captions() { verifyCaption(window.get()); }
    void message() { checkMessage(window.get(), sim.get()); }

private:
    std::unique_ptr<ScopedSimulator> sim;
    std::unique_ptr<MainWindow> window;
};

KESTRIX_LANGUAGE_TEST_MAIN(LanguageTest)
#include "test_language.moc"
