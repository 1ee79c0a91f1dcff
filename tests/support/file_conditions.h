#pragma once

// Conditions a file write meets on a user's machine, real for the length of a scope.

#include <QByteArray>
#include <QString>

#include <csignal>
#include <functional>

#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// No file may grow past 0 bytes, and the signal that would end the process is ignored: a
// write fails as on a full disk.
class FullDisk
{
public:
    FullDisk() : previous(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit full = saved;
        full.rlim_cur = 0;
        active = setrlimit(RLIMIT_FSIZE, &full) == 0;
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }
    bool active = false;

private:
    rlimit saved{};
    void (*previous)(int);
};

constexpr uid_t OTHER_USER = 65534; // nobody

// As root, acts as another user, so that permissions apply as to anyone; else does nothing.
class AsOtherUser
{
public:
    AsOtherUser() { active = !root || (setegid(OTHER_USER) == 0 && seteuid(OTHER_USER) == 0); }
    ~AsOtherUser()
    {
        // A test that went on as the other user would no longer test what it says.
        if (root && (seteuid(0) != 0 || setegid(0) != 0))
            qFatal("could not become root again");
    }
    bool active = false;

private:
    const bool root = geteuid() == 0;
};

// Runs `step` in a child process and returns its text. Where this process is root, the child
// first becomes the other user for good (saved ids and groups too), so that permissions apply
// to the step as on a user's machine. "(child failed)" when it could not.
inline QString inChildAsOtherUser(const std::function<QString()> &step)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("(child failed)");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const bool dropped = ::geteuid() != 0 ||
                             (::setgroups(0, nullptr) == 0 &&
                              ::setresgid(OTHER_USER, OTHER_USER, OTHER_USER) == 0 &&
                              ::setresuid(OTHER_USER, OTHER_USER, OTHER_USER) == 0);
        const QByteArray text = dropped ? step().toUtf8() : QByteArray();
        const bool sent = dropped && ::write(channel[1], text.constData(), text.size()) == text.size();
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray text;
    char buffer[512];
    ssize_t count;
    while (child > 0 && (count = ::read(channel[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, int(count));
    ::close(channel[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return QStringLiteral("(child failed)");
    return QString::fromUtf8(text);
}
