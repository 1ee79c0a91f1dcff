#include "process_setup.h"

#include <QEventLoop>
#include <QPointer>

#include <algorithm>
#include <mutex>

#include <io.h>
#include <windows.h>

void reportClosedPipes()
{
    // A write to a closed pipe fails with ERROR_NO_DATA; no signal ends the process.
}

namespace
{

// The loop that the console's control handler quits; the handler runs on a thread of
// its own, so the loop is reached through a queued call.
std::mutex loopLock;
QPointer<QEventLoop> interruptedLoop;

BOOL WINAPI noteInterrupt(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT: {
        std::lock_guard<std::mutex> lock(loopLock);
        if (!interruptedLoop)
            return FALSE;
        QMetaObject::invokeMethod(interruptedLoop.data(), &QEventLoop::quit, Qt::QueuedConnection);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

} // namespace

struct InterruptWatch::State {
    bool installed = false;
};

InterruptWatch::InterruptWatch(QEventLoop &loop) : state(std::make_unique<State>())
{
    {
        std::lock_guard<std::mutex> lock(loopLock);
        interruptedLoop = &loop;
    }
    state->installed = SetConsoleCtrlHandler(noteInterrupt, TRUE) != 0;
}

InterruptWatch::~InterruptWatch()
{
    if (state->installed)
        SetConsoleCtrlHandler(noteInterrupt, FALSE);
    std::lock_guard<std::mutex> lock(loopLock);
    interruptedLoop = nullptr;
}

bool InterruptWatch::watching() const
{
    return state->installed;
}

qsizetype writeToDescriptor(int descriptor, const char *data, qsizetype size)
{
    // The C runtime's descriptors block until written.
    qsizetype done = 0;
    while (done < size) {
        const int written = ::_write(descriptor, data + done, unsigned(std::min<qsizetype>(size - done, 1 << 30)));
        if (written <= 0)
            break;
        done += written;
    }
    return done;
}
