#pragma once

// The simulator's transfer log. With KESTRIX_SIMULATOR_LOG=<file> every control transfer
// that a program attempts on a simulated device is appended as one line, flushed at once:
//   <ms since start> <vid>:<pid> <requestType> <request> <value> <index> <length> <result> <data>
// Other tools read it: keep the format. A log that can not be opened at once (a FIFO
// without a reader) or written is given up with one line on stderr.

#include <cstdint>
#include <string>

struct SimTransfer;

int64_t simulatorClockMs();
std::string formatTransferLine(const SimTransfer &transfer);
void simulatorLogTransfer(const SimTransfer &transfer);
// Tests redirect the log; an empty path turns it off. Null reads the environment again.
void setSimulatorLogPath(const char *path);
