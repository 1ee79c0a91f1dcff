#pragma once

// The log file itself, each platform's own (simulator_log_linux.cpp,
// simulator_log_windows.cpp). Called with the log's lock held. A line is written whole or
// the error says why not.

#include <string>

bool openLogFile(const char *path, std::string *error);
bool writeLogLine(const std::string &line, std::string *error);
void closeLogFile();
bool logOpen();
