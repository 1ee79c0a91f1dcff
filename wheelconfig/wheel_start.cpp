#include "wheel_start.h"

#include "program_identity.h"
#include "mainwindow.h"

#include "program_main.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace
{

void tell(const QString &text)
{
    tellOnStderr(text);
}

} // namespace

WheelArguments::WheelArguments(int argc, char **argv)
{
    int i = 0;
    for (; i < argc; ++i) {
        if (i > 0 && std::strcmp(argv[i], "--") == 0) {
            separated = true;
            break;
        }
        ownArguments.emplace_back(argv[i]);
    }
    std::vector<QByteArray> commandLine;
    for (++i; i < argc; ++i)
        commandLine.emplace_back(argv[i]);
    command = LaunchedCommand(std::move(commandLine));
    for (QByteArray &argument : ownArguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    count = int(ownArguments.size());
}

namespace
{
// The options a QApplication takes out of the arguments, with a value or without.
const char *const WINDOW_SYSTEM_VALUES[] = {"platform",
                                            "platformpluginpath",
                                            "platformtheme",
                                            "plugin",
                                            "qwindowgeometry",
                                            "geometry",
                                            "qwindowtitle",
                                            "title",
                                            "qwindowicon",
                                            "icon",
                                            "display",
                                            "style",
                                            "stylesheet",
                                            "session",
                                            "name"};
const char *const WINDOW_SYSTEM_FLAGS[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// "-platform" or "--platform" as the name "platform"; anything else empty.
QByteArray windowSystemOption(const QByteArray &argument, bool *takesValue)
{
    if (!argument.startsWith('-'))
        return QByteArray();
    const QByteArray name = argument.mid(argument.startsWith("--") ? 2 : 1);
    for (const char *known : WINDOW_SYSTEM_VALUES) {
        if (name == known) {
            *takesValue = true;
            return name;
        }
    }
    for (const char *known : WINDOW_SYSTEM_FLAGS) {
        if (name == known) {
            *takesValue = false;
            return name;
        }
    }
    return QByteArray();
}
} // namespace

QStringList WheelArguments::options() const
{
    QStringList own;
    for (size_t i = 0; i < ownArguments.size(); ++i) {
        bool takesValue = false;
        if (i > 0 && !windowSystemOption(ownArguments[i], &takesValue).isEmpty()) {
            i += takesValue ? 1 : 0;
            continue;
        }
        own << QString::fromLocal8Bit(ownArguments[i]);
    }
    return own;
}

QByteArray WheelArguments::platform() const
{
    for (size_t i = 1; i + 1 < ownArguments.size(); ++i) {
        bool takesValue = false;
        if (windowSystemOption(ownArguments[i], &takesValue) == "platform")
            return ownArguments[i + 1];
    }
    return QByteArray();
}

WheelStart::WheelStart(const WheelArguments &arguments_) : arguments(arguments_)
{
    const QStringList given = arguments.options();
    installCatalogue(translator, QStringLiteral("wheel_ui_ru"), given);
    QCoreApplication::setApplicationName(QStringLiteral("wheelconfig"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRIX_VERSION));

    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption profileOption(QStringLiteral("profile"), QString(),
                                           QStringLiteral("NAME"));
    const QCommandLineOption hiddenOption(QStringLiteral("hidden"));
    const QCommandLineOption gamesOption(QStringLiteral("games"));
    const QCommandLineOption inputOption(QStringLiteral("input"));
    parser.addOptions({help, version, profileOption, hiddenOption, gamesOption, inputOption});
    const QString name = programIdentity().name;
    if (!parser.parse(given)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (unknown.isEmpty()) {
            tell(tr("%1 See \"%2 --help\".").arg(parser.errorText(), name));
        } else {
            const QString dashes =
                unknown.first().size() == 1 ? QStringLiteral("-") : QStringLiteral("--");
            tell(tr("Unknown option \"%1\". See \"%2 --help\".")
                     .arg(dashes + unknown.first(), name));
        }
        finish(2);
        return;
    }
    if (parser.isSet(help)) {
        std::printf(
            "%s",
            qPrintable(
                tr("Usage: %1 [ru] [--hidden | --games | --input] [--profile NAME]\n"
                   "       %1 [ru] --profile NAME -- COMMAND [ARGUMENTS...]\n"
                   "\n"
                   "Shows the effect settings of the Kestrix wheel and lives in the system tray.\n"
                   "Only one wheelconfig runs per user session: a second start hands its request\n"
                   "to the running one and ends.\n"
                   "\n"
                   "  ru                  Russian captions (only as the first argument)\n"
                   "  --profile NAME      apply the profile NAME from wheel_profiles: in the\n"
                   "                      running wheelconfig, or once the wheel is connected\n"
                   "  --profile NAME -- COMMAND [ARGUMENTS...]\n"
                   "                      apply NAME, run COMMAND and wait for it, then put back\n"
                   "                      the settings the wheel had before; COMMAND runs even\n"
                   "                      when NAME can not be applied\n"
                   "  --hidden            start in the tray without the window (the window shows\n"
                   "                      when no tray comes within 30 seconds); a running\n"
                   "                      wheelconfig is left as it is, but for --profile\n"
                   "  --games             open the Games window: in the running wheelconfig, or\n"
                   "                      in the one this starts\n"
                   "  --input             open the Live input window for the wheel: in the\n"
                   "                      running wheelconfig, or in the one this starts\n"
                   "  -h, --help          show this help\n"
                   "  -v, --version       show the version\n"
                   "\n"
                   "Exit codes: 0 done; 1 the profile was not applied, the running wheelconfig\n"
                   "did not answer, or there is no display for the window; 2 a wrong option.\n"
                   "With a COMMAND, the exit code of COMMAND: 128 + N when signal N ended it,\n"
                   "126 when it was found but could not be executed, 127 when it was not found.\n")
                    .arg(name)));
        finish(0);
        return;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(name), KESTRIX_VERSION);
        finish(0);
        return;
    }
    profileGiven = parser.isSet(profileOption);
    profile = parser.value(profileOption);
    hidden = parser.isSet(hiddenOption);
    // How the program shows itself: one way at a time.
    QStringList shows;
    for (const QCommandLineOption *option : {&hiddenOption, &gamesOption, &inputOption}) {
        if (parser.isSet(*option))
            shows << QStringLiteral("--") + option->names().constFirst();
    }
    if (parser.isSet(gamesOption))
        sideWindow = SideWindow::Games;
    else if (parser.isSet(inputOption))
        sideWindow = SideWindow::Input;
    if (shows.size() > 1) {
        tell(tr("%1 and %2 exclude each other. See \"%3 --help\".").arg(shows[0], shows[1], name));
        finish(2);
    } else if (!shows.isEmpty() && arguments.launchForm()) {
        tell(tr("%1 does not go with \"--\". See \"%2 --help\".").arg(shows[0], name));
        finish(2);
    } else if (arguments.launchForm() && !arguments.hasCommand()) {
        tell(tr("Nothing follows \"--\": give the command to run after it."));
        finish(2);
    } else if (arguments.hasCommand() && !profileGiven) {
        tell(tr("No --profile NAME before \"--\": the command runs with the wheel as it is."));
    }
}

void WheelStart::translate()
{
    QCoreApplication::installTranslator(&translator);
}

void WheelStart::finish(int exitCode)
{
    done = true;
    code = exitCode;
}

Outcome WheelStart::beginGame()
{
    game.id = QStringLiteral("launch:%1:%2")
                  .arg(QCoreApplication::applicationPid())
                  .arg(QDateTime::currentMSecsSinceEpoch());
    game.name = arguments.command.name();
    game.profile = profile;
    WheelRequest request;
    request.kind = WheelRequest::Kind::BeginGame;
    request.game = game.id;
    request.profile = profile;
    request.title = game.name;
    Outcome begun = replyOutcome(sendToWheelInstance(request));
    switch (begun.problem) {
    case Outcome::Problem::NoInstance:
        // No wheelconfig runs: this process is the wheel's owner while the game runs.
        gameHolder = GameHolder::Here;
        ownService = std::make_unique<WheelService>();
        ownService->useOwnConnection();
        return ownService->pushGame(game);
    case Outcome::Problem::Unsupported: {
        // An older wheelconfig: it applies, this process keeps what to put back.
        gameHolder = GameHolder::OlderInstance;
        request.kind = WheelRequest::Kind::ApplyProfile;
        const WheelReply applied = sendToWheelInstance(request);
        previous = applied.previous;
        return replyOutcome(applied);
    }
    default:
        // Even when it failed there, the instance may hold the game: it is ended there too.
        gameHolder = GameHolder::Instance;
        return begun;
    }
}

Outcome WheelStart::endGame()
{
    WheelRequest request;
    switch (gameHolder) {
    case GameHolder::None:
        return Outcome();
    case GameHolder::Instance:
        request.kind = WheelRequest::Kind::EndGame;
        request.game = game.id;
        return replyOutcome(sendToWheelInstance(request));
    case GameHolder::OlderInstance:
        if (previous.isEmpty())
            return Outcome();
        request.kind = WheelRequest::Kind::ApplyRecord;
        request.record = previous;
        return replyOutcome(sendToWheelInstance(request));
    case GameHolder::Here:
        break;
    }
    const Outcome ended = ownService->popGame(game.id);
    if (ended.ok() || !ownService->putBackKept())
        return ended;
    // A wheelconfig that started meanwhile holds the wheel now: it puts them back.
    request.kind = WheelRequest::Kind::ApplyRecord;
    request.record = ownService->keptPutBack();
    const Outcome handed = replyOutcome(sendToWheelInstance(request));
    return handed.problem == Outcome::Problem::NoInstance ? ended : handed;
}

int WheelStart::launchCommand()
{
    if (!done && profileGiven) {
        const Outcome begun = beginGame();
        if (!begun.ok())
            tell(describe(begun));
    }

    const LaunchedCommand::Ended ended = arguments.command.run();
    if (!ended.started.ok()) {
        tell(tr("The command \"%1\" could not be started: %2.")
                 .arg(arguments.command.name(), ended.started.systemText));
    }

    const Outcome restored = endGame();
    if (!restored.ok())
        tell(tr("The wheel's settings from before could not be put back: %1")
                 .arg(describe(restored)));
    return ended.exitCode;
}

QString WheelStart::describe(const Outcome &outcome) const
{
    if (outcome.problem == Outcome::Problem::NoAnswer)
        return tr("The running wheelconfig did not answer.");
    // The running wheelconfig's own words, or this process's.
    if (!outcome.systemText.isEmpty())
        return outcome.systemText;
    return WheelService::failureText(outcome, profile);
}

bool WheelStart::handOver(WheelChannelServer &channel)
{
    WheelRequest request;
    if (profileGiven) {
        request.kind = WheelRequest::Kind::ApplyProfile;
        request.profile = profile;
    } else if (sideWindow) {
        request.kind = *sideWindow == SideWindow::Games ? WheelRequest::Kind::ShowGames
                                                        : WheelRequest::Kind::ShowInput;
    }
    // The running one may end between the look and the request: then look again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        switch (channel.claim()) {
        case WheelChannelServer::Claim::Claimed:
            return false;
        case WheelChannelServer::Claim::Unavailable:
            tell(tr("Can not tell whether wheelconfig runs already (%1); this one starts anyway.")
                     .arg(channel.problem()));
            return false;
        case WheelChannelServer::Claim::Running:
            break;
        }
        // Started with the session while one runs already: it stays as it is.
        if (hidden && !profileGiven) {
            finish(0);
            return true;
        }
        const Outcome handed = replyOutcome(sendToWheelInstance(request));
        if (handed.problem == Outcome::Problem::NoInstance)
            continue;
        if (!handed.ok())
            tell(describe(handed));
        finish(handed.ok() ? 0 : 1);
        return true;
    }
    tell(describe(Outcome::failed(Outcome::Problem::NoAnswer)));
    finish(1);
    return true;
}

