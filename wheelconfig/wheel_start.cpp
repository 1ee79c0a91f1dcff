#include "wheel_start.h"

#include "effect_settings_record.h"
#include "mainwindow.h"
#include "profile_store.h"
#include "profile_widget.h"
#include "wheel_device.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <iterator>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;
#else
#include <QProcess>
#endif

namespace
{

// One line on stderr, whatever the text holds.
void tell(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "wheelconfig: %s\n", qPrintable(text));
}

#ifdef Q_OS_UNIX
volatile sig_atomic_t relayTarget = 0;

extern "C" void relaySignal(int signal, siginfo_t *info, void *)
{
    // The terminal sends its signals to the whole process group: the command has it already.
    if (info && info->si_code > 0)
        return;
    const pid_t target = relayTarget;
    if (target > 0)
        ::kill(target, signal);
}

// While the command runs, a request to end (from the game's launcher, say) goes to the
// command, and this process stays to put the wheel's settings back once it has ended.
// Signals about this process's own doings (a closed pipe, its own limits) are ignored: the
// game has nothing to do with them.
class SignalRelay
{
public:
    SignalRelay()
    {
        struct sigaction relay = {};
        relay.sa_sigaction = relaySignal;
        relay.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&relay.sa_mask);
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        for (int signal : FORWARDED)
            take(signal, relay);
        for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
            take(signal, relay);
        for (int signal : IGNORED)
            take(signal, ignore);
        sigemptyset(&taken);
        for (const Taken &t : changed)
            sigaddset(&taken, t.signal);
    }
    ~SignalRelay()
    {
        relayTarget = 0;
        for (const Taken &t : changed)
            ::sigaction(t.signal, &t.previous, nullptr);
        // A command that did not start: what came meanwhile gets this process's own handling.
        if (held)
            ::sigprocmask(SIG_SETMASK, &before, nullptr);
    }
    // Held back from before the command starts until it has a target, so that none is lost
    // in between.
    void hold() { held = ::sigprocmask(SIG_BLOCK, &taken, &before) == 0; }
    void forwardTo(pid_t pid)
    {
        relayTarget = pid;
        if (held)
            ::sigprocmask(SIG_SETMASK, &before, nullptr);
        held = false;
    }

private:
    struct Taken {
        int signal;
        struct sigaction previous;
    };
    void take(int signal, const struct sigaction &action)
    {
        Taken t{signal, {}};
        // A signal this process was started to ignore (nohup, say) stays ignored, for
        // the command too: a caught one would reach it with its default handling.
        if (::sigaction(signal, nullptr, &t.previous) != 0 ||
            (!(t.previous.sa_flags & SA_SIGINFO) && t.previous.sa_handler == SIG_IGN))
            return;
        if (::sigaction(signal, &action, nullptr) == 0)
            changed.push_back(t);
    }

    static constexpr int FORWARDED[] = {
        SIGHUP,    SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGIO,
#ifdef SIGPWR
        SIGPWR,
#endif
#ifdef SIGSTKFLT
        SIGSTKFLT,
#endif
    };
    static constexpr int IGNORED[] = {SIGPIPE, SIGXCPU, SIGXFSZ};
    std::vector<Taken> changed;
    sigset_t taken;
    sigset_t before;
    bool held = false;
};
#endif

// Each owned field as the window's panel would show it (clamped to its control's range)
// and send it, so that the wheel gets the same bytes from here as from the window.
void storeOwnedFields(const unsigned char *fields, unsigned char *record)
{
    for (const RecordField &field : effectSettingsTable().fields)
        field.write(field.read(fields), record);
}

// The launch form without a running wheelconfig: this process opens the wheel, applies,
// and lets go of it again, without a window and without polling.
WheelReply applyWithoutWindow(const WheelRequest &request)
{
    WheelReply reply;
    unsigned char fields[EFFECT_SETTINGS_RECORD_SIZE];
    const bool isProfile = request.kind == WheelRequest::Kind::ApplyProfile;
    if (isProfile) {
        const ProfileStore::Outcome read = ProfileStore().read(request.profile, fields);
        if (!read.ok()) {
            reply.status = WheelReply::Status::Refused;
            reply.message = ProfileWidget::applyFailure(read);
            return reply;
        }
    } else {
        std::memcpy(fields, request.record.constData(), EFFECT_SETTINGS_RECORD_SIZE);
    }

    usbInit();
    WheelDevice wheel;
    openIfAbsent(wheel.entry);
    QByteArray previous(EFFECT_SETTINGS_RECORD_SIZE, 0);
    const WheelExchange done = applyEffectSettings(wheel.entry.handle, [&](unsigned char *record) {
        std::memcpy(previous.data(), record, EFFECT_SETTINGS_RECORD_SIZE);
        storeOwnedFields(fields, record);
    });
    closeEntry(wheel.entry);
    usbExit();

    if (done == WheelExchange::NoWheel) {
        reply.status = WheelReply::Status::NoWheel;
        reply.message = MainWindow::noWheelText();
    } else if (done != WheelExchange::Done) {
        reply.status = WheelReply::Status::WheelFailed;
        reply.message = MainWindow::applyRefusedText(isProfile ? request.profile : QString());
    } else if (isProfile) {
        reply.previous = previous;
    }
    return reply;
}

