#include "launched_command.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

struct LaunchedCommand::Start {
    std::vector<QByteArray> environment;
    sigset_t mask;
    sigset_t defaults; // the signals this process was not started to ignore
};

namespace
{

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

} // namespace

LaunchedCommand::LaunchedCommand(std::vector<QByteArray> commandLine_)
    : commandLine(std::move(commandLine_))
{
    auto state = std::make_shared<Start>();
    for (char **variable = environ; *variable; ++variable) {
        if (!QByteArray(*variable).startsWith(QByteArray(LAUNCH_DIRECTORY_VARIABLE) + '='))
            state->environment.emplace_back(*variable);
    }
    ::sigprocmask(SIG_SETMASK, nullptr, &state->mask);
    sigemptyset(&state->defaults);
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction action;
        if (::sigaction(signal, nullptr, &action) == 0 &&
            ((action.sa_flags & SA_SIGINFO) || action.sa_handler != SIG_IGN))
            sigaddset(&state->defaults, signal);
    }
    start = std::move(state);
}

LaunchedCommand::Ended LaunchedCommand::run() const
{
    Ended ended;
    if (commandLine.empty()) {
        ended.exitCode = 127;
        ended.started = Outcome::because(QStringLiteral("no command given"));
        return ended;
    }
    const QByteArray directory = qgetenv(LAUNCH_DIRECTORY_VARIABLE);
    const bool intoDirectory =
        !directory.isEmpty() && QFileInfo(QFile::decodeName(directory)).isDir();
    std::vector<char *> argv;
    for (const QByteArray &argument : commandLine)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (const QByteArray &variable : start->environment)
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
    posix_spawnattr_setsigmask(&attributes, &start->mask);
    posix_spawnattr_setsigdefault(&attributes, &start->defaults);

    SignalRelay relay;
    relay.hold();
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        ended.exitCode = error == ENOENT ? 127 : 126; // as a shell answers
        ended.started = Outcome::because(QString::fromLocal8Bit(std::strerror(error)));
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
    return ended;
}
