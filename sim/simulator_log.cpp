#include "simulator_log.h"

#include "simulated_controller.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

const auto processStart = std::chrono::steady_clock::now();

std::mutex logMutex;
std::FILE *logFile = nullptr;
bool logResolved = false;

void closeLogLocked()
{
    if (logFile)
        std::fclose(logFile);
    logFile = nullptr;
}

void openLogLocked(const char *path)
{
    closeLogLocked();
    if (path && *path) {
        logFile = std::fopen(path, "a");
        if (!logFile)
            std::fprintf(stderr, "Simulator log %s can not be opened for appending.\n", path);
    }
    logResolved = true;
}

} // namespace

int64_t simulatorClockMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now() - processStart)
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
    if (!logFile)
        return;
    const std::string line = formatTransferLine(transfer);
    std::fprintf(logFile, "%s\n", line.c_str());
    std::fflush(logFile);
}

void setSimulatorLogPath(const char *path)
{
    std::lock_guard<std::mutex> lock(logMutex);
    if (path)
        openLogLocked(path);
    else {
        closeLogLocked();
        logResolved = false;
    }
}
