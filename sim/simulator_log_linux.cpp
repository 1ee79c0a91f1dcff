#include "simulator_log_file.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace
{
int logFd = -1;
} // namespace

bool openLogFile(const char *path, std::string *error)
{
    // Never waits: a FIFO without a reader, or a device node that is not ready, would
    // otherwise hold the program up before its window appears.
    logFd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    if (logFd < 0)
        *error = std::strerror(errno);
    return logFd >= 0;
}

// One write per line, so that a reader of a FIFO gets whole lines. A reader that went
// away must not end the program with SIGPIPE.
bool writeLogLine(const std::string &line, std::string *error)
{
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    size_t written = 0;
    int failure = 0;
    while (written < line.size()) {
        const ssize_t n = ::write(logFd, line.data() + written, line.size() - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            failure = n < 0 ? errno : EIO;
            break;
        }
    }
    if (failure == EPIPE) {
        const timespec now = {0, 0};
        sigtimedwait(&pipeSignal, nullptr, &now); // the blocked signal this write raised
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (failure)
        *error = std::strerror(failure);
    return failure == 0;
}

void closeLogFile()
{
    if (logFd >= 0)
        ::close(logFd);
    logFd = -1;
}

bool logOpen()
{
    return logFd >= 0;
}
