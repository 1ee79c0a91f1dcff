#pragma once

// How wheelconfig starts: its command line, the hand-over to a running wheelconfig, and the
// launch-option form that wraps a game:
//
//   wheelconfig [ru] [--hidden | --games | --input] [--profile NAME]
//   wheelconfig [ru] --profile NAME -- COMMAND [ARGUMENTS...]

#include "launched_command.h"
#include "side_window.h"
#include "wheel_channel.h"
#include "wheel_service.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QTranslator>

#include <memory>
#include <optional>
#include <vector>

class MainWindow;

// The process's arguments, split at the first "--": what comes after it is a command of
// its own and never reaches Qt's or wheelconfig's option parsing.
class WheelArguments
{
public:
    WheelArguments(int argc, char **argv);

    // For the application objects. Only the tray program makes a QApplication: the other
    // starts do with a QCoreApplication, and so without a display.
    int &qtArgc() { return count; }
    char **qtArgv() { return pointers.data(); }
    // wheelconfig's own arguments: the program's name first, without the window system's
    // options ("-platform NAME", "-display NAME", ...) that only a QApplication takes.
    QStringList options() const;
    // The "-platform" option's value, or empty.
    QByteArray platform() const;

    bool launchForm() const { return separated; }
    bool hasCommand() const { return !command.empty(); }

    // What follows "--".
    LaunchedCommand command;

private:
    std::vector<QByteArray> ownArguments;
    std::vector<char *> pointers;
    int count = 0;
    bool separated = false;
};

class WheelStart
{
    Q_DECLARE_TR_FUNCTIONS(WheelStart)

public:
    // Reads the options once an application object exists; "--help", "--version" and
    // a wrong option are answered here.
    explicit WheelStart(const WheelArguments &arguments);

    // Installs the translator into the application object that exists now (the tray
    // program's QApplication replaces the QCoreApplication the start was read with).
    void translate();

    // Whether a QApplication could start: Qt aborts the process when no platform plugin
    // loads, so a start without a display is told here instead. False: one line said why.
    bool windowSystemAvailable() const;

    // Nothing more to do (help, version, a usage error): exit with exitCode().
    bool finished() const { return done; }
    // --hidden: the window stays hidden while a tray shows the program's icon.
    bool startsHidden() const { return hidden; }
    int exitCode() const { return code; }

    // The launch-option form: applies the profile (in the running wheelconfig or here),
    // runs the command, puts the wheel's settings back. The command runs in every case;
    // its exit code is the result.
    int launchCommand();

    // True when a running wheelconfig took the request (exitCode() then tells how it
    // went); false when this process is to be the wheelconfig of the session.
    bool handOver(WheelChannelServer &channel);
    // Answers the requests of later starts, and applies --profile once the wheel connects.
    void serve(WheelChannelServer &channel, MainWindow &window) const;

private:
    void finish(int exitCode);
    QString describe(const Outcome &outcome) const;
    // The launch form's game: onto the running wheelconfig's stack, or onto this process's
    // own when none runs, and off it again.
    Outcome beginGame();
    Outcome endGame();

    QTranslator translator;
    const WheelArguments &arguments;
    QString profile;
    bool profileGiven = false;
    bool hidden = false;
    std::optional<SideWindow> sideWindow; // --games, --input
    bool done = false;
    int code = 0;
    WheelService::Game game;
    enum class GameHolder { None, Instance, OlderInstance, Here } gameHolder = GameHolder::None;
    std::unique_ptr<WheelService> ownService; // made only when no wheelconfig runs
    QByteArray previous; // from an older wheelconfig, to put back through it
};
