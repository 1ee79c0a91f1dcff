#include "autostart.h"

#include "program_identity.h"

#include <QDir>

#include <utility>

SessionAutostart::SessionAutostart(QString path) : file(std::move(path)) {}

AutostartAction::AutostartAction(std::function<void(const QString &)> tell_, QObject *parent,
                                 SessionAutostart entry_)
    : QAction(tr("Start with the session"), parent), entry(std::move(entry_)),
      tell(std::move(tell_))
{
    setObjectName(QStringLiteral("start_with_session"));
    setCheckable(true);
    refresh();
    connect(this, &QAction::triggered, this, &AutostartAction::change);
}

void AutostartAction::refresh()
{
    setChecked(entry.enabled());
}

void AutostartAction::change(bool on)
{
    const Outcome done = on ? entry.enable(programIdentity()) : entry.disable();
    refresh();
    if (done.ok())
        return;
    if (on)
        tell(tr("%1 can not be written: %2. The wheel program does not start with the session.")
                 .arg(QDir::toNativeSeparators(entry.path()), done.reason()));
    else
        tell(tr("%1 can not be removed: %2. The wheel program still starts with the session.")
                 .arg(QDir::toNativeSeparators(entry.path()), done.reason()));
}
