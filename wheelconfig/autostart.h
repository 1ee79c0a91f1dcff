#pragma once

// The per-user autostart entry that starts the wheel program with the session, in the tray
// and without its window. Whether it starts so is the file itself, so that an entry copied
// by hand counts as well as one the tray menu wrote. On Linux an XDG desktop entry; on
// Windows a shortcut in the user's Startup folder, which, unlike a Run value in the
// registry, also names the folder the program runs in.

#include "outcome.h"

#include <QAction>
#include <QByteArray>
#include <QString>

#include <functional>

struct ProgramIdentity;

class SessionAutostart
{
public:
    // $XDG_CONFIG_HOME/autostart/kestrix-wheelconfig.desktop, by default under ~/.config;
    // on Windows <Startup folder>/kestrix-wheelconfig.lnk.
    static QString defaultPath();

    explicit SessionAutostart(QString path = defaultPath());

    QString path() const { return file; }
    // An entry is there and the session starts it (not one marked Hidden or disabled).
    bool enabled() const;
    // Writes the entry that starts `program` with --hidden, making its folder when missing.
    Outcome enable(const ProgramIdentity &program) const;
    // Removes the entry; ok when there is none.
    Outcome disable() const;

    // The entry's text (on Windows the command line the shortcut starts); empty when the
    // command can not be written in an entry.
    static QByteArray content(const ProgramIdentity &program);

private:
    QString file;
};

// The tray menu's check item "Start with the session". Its state is read from the file each
// time the menu opens; a change that fails is told through `tell` and the item shows what
// the file says.
class AutostartAction : public QAction
{
    Q_OBJECT

public:
    AutostartAction(std::function<void(const QString &text)> tell, QObject *parent,
                    SessionAutostart entry = SessionAutostart());

    void refresh();

private:
    void change(bool on);

    SessionAutostart entry;
    std::function<void(const QString &)> tell;
};
