#include "simulator_log_file.h"

#include <QString>

#include <windows.h>

namespace
{
HANDLE logFile = INVALID_HANDLE_VALUE;

std::string describe(DWORD error)
{
    return qt_error_string(int(error)).toStdString();
}
} // namespace

bool openLogFile(const char *path, std::string *error)
{
    // Bytes as they are: a text-mode stream would end each line with CR LF, and the log's
    // readers compare it with Linux's byte for byte.
    logFile = CreateFileW(QString::fromLocal8Bit(path).toStdWString().c_str(), FILE_APPEND_DATA,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (logFile == INVALID_HANDLE_VALUE)
        *error = describe(GetLastError());
    return logFile != INVALID_HANDLE_VALUE;
}

// One write per line, so that a reader of a pipe gets whole lines.
bool writeLogLine(const std::string &line, std::string *error)
{
    size_t written = 0;
    while (written < line.size()) {
        DWORD n = 0;
        if (!WriteFile(logFile, line.data() + written, DWORD(line.size() - written), &n, nullptr)) {
            *error = describe(GetLastError());
            return false;
        }
        if (n == 0) {
            *error = describe(ERROR_DISK_FULL);
            return false;
        }
        written += n;
    }
    return true;
}

void closeLogFile()
{
    if (logFile != INVALID_HANDLE_VALUE)
        CloseHandle(logFile);
    logFile = INVALID_HANDLE_VALUE;
}

bool logOpen()
{
    return logFile != INVALID_HANDLE_VALUE;
}
