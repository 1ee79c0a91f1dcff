#pragma once

// A command run on the user's behalf (a game from its launcher), exactly as it was given.

#include "outcome.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

// The launcher runs the program in the user's data directory; the command after "--" runs
// in the directory the launcher was started in, which it passes on in this variable.
constexpr char LAUNCH_DIRECTORY_VARIABLE[] = "KESTRIX_LAUNCH_DIRECTORY";

class LaunchedCommand
{
public:
    LaunchedCommand() = default;
    // Takes this process's environment and signal handling as they are now: made before
    // Qt changes any of them.
    explicit LaunchedCommand(std::vector<QByteArray> commandLine);

    bool empty() const { return commandLine.empty(); }
    QString name() const;

    struct Ended {
        int exitCode = 0;
        Outcome started; // the system's words in systemText when it could not be started
    };
    // Runs the command as it was given (its bytes, the environment, the standard streams,
    // the signal handling this process was started with) in the launch directory, and
    // waits for it. Signals sent to this process meanwhile reach the command or are
    // ignored, none ends this process. The exit code is the command's: 128 + the signal
    // when a signal ended it, 127 when it was not found, 126 when it could not be executed.
    // On Windows Ctrl+C and Ctrl+Break reach the command through the console they share,
    // and this process stays.
    Ended run() const;

private:
    std::vector<QByteArray> commandLine;
    // The environment and the rest of what this process was given, each platform's own,
    // as it was before Qt changed any of it.
    struct Start;
    std::shared_ptr<const Start> start;
};
