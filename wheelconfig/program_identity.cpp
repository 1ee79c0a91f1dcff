#include "program_identity.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace
{
ProgramIdentity identify()
{
    ProgramIdentity identity;
    const QString launcher = qEnvironmentVariable("KESTRIX_LAUNCHER");
    qunsetenv("KESTRIX_LAUNCHER");
    if (QDir::isAbsolutePath(launcher) && QFileInfo(launcher).isExecutable()) {
        identity.name = QFileInfo(launcher).fileName();
        identity.command = launcher;
        return identity;
    }
    const QStringList arguments = QCoreApplication::arguments();
    identity.name = arguments.isEmpty() ? QString() : QFileInfo(arguments.first()).fileName();
    if (identity.name.isEmpty())
        identity.name = QStringLiteral("wheelconfig");
    identity.command = QCoreApplication::applicationFilePath();
    // Run from a build or an unpacked tree, the program reads its icons, translations and
    // profiles in the folder it was started in.
    identity.workingDirectory = QDir::currentPath();
    return identity;
}
} // namespace

const ProgramIdentity &programIdentity()
{
    static const ProgramIdentity identity = identify();
    return identity;
}

void tellOnStderr(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "%s: %s\n", qPrintable(programIdentity().name), qPrintable(text));
}
