#pragma once

// The commands of kestrix, one class each. The table in command_line.cpp says which
// arguments and options each takes.

#include "command.h"

#include <QByteArray>

#include <vector>

class InputSource;
class ProfileStore;
class QDir;
struct InputState;
struct Product;

class ListCommand final : public Command
{
public:
    using Command::Command;
    Outcome run() override;
};

class ShowCommand final : public Command
{
public:
    using Command::Command;
    Outcome run() override;

private:
    void print(const Controller &controller, const SettingsFile &file);
};

class BackupCommand final : public Command
{
public:
    using Command::Command;
    Outcome run() override;
};

class RestoreCommand final : public Command
{
public:
    using Command::Command;
    Outcome run() override;

private:
    struct Plan;
    // Prints what the file changes in each part and keeps what is to be written.
    Outcome plan(const Controller &controller, const SettingsFile &file, std::vector<Plan> *plans,
                 QStringList *afterReboot);
    // Writes each part and reads it back; the first failure ends the restore.
    Outcome write(const Controller &controller, std::vector<Plan> &plans);
};

class RebootCommand final : public Command
{
public:
    using Command::Command;
    Outcome run() override;
};

class DoctorCommand final : public Command
{
public:
    using Command::Command;
    Outcome run() override;

private:
    // Prints the udev checks; true when a rule in effect gives the seat's access.
    bool checkUdev(bool nonePlugged);
    // Prints one line per plugged-in controller, with the fixes for those that can not be
    // used; returns how many can not.
    int checkControllers(const std::vector<PresentDevice> &devices, bool ruleOk);
    void fix(const QString &step);
    // Install the rule, reload udev, and `plugIn`.
    void fixRule(const QString &plugIn);

    QString installRule;
    int unreadableEvents = 0; // usable controllers whose event node this user may not read
};

class ProfileCommand final : public Command
{
public:
    using Command::Command;
    Outcome run() override;

private:
    static QString installedFolder();
    Outcome chooseFolder(bool importing, QDir *folder);
    Outcome list(const ProfileStore &store);
    Outcome exportProfile(const ProfileStore &store);
    Outcome importProfile(const ProfileStore &store);
};

class InputCommand final : public Command
{
public:
    using Command::Command;
    Outcome run() override;

private:
    void printWhole(const Product &product, const InputState &state);
    // One line for a report: what changed since `before`; nothing when nothing did.
    void printChange(const InputState &before, const InputState &after);
    // What the lines of a read hold goes out.
    void printRead();
    // The text form of that line, added to `line` (reused: a thousand reports a second).
    void appendChange(const InputState &before, const InputState &after);
    // Writes `line` straight to the output's descriptor when it has one.
    void writeLine();
    // Prints each report until interrupted (a success) or the device is gone.
    Outcome follow(InputSource &source);

    QByteArray line;
    std::vector<QString> axisNames; // of each axis, the name its encoded form is of
    std::vector<QByteArray> encodedNames;
    int descriptor = -1; // the output's, while following it in text
};
