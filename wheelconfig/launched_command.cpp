#include "launched_command.h"

#include <QFile>

QString LaunchedCommand::name() const
{
    return commandLine.empty() ? QString() : QFile::decodeName(commandLine.front());
}