namespace
{
WheelReply answer(WheelService &service, const WheelRequest &request)
{
    using Kind = WheelRequest::Kind;
    Outcome done;
    QByteArray previous;
    switch (request.kind) {
    case Kind::ApplyProfile:
        done = service.applyProfile(request.profile, &previous);
        break;
    case Kind::ApplyRecord:
        done = service.applyRecord(request.record, request.permanent);
        if (request.permanent && done.fromDevice())
            return outcomeReply(done, WheelService::saveFailureText(done));
        break;
    case Kind::BeginGame:
        done =
            service.pushGame({request.game, request.title, request.profile, false, request.peer});
        break;
    case Kind::EndGame:
        done = service.popGame(request.game);
        break;
    case Kind::Show:
    case Kind::ShowGames:
    case Kind::ShowInput:
        break;
    }
    WheelReply reply = outcomeReply(done, WheelService::failureText(done, request.profile));
    if (done.ok() && request.kind == Kind::ApplyProfile)
        reply.previous = previous;
    return reply;
}
} // namespace

void WheelStart::serve(WheelChannelServer &channel, MainWindow &window) const
{
    // What fails goes back to the asking process rather than into a box that would hold up
    // its reply.
    channel.setHandler([&window](const WheelRequest &request) {
        using Kind = WheelRequest::Kind;
        switch (request.kind) {
        case Kind::Show:
            window.raiseWindow();
            return WheelReply();
        case Kind::ShowGames:
        case Kind::ShowInput:
            window.showSideWindow(request.kind == Kind::ShowGames ? SideWindow::Games
                                                                  : SideWindow::Input);
            return WheelReply();
        default:
            return answer(*window.wheelService(), request);
        }
    });
    if (profileGiven)
        window.applyProfileWhenConnected(profile);
    // In front of the main window, which shows once the event loop runs.
    if (sideWindow) {
        QTimer::singleShot(0, &window,
                           [&window, kind = *sideWindow] { window.showSideWindow(kind); });
    }
}
