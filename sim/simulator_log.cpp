#include "simulator_log.h"

#include "simulated_controller.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#endif

namespace
{

const auto processStart = std::chrono::steady_clock::now();

std::mutex logMutex;
bool logResolved = false;
std::string logPath;

#ifdef _WIN32
std::FILE *logFile = nullptr;

bool openLogFile(const char *path, std::string *error)
{
    logFile = std::fopen(path, "a");
    if (!logFile)
        *error = std::strerror(errno);
    return logFile != nullptr;
}

bool writeLogLine(const std::string &line, std::string *error)
{
    if (std::fputs(line.c_str(), logFile) >= 0 && std::fflush(logFile) == 0)
        return true;
    *error = std::strerror(errno);
    return false;
}

void closeLogFile()
{
    if (logFile)
        std::fclose(logFile);
    logFile = nullptr;
}
#else
int logFd = -1;

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
#endif

bool logOpen()
{
#ifdef _WIN32
    return logFile != nullptr;
#else
    return logFd >= 0;
#endif
}

void openLogLocked(const char *path)
{
    closeLogFile();
    logResolved = true;
    if (!path || !*path)
        return;
    logPath = path;
    std::string error;
    if (!openLogFile(path, &error))
        std::fprintf(stderr,
                     "Simulator log %s can not be opened at once (%s); running without a log.\n",
                     path, error.c_str());
}

} // namespace

int64_t simulatorClockMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 processStart)
        .count();
}

std::string formatTransferLine(const SimTransfer &t)
{
    char head[96];
    std::snprintf(head, sizeof head, "%" PRId64 " %04x:%04x %02x %02x %04x %04x %04x %d ", t.ms,
                  t.vendorId, t.productId, t.requestType, t.request, t.value, t.index, t.length,
                  t.result);
    std::string line(head);
    if (t.data.empty()) {
        line += '-';
    } else {
        static const char digits[] = "0123456789abcdef";
        for (uint8_t byte : t.data) {
            line += digits[byte >> 4];
            line += digits[byte & 0x0F];
        }
    }
    return line;
}

void simulatorLogTransfer(const SimTransfer &transfer)
{
    std::lock_guard<std::mutex> lock(logMutex);
    if (!logResolved)
        openLogLocked(std::getenv("KESTRIX_SIMULATOR_LOG"));
    if (!logOpen())
        return;
    std::string error;
    if (!writeLogLine(formatTransferLine(transfer) + '\n', &error)) {
        // A full disk, or a FIFO whose reader stopped reading or went away.
        std::fprintf(stderr, "Simulator log %s can not be written (%s); running without a log.\n",
                     logPath.c_str(), error.c_str());
        closeLogFile();
    }
}

void setSimulatorLogPath(const char *path)
{
    std::lock_guard<std::mutex> lock(logMutex);
    if (path) {
        openLogLocked(path);
    } else {
        closeLogFile();
        logResolved = false;
    }
}
