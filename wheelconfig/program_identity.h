#pragma once

// What the wheel program is to the desktop: the name it goes by and the command that starts
// it again.

#include <QString>

// How this process was started. The installed launcher names itself in KESTRIX_LAUNCHER,
// since it hands over to the program by its own path under libexec.
struct ProgramIdentity {
    QString name;             // "kestrix-wheelconfig" through the launcher, else argv[0]'s name
    QString command;          // an absolute path that starts the program again
    QString workingDirectory; // where that command must run; empty: the launcher sees to it
};

// Read once, at the first call, once the application object exists; KESTRIX_LAUNCHER is
// then taken out of the environment so that the commands this process runs do not inherit
// a name that is not theirs.
const ProgramIdentity &programIdentity();

// One line on stderr, "<name>: <text>", whatever the text holds.
void tellOnStderr(QString text);
