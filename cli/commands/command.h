#pragma once

// One kestrix command: its arguments, the controllers it opens, and the opening that show,
// backup and restore share (find the controller, read its parts).

#include "controllers.h"
#include "outcome.h"
#include "record_parts.h"
#include "settings_file.h"

#include <QString>
#include <QStringList>

#include <memory>

class QTextStream;

enum ExitCode {
    EXIT_DONE = 0,
    EXIT_DEVICE = 1,    // the device is missing, a transfer failed, a profile not stored
    EXIT_USAGE = 2,     // bad usage or a bad file
    EXIT_READ_BACK = 3, // written, but the read-back differs
};

struct Arguments {
    QString command;
    QStringList positionals;
    bool json = false;
    bool dryRun = false;
    bool force = false;
    bool once = false;
    bool help = false;
    bool version = false;
    QString profiles; // the folder that holds wheel_profiles
    bool profilesGiven = false;
    EffectRoute effectRoute = EffectRoute::Direct;
};

// A failure in the command's own words that ends the program with `code`. The words are
// the whole line; the code rides in the outcome's detail, the refuser's own code.
Outcome refusal(ExitCode code, const QString &line);
// A failure that the command's output has explained: nothing more goes to stderr.
Outcome explainedAbove(ExitCode code);
// The exit code an outcome ends the program with: a device sequence's failure is 1, a
// file's 2, a refusal its own.
ExitCode exitCode(const Outcome &outcome);

class Command
{
public:
    Command(const Arguments &arguments, QTextStream &out) : arguments(arguments), out(out) {}
    virtual ~Command() = default;
    Command(const Command &) = delete;
    Command &operator=(const Command &) = delete;

    // Prints the results on `out`; a failure is returned, never printed.
    virtual Outcome run() = 0;
    // Where a remark that is no result goes (stderr); none: nowhere.
    void setNotes(QTextStream *stream) { notes = stream; }

protected:
    // Starts the USB bus the first time a command needs it.
    Outcome startBus();
    // Opens the controller that DEVICE names, or the only one connected.
    Outcome select(const QString &device, Controller *controller);
    // Opens the controller that DEVICE names.
    Outcome openNamed(const QString &device, Controller *controller);
    // Reads every part of the controller into a settings file.
    Outcome readSettings(const Controller &controller, SettingsFile *file);
    // "kestrix: " and the remark, on a line of its own, where a script reading `out` does
    // not see it.
    void note(const QString &remark);

    const Arguments &arguments;
    QTextStream &out;
    Controllers controllers;

private:
    QTextStream *notes = nullptr;
};

template <class C>
std::unique_ptr<Command> makeCommand(const Arguments &arguments, QTextStream &out)
{
    return std::make_unique<C>(arguments, out);
}

// "joystick" for a device type, "no settings" or "unknown".
QString deviceTypeName(int type);
// "joystick (0x58f9, device type 1)"
QString describeDevice(unsigned productId, int deviceType);
// The last lines of kestrix doctor: whether every plugged-in controller can be used, and
// of how many the input can not be read.
QString doctorSummary(int plugged, int unusable, int unreadableInputs = 0);
// Refuses FILE when it exists, or is a link that points nowhere, unless --force was given.
Outcome refuseExisting(const QString &path, bool force);
// A small regular file's content; FIFOs, devices and large files are refused.
Outcome readSmallFile(const QString &path, QByteArray *content);
// A settings file read and checked.
Outcome readSettingsFile(const QString &path, SettingsFile *file);
