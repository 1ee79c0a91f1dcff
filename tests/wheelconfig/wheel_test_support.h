#pragma once

// Shared by the wheelconfig tests: a window whose desktop may or may not offer a tray, a
// private working directory, a plausible wheel record, the three together with a simulated
// wheel, and the check of one live apply.

#include "mainwindow.h"
#include "test_support.h"

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// The offscreen platform has no tray; each test says whether the desktop offers one and
// desktop notifications, and sees the messages the tray icon or a notification would show.
class TrayWindow : public MainWindow
{
public:
    bool trayAvailable = true;
    bool notificationService = false;
    QStringList trayMessages;
    QList<bool> trayFailures; // each tray message's warning icon
    QStringList notifications;

protected:
    bool systemTrayAvailable() const override { return trayAvailable; }
    void showTrayMessage(const QString &title, const QString &text, bool isFailure) override
    {
        trayMessages << title + QLatin1String(": ") + text;
        trayFailures << isFailure;
    }
    bool showDesktopNotification(const QString &title, const QString &text,
                                 bool /*isFailure*/) override
    {
        if (notificationService)
            notifications << title + QLatin1String(": ") + text;
        return notificationService;
    }
};

// A fresh working directory with the program's icons, so that profiles never land in the
// build directory. Restores the previous one when it goes.
class WorkingDirectory
{
public:
    WorkingDirectory();
    ~WorkingDirectory();

    QString path() const { return dir.path(); }
    QString filePath(const QString &name) const { return dir.filePath(name); }
    // Every file and directory below it, relative, sorted: to see that nothing appeared.
    QStringList tree() const;

private:
    QTemporaryDir dir;
    QString previous;
};

// A wheel record with every owned field inside its range and off its limits, so that a
// step up changes it, and the wheel's own bytes 5 and 12..31 set.
std::vector<uint8_t> plausibleEffectRecord();

// The first 22 bytes of the record the wheel holds now.
QByteArray wheelRecord(const SimulatedController *wheel);

// Checks that `transfers` hold exactly one live apply, that it wrote `expected` (22 bytes)
// in its two packets, and that nothing was made permanent.
void verifyOneLiveApply(const std::vector<SimTransfer> &transfers, const QByteArray &expected);

// Writes a 22-byte profile (or any content) into wheel_profiles of the working directory.
void writeProfile(const QString &name, const QByteArray &content);

// The whole of `content` into the file, or the test fails; a file's content, empty when it
// can not be read.
void writeFile(const QString &path, const QByteArray &content);
QByteArray readFile(const QString &path);

// A game's file name for this test process: the watch sees every process of the user, also
// the games of a test that runs beside this one.
QString ownGameName(const char *name);

// The owned fields as the window's panel shows them, in record layout, the rest zero.
QByteArray panelFields(const QWidget *window);

// The owned fields of a record, with the bytes the program only carries taken from `own`.
QByteArray withOwnBytes(QByteArray fields, const QByteArray &own);

// A simulated wheel with a plausible record (a save waits for two busy status reads), a
// working directory of its own, the window once started, and every warning box answered.
class WheelSession
{
protected:
    void setUp();
    void tearDown();
    // Opens the window; with `connected`, waits until it shows the wheel.
    void start(bool connected = true);
    void waitTitle(const char *title) const;
    // What the user was told since the last call: "title: text" of each warning box and
    // tray message, in order.
    QStringList takeWarnings();

    template <typename T> T *child(const char *name) const
    {
        return namedChild<T>(window.get(), name);
    }

    std::unique_ptr<WorkingDirectory> workingDirectory;
    std::unique_ptr<ScopedSimulator> sim;
    SimulatedController *wheel = nullptr;
    std::unique_ptr<TrayWindow> window;
    std::unique_ptr<MessageBoxCatcher> boxes;
};
