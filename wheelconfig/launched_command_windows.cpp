#include "launched_command.h"

#include <QFileInfo>

#include <windows.h>

#include <shellapi.h>

struct LaunchedCommand::Start {
    std::vector<std::wstring> arguments; // as the system gave them, not the ANSI code page's
    std::wstring environment;            // a block of NUL-ended "NAME=value", NUL-ended
};

namespace
{

// One argument as the C runtime's parser reads it back: quoted when it needs to be, with
// backslashes doubled only before a quote.
std::wstring quoted(const std::wstring &argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring text = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(2 * backslashes, L'\\');
    return text + L'"';
}

// The launch form's own process stays to put the wheel back: Ctrl+C and Ctrl+Break reach the
// game through the console they share, and end the game, not this process.
BOOL WINAPI stayForTheGame(DWORD event)
{
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

class ConsoleRelay
{
public:
    ConsoleRelay() : taken(::SetConsoleCtrlHandler(stayForTheGame, TRUE)) {}
    ~ConsoleRelay()
    {
        if (taken)
            ::SetConsoleCtrlHandler(stayForTheGame, FALSE);
    }

private:
    BOOL taken;
};

// The system's sentence without its full stop: the message it goes into has its own.
QString systemMessage(DWORD error)
{
    QString text = qt_error_string(int(error)).trimmed();
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

} // namespace

LaunchedCommand::LaunchedCommand(std::vector<QByteArray> commandLine_)
    : commandLine(std::move(commandLine_))
{
    auto state = std::make_shared<Start>();
    // The command is the last arguments of this process's own: read again as UTF-16 when
    // they are, so that no name outside the ANSI code page is lost.
    for (const QByteArray &argument : commandLine)
        state->arguments.push_back(QString::fromLocal8Bit(argument).toStdWString());
    int count = 0;
    LPWSTR *words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const int first = count - int(commandLine.size());
    bool tail = words && first >= 1;
    for (int i = 0; tail && i < int(commandLine.size()); ++i)
        tail = QString::fromWCharArray(words[first + i]).toLocal8Bit() == commandLine[size_t(i)];
    for (int i = 0; tail && i < int(commandLine.size()); ++i)
        state->arguments[size_t(i)] = words[first + i];
    if (words)
        ::LocalFree(words);
    const std::wstring skipped =
        QString::fromLatin1(LAUNCH_DIRECTORY_VARIABLE).toStdWString() + L'=';
    if (LPWCH block = ::GetEnvironmentStringsW()) {
        for (LPWCH variable = block; *variable; variable += wcslen(variable) + 1) {
            if (_wcsnicmp(variable, skipped.c_str(), skipped.size()) != 0) {
                state->environment += variable;
                state->environment += L'\0';
            }
        }
        ::FreeEnvironmentStringsW(block);
    }
    state->environment += L'\0';
    start = std::move(state);
}

LaunchedCommand::Ended LaunchedCommand::run() const
{
    Ended ended;
    if (commandLine.empty() || !start) {
        ended.exitCode = 127;
        ended.started = Outcome::because(QStringLiteral("no command given"));
        return ended;
    }
    const QString directory = qEnvironmentVariable(LAUNCH_DIRECTORY_VARIABLE);
    const bool intoDirectory = !directory.isEmpty() && QFileInfo(directory).isDir();
    const std::wstring folder = directory.toStdWString();
    std::wstring line;
    for (const std::wstring &argument : start->arguments)
        line += (line.empty() ? L"" : L" ") + quoted(argument);

    // A console game shares the console of whoever started the launch form, as a shell's
    // command would; a start from the desktop has none to share.
    if (!::GetConsoleWindow())
        ::AttachConsole(ATTACH_PARENT_PROCESS);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring environment = start->environment;
    ConsoleRelay relay;
    // CreateProcess looks the program up as a shell would: its folder, the system's, PATH.
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                          environment.data(), intoDirectory ? folder.c_str() : nullptr, &startup,
                          &process)) {
        const DWORD error = ::GetLastError();
        ended.exitCode = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 127 : 126;
        ended.started = Outcome::because(systemMessage(error));
        return ended;
    }
    ::CloseHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hProcess);
    // All 32 bits: Windows' own codes (0xC000013A for a Ctrl+C, say) come through as they are.
    ended.exitCode = int(code);
    return ended;
}
