#include "process_setup.h"

#include <QEventLoop>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

void reportClosedPipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}

namespace
{

// The write end of the pair that turns SIGINT and SIGTERM into an event of the loop.
int interruptWriter = -1;

void noteInterrupt(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(interruptWriter, &byte, 1);
    errno = saved;
}

} // namespace

struct InterruptWatch::State {
    int pair[2] = {-1, -1};
    struct sigaction oldInt = {};
    struct sigaction oldTerm = {};
    std::unique_ptr<QSocketNotifier> notifier;
};

InterruptWatch::InterruptWatch(QEventLoop &loop) : state(std::make_unique<State>())
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, state->pair) != 0) {
        state->pair[0] = state->pair[1] = -1;
        return;
    }
    interruptWriter = state->pair[1];
    struct sigaction action = {};
    action.sa_handler = noteInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &state->oldInt);
    sigaction(SIGTERM, &action, &state->oldTerm);
    state->notifier = std::make_unique<QSocketNotifier>(state->pair[0], QSocketNotifier::Read);
    QObject::connect(state->notifier.get(), &QSocketNotifier::activated, &loop, &QEventLoop::quit);
}

InterruptWatch::~InterruptWatch()
{
    if (!watching())
        return;
    sigaction(SIGINT, &state->oldInt, nullptr);
    sigaction(SIGTERM, &state->oldTerm, nullptr);
    interruptWriter = -1;
    state->notifier.reset();
    ::close(state->pair[0]);
    ::close(state->pair[1]);
}

bool InterruptWatch::watching() const
{
    return state->pair[0] >= 0;
}

qsizetype writeToDescriptor(int descriptor, const char *data, qsizetype size)
{
    qsizetype done = 0;
    while (done < size) {
        const ssize_t written = ::write(descriptor, data + done, size_t(size - done));
        if (written > 0) {
            done += written;
        } else if (written < 0 && errno == EINTR) {
            continue; // an interrupt ends the loop, not the line
        } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd ready = {descriptor, POLLOUT, 0};
            ::poll(&ready, 1, -1);
        } else {
            break; // the caller's stream says why
        }
    }
    return done;
}
