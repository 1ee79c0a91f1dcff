#pragma once

// A command run on the user's behalf (a game from its launcher), exactly as it was given.

#include "outcome.h"

#include <QByteArray>
#include <QString>

#include <vector>

#ifdef Q_OS_UNIX
#include <signal.h>
#endif

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
    Ended run() const;

private:
    std::vector<QByteArray> commandLine;
    std::vector<QByteArray> environment;
#ifdef Q_OS_UNIX
    // As given to this process, before Qt changed any of it.
    sigset_t startMask;
    sigset_t startDefaults;
#endif
};
