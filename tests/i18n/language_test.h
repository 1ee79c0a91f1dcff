#pragma once

// The programs take their language from the first command-line argument. These tests
// start the application with the argument that KESTRIX_TEST_LANGUAGE names ("none": no
// argument) and look at the captions a user reads.

#include <QApplication>
#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class QWidget;

class LanguageApplication
{
public:
    explicit LanguageApplication(char *program);
    // Only exactly "ru" asks for Russian.
    static bool russian() { return qgetenv("KESTRIX_TEST_LANGUAGE") == "ru"; }

private:
    QByteArray language;
    std::vector<char *> arguments;
    int count = 0;
    std::unique_ptr<QApplication> application;
};

// The data rows: where the caption is, the English caption and the Russian one. Where:
//   title | text:<object> | tab:<tab widget>:<index> | item:<combo>:<index>
//   placeholder:<combo> | accessible:<object> | menu:<index of the window's own menu entry>
void addCaptionColumns();
// Compares the caption with the one this run's argument asks for.
void verifyCaption(QWidget *window);

#define KESTRIX_LANGUAGE_TEST_MAIN(TestClass)                                                       \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        LanguageApplication application(argv[0]);                                                  \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