// In the running wheelconfig, so that its window shows it; here when there is none.
WheelReply applyAnywhere(const WheelRequest &request)
{
    const WheelReply reply = sendToWheelInstance(request);
    return reply.status == WheelReply::Status::NoInstance ? applyWithoutWindow(request) : reply;
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
    for (++i; i < argc; ++i)
        commandLine.emplace_back(argv[i]);
    for (QByteArray &argument : ownArguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    count = int(ownArguments.size());

#ifdef Q_OS_UNIX
    for (char **variable = environ; *variable; ++variable) {
        if (!QByteArray(*variable).startsWith(QByteArray(LAUNCH_DIRECTORY_VARIABLE) + '='))
            environment.emplace_back(*variable);
    }
    ::sigprocmask(SIG_SETMASK, nullptr, &startMask);
    sigemptyset(&startDefaults);
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction action;
        if (::sigaction(signal, nullptr, &action) == 0 &&
            ((action.sa_flags & SA_SIGINFO) || action.sa_handler != SIG_IGN))
            sigaddset(&startDefaults, signal);
    }
#endif
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

QString WheelArguments::commandName() const
{
    return commandLine.empty() ? QString() : QFile::decodeName(commandLine.front());
}

WheelArguments::Ended WheelArguments::runCommand() const
{
    Ended ended;
    const QByteArray directory = qgetenv(LAUNCH_DIRECTORY_VARIABLE);
    const bool intoDirectory =
        !directory.isEmpty() && QFileInfo(QFile::decodeName(directory)).isDir();
#ifdef Q_OS_UNIX
    std::vector<char *> argv;
    for (const QByteArray &argument : commandLine)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (const QByteArray &variable : environment)
        envp.push_back(const_cast<char *>(variable.constData()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (intoDirectory)
        posix_spawn_file_actions_addchdir_np(&actions, directory.constData());
    // Qt ignores SIGPIPE, for one: the command gets the handling this process was given.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setsigmask(&attributes, &startMask);
    posix_spawnattr_setsigdefault(&attributes, &startDefaults);

    SignalRelay relay;
    relay.hold();
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        ended.exitCode = error == ENOENT ? 127 : 126; // as a shell answers
        ended.startFailure = QString::fromLocal8Bit(std::strerror(error));
        return ended;
    }
    relay.forwardTo(pid);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            ended.exitCode = 1;
            return ended;
        }
    }
    ended.exitCode = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
#else
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    if (intoDirectory)
        process.setWorkingDirectory(QFile::decodeName(directory));
    QStringList arguments;
    for (size_t i = 1; i < commandLine.size(); ++i)
        arguments << QString::fromLocal8Bit(commandLine[i]);
    process.start(commandName(), arguments);
    if (!process.waitForStarted(-1)) {
        ended.exitCode = 127;
        ended.startFailure = process.errorString();
        return ended;
    }
    process.waitForFinished(-1);
    ended.exitCode = process.exitCode();
#endif
    return ended;
}

