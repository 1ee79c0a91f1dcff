#include "process_scan.h"
#include "this_user_windows.h"

#include <windows.h>

#include <tlhelp32.h>

namespace
{

// A process of the snapshot, as far as it tells without opening the process.
struct Listed {
    int pid = 0;
    int parent = 0;
    QString name; // the executable's file name
};

// The system's processes now; empty when no snapshot can be had.
QVector<Listed> listProcesses()
{
    QVector<Listed> list;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return list;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
         more = ::Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == 0)
            continue; // the idle process
        list.push_back(Listed{int(entry.th32ProcessID), int(entry.th32ParentProcessID),
                              QString::fromWCharArray(entry.szExeFile)});
    }
    ::CloseHandle(snapshot);
    return list;
}

// The snapshot's name and parent: a pid that shows either changed is another process.
quint64 listingMark(const Listed &process)
{
    return (quint64(qHash(process.name.toLower())) << 32) ^ quint64(quint32(process.parent));
}

quint64 fileTime(const FILETIME &time)
{
    return (quint64(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// What an opened process shows of itself: whether it still runs, when it started, and its
// executable's full path.
struct Opened {
    bool running = false;
    quint64 started = 0; // 100 ns units since 1601
    QString path;
};

Opened openProcess(int pid, bool withPath)
{
    Opened opened;
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return opened;
    FILETIME created, exited, kernel, user;
    DWORD code = 0;
    // A process that has ended stays listed while handles to it are open.
    if (::GetProcessTimes(process, &created, &exited, &kernel, &user) &&
        ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE) {
        opened.running = true;
        opened.started = fileTime(created);
    }
    if (opened.running && withPath) {
        wchar_t path[32768];
        DWORD size = DWORD(std::size(path));
        if (::QueryFullProcessImageNameW(process, 0, path, &size))
            opened.path = QString::fromWCharArray(path, int(size)); // as the user writes it
    }
    ::CloseHandle(process);
    return opened;
}

// No other process's command line is to be had cheaply: its executable's path stands for it.
ProcessFacts facts(const Listed &process, const Opened &opened)
{
    ProcessFacts facts;
    const QString path = opened.path.isEmpty() ? process.name : opened.path;
    facts.executable = baseName(path);
    facts.arguments = QStringList{path};
    return facts;
}

// Another wheelconfig may be the launch form, which switches around its game itself; the
// instance that watches is this process, left out already.
bool isWheelProgram(const QString &name)
{
    return name.contains(QLatin1String("wheelconfig"), Qt::CaseInsensitive);
}

} // namespace

ProcessScan::ProcessScan(const QString &) : ownPid(int(::GetCurrentProcessId())) {}

quint64 ProcessScan::startOf(qint64 pid)
{
    return openProcess(int(pid), false).started;
}

QVector<int> ProcessScan::look(QVector<quint64> *started)
{
    QHash<int, Known> now;
    now.reserve(known.size() + 16);
    QVector<int> fresh;
    for (const Listed &listed : listProcesses()) {
        const auto was = known.constFind(listed.pid);
        const bool wasKnown = was != known.constEnd();
        const quint64 mark = listingMark(listed);
        // Most looks open nothing: a pid with the same name and parent is the process known.
        // A game's process is opened each time all the same, for its end.
        if (wasKnown && was->node == mark && was->game < 0) {
            now.insert(listed.pid, *was);
            continue;
        }
        Known process = wasKnown ? *was : Known();
        process.node = mark;
        if (wasKnown && was->game >= 0 && was->node == mark) {
            const Opened opened = openProcess(listed.pid, false);
            if (opened.running && opened.started == was->started) {
                now.insert(listed.pid, process);
                continue;
            }
            process = Known();
            process.node = mark;
        }
        // Executables do not change under a running process: no young one is read again.
        process.young = false;
        process.parent = listed.parent;
        process.own = listed.pid != ownPid && processIsThisUser(DWORD(listed.pid));
        process.launchForm = false;
        process.game = -1;
        if (process.own) {
            const Opened opened = openProcess(listed.pid, true);
            if (!opened.running)
                continue; // gone in between
            process.started = opened.started;
            process.launchForm = isWheelProgram(listed.name);
            process.game = matchGame(rules, facts(listed, opened));
            fresh << listed.pid;
        }
        now.insert(listed.pid, process);
    }
    return settle(now, fresh, started);
}

QVector<ProcessScan::Running> ProcessScan::running() const
{
    QVector<Running> list;
    for (const Listed &listed : listProcesses()) {
        if (listed.pid == ownPid || !processIsThisUser(DWORD(listed.pid)))
            continue;
        const Opened opened = openProcess(listed.pid, true);
        if (!opened.running)
            continue;
        Running process;
        process.pid = listed.pid;
        process.name = listed.name;
        process.commandLine = facts(listed, opened).arguments.first();
        list << process;
    }
    return list;
}
