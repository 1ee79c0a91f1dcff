#include "simulator_log.h"

#include "simulated_controller.h"
#include "simulator_log_file.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace
{

const auto processStart = std::chrono::steady_clock::now();

std::mutex logMutex;
bool logResolved = false;
std::string logPath;

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