WheelStart::WheelStart(const WheelArguments &arguments_) : arguments(arguments_)
{
    const QStringList given = arguments.options();
    if (given.size() >= 2 && given.at(1) == QLatin1String("ru"))
        (void)translator.load(QStringLiteral("i18n/wheel_ui_ru"));
    translate();
    QCoreApplication::setApplicationName(QStringLiteral("wheelconfig"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRIX_VERSION));

    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption profileOption(QStringLiteral("profile"), QString(),
                                           QStringLiteral("NAME"));
    parser.addOptions({help, version, profileOption});
    if (!parser.parse(given)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (unknown.isEmpty()) {
            tell(tr("%1 See \"wheelconfig --help\".").arg(parser.errorText()));
        } else {
            const QString dashes =
                unknown.first().size() == 1 ? QStringLiteral("-") : QStringLiteral("--");
            tell(tr("Unknown option \"%1\". See \"wheelconfig --help\".")
                     .arg(dashes + unknown.first()));
        }
        finish(2);
        return;
    }
    if (parser.isSet(help)) {
        std::printf(
            "%s",
            qPrintable(tr(
                "Usage: wheelconfig [ru] [--profile NAME [-- COMMAND [ARGUMENTS...]]]\n"
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
                "  -h, --help          show this help\n"
                "  -v, --version       show the version\n"
                "\n"
                "Exit codes: 0 done; 1 the profile was not applied, the running wheelconfig\n"
                "did not answer, or there is no display for the window; 2 a wrong option.\n"
                "With a COMMAND, the exit code of COMMAND: 128 + N when signal N ended it,\n"
                "126 when it was found but could not be executed, 127 when it was not found.\n")));
        finish(0);
        return;
    }
    if (parser.isSet(version)) {
        std::printf("wheelconfig %s\n", KESTRIX_VERSION);
        finish(0);
        return;
    }
    profileGiven = parser.isSet(profileOption);
    profile = parser.value(profileOption);
    if (arguments.launchForm() && !arguments.hasCommand()) {
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

bool WheelStart::windowSystemAvailable() const
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    QByteArray names = arguments.platform();
    if (names.isEmpty())
        names = qgetenv("QT_QPA_PLATFORM");
    if (names.isEmpty())
        names = "xcb;wayland"; // what Qt picks from when nothing names a platform
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray wayland = qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                                   ? QByteArray("wayland-0")
                                   : qgetenv("WAYLAND_DISPLAY");
    for (const QByteArray &name : names.split(';')) {
        if (name.startsWith("xcb")) {
            if (!qEnvironmentVariableIsEmpty("DISPLAY"))
                return true;
        } else if (name.startsWith("wayland")) {
            const QString socket =
                QFile::decodeName(wayland.startsWith('/') ? wayland : runtime + '/' + wayland);
            if ((wayland.startsWith('/') || !runtime.isEmpty()) && QFileInfo::exists(socket))
                return true;
        } else if (!name.isEmpty()) {
            return true; // offscreen, a framebuffer, ...: Qt says itself if it can not
        }
    }
    tell(tr("No display to show the window on: neither DISPLAY nor WAYLAND_DISPLAY names one."));
    return false;
#else
    return true;
#endif
}

void WheelStart::finish(int exitCode)
{
    done = true;
    code = exitCode;
}

int WheelStart::launchCommand()
{
    WheelRequest request;
    request.kind = WheelRequest::Kind::ApplyProfile;
    request.profile = profile;
    QByteArray previous;
    if (!done && profileGiven) {
        const WheelReply applied = applyAnywhere(request);
        if (applied.ok())
            previous = applied.previous;
        else
            tell(describe(applied));
    }

    const WheelArguments::Ended ended = arguments.runCommand();
    if (!ended.startFailure.isEmpty()) {
        tell(tr("The command \"%1\" could not be started: %2.")
                 .arg(arguments.commandName(), ended.startFailure));
    }

    if (!previous.isEmpty()) {
        request.kind = WheelRequest::Kind::ApplyRecord;
        request.record = previous;
        const WheelReply restored = applyAnywhere(request);
        if (!restored.ok())
            tell(tr("The wheel's settings from before could not be put back: %1")
                     .arg(describe(restored)));
    }
    return ended.exitCode;
}

QString WheelStart::describe(const WheelReply &reply)
{
    if (reply.status == WheelReply::Status::NoAnswer)
        return tr("The running wheelconfig did not answer.");
    return reply.message;
}

bool WheelStart::handOver(WheelChannelServer &channel)
{
    WheelRequest request;
    if (profileGiven) {
        request.kind = WheelRequest::Kind::ApplyProfile;
        request.profile = profile;
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
        const WheelReply reply = sendToWheelInstance(request);
        if (reply.status == WheelReply::Status::NoInstance)
            continue;
        if (!reply.ok())
            tell(describe(reply));
        finish(reply.ok() ? 0 : 1);
        return true;
    }
    tell(describe(WheelReply{WheelReply::Status::NoAnswer, QString(), QByteArray()}));
    finish(1);
    return true;
}

void WheelStart::serve(WheelChannelServer &channel, MainWindow &window) const
{
    channel.setHandler([&window](const WheelRequest &request) {
        switch (request.kind) {
        case WheelRequest::Kind::ApplyProfile:
            return window.applyProfileOnRequest(request.profile);
        case WheelRequest::Kind::ApplyRecord:
            return window.applyRecordOnRequest(request.record, request.permanent);
        case WheelRequest::Kind::Show:
            break;
        }
        window.raiseWindow();
        return WheelReply();
    });
    if (profileGiven)
        window.applyProfileWhenConnected(profile);
}
