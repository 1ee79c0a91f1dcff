#include "wheel_service.h"

#include "effect_settings_record.h"
#include "process_scan.h"
#include "profile_store.h"
#include "record_values.h"
#include "wheel_device.h"

#include <cstring>

namespace
{
// As often as the game watch looks.
constexpr int OWNER_WATCH_MS = 2000;
} // namespace

WheelService::WheelService(QObject *parent) : QObject(parent)
{
    ownerWatch.setInterval(OWNER_WATCH_MS);
    connect(&ownerWatch, &QTimer::timeout, this, &WheelService::endGamesWithoutOwner);
}

WheelService::~WheelService()
{
    if (ownConnection)
        usbExit();
}

void WheelService::setConnection(DeviceHandle *handle_)
{
    const bool came = handle_ && handle_ != handle;
    handle = handle_;
    if (!came)
        return;
    if (!stack.empty())
        applyTop(true);
    else if (!kept.isEmpty())
        putBack();
}

void WheelService::useOwnConnection()
{
    if (!ownConnection)
        usbInit();
    ownConnection = true;
}

void WheelService::setHeld(const QString &name)
{
    if (held == name)
        return;
    held = name;
    emit heldProfileChanged(name);
}

Outcome WheelService::exchange(const StoreFields &store, bool permanent, QByteArray *before)
{
    QByteArray written;
    const StoreFields capture = [&](unsigned char *record) {
        if (before)
            *before = QByteArray(reinterpret_cast<const char *>(record), EFFECT_SETTINGS_RECORD_SIZE);
        store(record);
        written = QByteArray(reinterpret_cast<const char *>(record), EFFECT_SETTINGS_RECORD_SIZE);
    };
    Outcome done;
    if (ownConnection) {
        WheelDevice wheel;
        openIfAbsent(wheel.entry);
        done = permanent ? saveEffectSettings(wheel.entry.handle, capture)
                         : applyEffectSettings(wheel.entry.handle, capture);
        closeEntry(wheel.entry);
    } else {
        done = permanent ? saveEffectSettings(handle, capture)
                         : applyEffectSettings(handle, capture);
    }
    if (!written.isEmpty() && (done.ok() || done.problem == Outcome::Problem::NotConfirmed ||
                               done.problem == Outcome::Problem::StoppedAnswering))
        emit recordApplied(written); // the live apply went through
    if (!done.ok() && done.problem != Outcome::Problem::NoDevice && !ownConnection)
        emit exchangeFailed();
    return done;
}

Outcome WheelService::applyOwned(const QByteArray &fields, bool permanent, QByteArray *before)
{
    if (fields.size() != EFFECT_SETTINGS_RECORD_SIZE)
        return Outcome::failed(Outcome::Problem::Damaged);
    // As the window's panel shows them (clamped to its controls), so that the wheel gets the
    // same bytes whichever surface applied them.
    const RecordValues shown = readRecordValues(
        effectSettingsTable(), reinterpret_cast<const unsigned char *>(fields.constData()));
    return exchange([&](unsigned char *record) { writeRecordValues(shown, record); }, permanent,
                    before);
}

Outcome WheelService::applyProfile(const QString &name, QByteArray *previous)
{
    QByteArray fields(EFFECT_SETTINGS_RECORD_SIZE, 0);
    const Outcome read =
        ProfileStore().read(name, reinterpret_cast<unsigned char *>(fields.data()));
    if (!read.ok())
        return read;
    const Outcome done = applyOwned(fields, false, previous);
    if (done.ok())
        setHeld(name);
    else if (done.problem != Outcome::Problem::NoDevice)
        setHeld(QString());
    return done;
}

Outcome WheelService::applyRecord(const QByteArray &record, bool permanent)
{
    const Outcome done = applyOwned(record, permanent, nullptr);
    if (done.problem != Outcome::Problem::NoDevice)
        setHeld(QString()); // bytes are no profile's
    return done;
}

Outcome WheelService::applyFields(const StoreFields &store)
{
    const Outcome done = exchange(store, false);
    if (done.problem != Outcome::Problem::NoDevice)
        setHeld(QString());
    return done;
}

Outcome WheelService::saveFields(const StoreFields &store)
{
    return exchange(store, true);
}

QStringList WheelService::games() const
{
    QStringList ids;
    for (const Entry &entry : stack)
        ids << entry.game.id;
    return ids;
}

Outcome WheelService::pushGame(const Game &game)
{
    return pushGames({game});
}

Outcome WheelService::pushGames(const std::vector<Game> &games)
{
    const size_t size = stack.size();
    for (const Game &game : games) {
        bool known = false;
        for (const Entry &entry : stack)
            known = known || entry.game.id == game.id;
        if (known)
            continue;
        // An owner that can not be read is not watched: its game ends as it says.
        const quint64 ownerStarted = game.owner > 0 ? ProcessScan::startOf(game.owner) : 0;
        stack.push_back(Entry{game, QByteArray(), QString(), false, ownerStarted});
        if (ownerStarted)
            ownerWatch.start();
    }
    return stack.size() == size ? Outcome() : applyTop(false);
}

