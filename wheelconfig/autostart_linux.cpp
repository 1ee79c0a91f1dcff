#include "autostart.h"

#include "file_writer.h"
#include "program_identity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Longer than any entry; a file beyond it is read only this far.
constexpr qint64 MAX_ENTRY = 64 * 1024;

bool hasControlCharacter(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

// A desktop entry's string value: only the backslash needs its escape here.
QString stringValue(QString text)
{
    return text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
}

// The program of an Exec line: quoted where it needs to be, with the escapes of the quoting
// rules and then those of the string type; a literal percent sign doubled.
QString execProgram(QString path)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9/._+-]+$"));
    if (plain.match(path).hasMatch())
        return path;
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted = stringValue(quoted).replace(QLatin1Char('%'), QLatin1String("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Hidden=true, or a desktop's own switch turned off, means the session does not start it.
bool startedBySession(const QByteArray &text)
{
    bool inEntry = false;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const int equals = line.indexOf('=');
        if (!inEntry || equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false"))
            return false;
    }
    return true;
}
} // namespace

QString SessionAutostart::defaultPath()
{
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(config))
        config = QDir::homePath() + QLatin1String("/.config");
    return config + QLatin1String("/autostart/kestrix-wheelconfig.desktop");
}

bool SessionAutostart::enabled() const
{
    QFile entry;
    if (!openRegularFile(file, &entry).ok())
        return false;
    return startedBySession(entry.read(MAX_ENTRY));
}

QByteArray SessionAutostart::content(const ProgramIdentity &program)
{
    if (program.command.isEmpty() || hasControlCharacter(program.command) ||
        hasControlCharacter(program.workingDirectory))
        return QByteArray();
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Kestrix Wheel\n"
                                  "Name[ru]=Руль Kestrix\n"
                                  "Comment=Starts the wheel program in the tray\n"
                                  "Comment[ru]=Запускает программу руля в области уведомлений\n"
                                  "Icon=kestrix-wheelconfig\n"
                                  "Terminal=false\n");
    text += QLatin1String("Exec=") + execProgram(program.command) + QLatin1String(" --hidden\n");
    if (!program.workingDirectory.isEmpty())
        text += QLatin1String("Path=") + stringValue(program.workingDirectory) + QLatin1Char('\n');
    return text.toUtf8();
}

Outcome SessionAutostart::enable(const ProgramIdentity &program) const
{
    const QByteArray text = content(program);
    if (text.isEmpty())
        return Outcome::because(QStringLiteral("the program's path can not be written in it"));
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder)) {
        // The reason of the first folder that could not be made.
        QString missing = folder;
        while (!QFileInfo::exists(QFileInfo(missing).absolutePath()))
            missing = QFileInfo(missing).absolutePath();
        if (::mkdir(QFile::encodeName(missing).constData(), 0700) != 0)
            return Outcome::fromError(errno);
        return Outcome::failed(Outcome::Problem::NoFolder);
    }
    return writeFileAtomically(file, text);
}

Outcome SessionAutostart::disable() const
{
    // The entry itself, also when it is a link: never what it points at.
    if (::unlink(QFile::encodeName(file).constData()) != 0 && errno != ENOENT)
        return Outcome::fromError(errno);
    return Outcome();
}