Outcome WheelService::applyTop(bool again)
{
    Entry &top = stack.back();
    if (top.refused || (!again && !top.previous.isEmpty()))
        return Outcome();
    QByteArray before;
    const QString heldBefore = held;
    const Outcome done = applyProfile(top.game.profile, &before);
    if (done.problem == Outcome::Problem::NoDevice)
        return done; // applied when the wheel answers
    if (!done.ok()) {
        // A profile that can not be read stays refused; the wheel's failure is tried again
        // when it answers again.
        top.refused = !done.fromDevice();
        if (top.game.announce)
            emit told(gameFailureText(done, top.game), true);
        return done;
    }
    // A wheel that came back holds this profile still, or its own saved settings: the
    // settings from before the game stay the ones to put back. A put-back that never
    // reached the wheel is what it would have held.
    if (top.previous.isEmpty()) {
        top.previous = kept.isEmpty() ? before : kept;
        top.previousHeld = kept.isEmpty() ? heldBefore : keptHeld;
    }
    kept.clear();
    if (top.game.announce)
        emit told(tr("The profile \"%1\" is applied for %2.").arg(top.game.profile, top.game.name),
                  false);
    return done;
}

Outcome WheelService::popGame(const QString &id)
{
    size_t index = 0;
    while (index < stack.size() && stack[index].game.id != id)
        ++index;
    if (index == stack.size())
        return Outcome();
    const Entry ended = stack[index];
    stack.erase(stack.begin() + long(index));
    if (index < stack.size()) {
        // Not on top: the wheel keeps the top game's profile, and what was before the ended
        // game is what the game above it puts back in the end.
        if (!ended.previous.isEmpty()) {
            stack[index].previous = ended.previous;
            stack[index].previousHeld = ended.previousHeld;
        }
        return Outcome();
    }
    if (ended.previous.isEmpty()) // never reached the wheel: it holds what it held
        return stack.empty() ? Outcome() : applyTop(false);
    if (!stack.empty() && stack.back().previous.isEmpty() && !stack.back().refused) {
        // The game below never reached the wheel: it does now, over what was before.
        stack.back().previous = ended.previous;
        stack.back().previousHeld = ended.previousHeld;
        return applyTop(true);
    }
    return sendPutBack(ended);
}

void WheelService::endGamesWithoutOwner()
{
    QStringList ended;
    bool watched = false;
    for (const Entry &entry : stack) {
        if (!entry.ownerStarted)
            continue;
        if (ProcessScan::startOf(entry.game.owner) == entry.ownerStarted)
            watched = true;
        else
            ended << entry.game.id;
    }
    if (!watched)
        ownerWatch.stop();
    for (const QString &id : std::as_const(ended))
        popGame(id);
}

Outcome WheelService::sendPutBack(const Entry &ended)
{
    const Outcome done = applyRecord(ended.previous);
    if (done.ok()) {
        setHeld(ended.previousHeld);
        kept.clear();
        if (ended.game.announce)
            emit told(tr("%1 has ended: the settings from before it are back.").arg(ended.game.name),
                      false);
        return done;
    }
    // Kept for the wheel's next answer, and told once.
    kept = ended.previous;
    keptHeld = ended.previousHeld;
    keptFor = ended.game.name;
    keptTold = true;
    emit told(tr("The settings from before %1 did not reach the wheel; they are put back when it "
                 "answers again.")
                  .arg(ended.game.name),
              true);
    return done;
}

Outcome WheelService::putBack()
{
    if (kept.isEmpty())
        return Outcome();
    const QByteArray record = kept;
    const Outcome done = applyRecord(record);
    if (!done.ok())
        return done; // told when it was kept
    kept.clear();
    setHeld(keptHeld);
    if (keptTold)
        emit told(tr("The settings from before %1 are back.").arg(keptFor), false);
    keptTold = false;
    return done;
}

QString WheelService::failureText(const Outcome &outcome, const QString &profile)
{
    if (outcome.problem == Outcome::Problem::NoDevice)
        return noWheelText();
    if (outcome.fromDevice())
        return applyRefusedText(profile);
    // The profile could not be read: the store says why.
    return tr("The profile could not be applied: %1.").arg(ProfileStore::reason(outcome));
}

QString WheelService::gameFailureText(const Outcome &outcome, const Game &game)
{
    // Told while the user is in the game, away from the window: it names both.
    if (outcome.fromDevice())
        return tr("The wheel did not take the profile \"%1\" for %2. Check the cable.")
            .arg(game.profile, game.name);
    return tr("The profile \"%1\" for %2 could not be applied: %3.")
        .arg(game.profile, game.name, ProfileStore::reason(outcome));
}

QString WheelService::noWheelText()
{
    return tr("No wheel is connected.");
}

QString WheelService::applyRefusedText(const QString &profile)
{
    if (profile.isEmpty())
        return tr("The wheel did not take the change. Check the cable, then try again.");
    return tr("The wheel did not take the profile \"%1\". Check the cable, then try again.")
        .arg(profile);
}

QString WheelService::saveFailureText(const Outcome &saved)
{
    switch (saved.problem) {
    case Outcome::Problem::NotConfirmed:
        return tr("The wheel did not confirm within 5 seconds that it saved the settings. "
                  "Wait a moment, then click \"Save settings\" again.");
    case Outcome::Problem::StoppedAnswering:
        return tr("The wheel stopped answering before it confirmed that it saved the "
                  "settings. Check the cable, then click \"Save settings\" again.");
    default:
        return tr("The settings could not be saved in the wheel. Check the cable, then try "
                  "again.");
    }
}
