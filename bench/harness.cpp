#include "harness.h"

#include "kestrix_protocol.h"
#include "program_main.h"
#include "simulator_log.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr int POLL_INTERVAL_MS = 100;
// Event loop passes that settle a step: enough for the layout, the expose and the paint.
constexpr int SETTLE_PASSES = 5;
// Ticks run before counting: the first after a change may still finish it.
constexpr int WARM_UP_TICKS = 2;

[[noreturn]] void usage(const char *program)
{
    std::fprintf(stderr, "usage: %s start [frame] | ticks <count> [select] | transfers\n",
                 program);
    std::exit(2);
}
} // namespace

BenchRequest benchRequest(int argc, char **argv)
{
    BenchRequest request;
    if (argc < 2)
        usage(argv[0]);
    if (std::strcmp(argv[1], "start") == 0 && argc == 2)
        return request;
    if (std::strcmp(argv[1], "start") == 0 && argc == 3 && std::strcmp(argv[2], "frame") == 0) {
        request.firstFrame = true;
        return request;
    }
    if (std::strcmp(argv[1], "transfers") == 0 && argc == 2) {
        request.mode = BenchRequest::Transfers;
        return request;
    }
    if (std::strcmp(argv[1], "ticks") != 0 || argc < 3 || argc > 4)
        usage(argv[0]);
    request.mode = BenchRequest::Ticks;
    request.ticks = std::atoi(argv[2]);
    request.select = argc == 4 && std::strcmp(argv[3], "select") == 0;
    if (request.ticks <= 0 || (argc == 4 && !request.select))
        usage(argv[0]);
    return request;
}

void settle()
{
    for (int pass = 0; pass < SETTLE_PASSES; ++pass)
        QCoreApplication::processEvents();
}

void showAndSettle(QWidget &window)
{
    showMainWindow(window);
    settle();
}

namespace
{
// Sees the window's own paint event: the pass that paints it paints its children too, so the
// frame is complete once the event loop pass that carried it returns.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QWidget &window) : window(window) { window.installEventFilter(this); }
    ~FirstPaint() override { window.removeEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &window && event->type() == QEvent::Paint)
            painted = true;
        return false;
    }

private:
    QWidget &window;
};
} // namespace

void showUntilFirstFrame(QWidget &window)
{
    FirstPaint watch(window);
    showMainWindow(window);
    // Bounded: a window that never paints is measured settled instead.
    for (int pass = 0; pass < 100 && !watch.painted; ++pass)
        QCoreApplication::processEvents();
}

void showForStart(QWidget &window, const BenchRequest &request)
{
    if (request.firstFrame)
        showUntilFirstFrame(window);
    else
        showAndSettle(window);
}

void startDone()
{
    CALLGRIND_STOP_INSTRUMENTATION;
}

QTimer *stopPoll(QWidget &window)
{
    for (QTimer *timer : window.findChildren<QTimer *>()) {
        if (timer->isActive() && timer->interval() == POLL_INTERVAL_MS) {
            timer->stop();
            return timer;
        }
    }
    std::fprintf(stderr, "the window has no running 100 ms poll timer\n");
    std::exit(1);
}

void runTick(QTimer *poll)
{
    QMetaObject::invokeMethod(poll, "timeout");
    QCoreApplication::processEvents();
}

void countIdleTicks(QWidget &window, int count)
{
    QTimer *poll = stopPoll(window);
    for (int i = 0; i < WARM_UP_TICKS; ++i)
        runTick(poll);
    CALLGRIND_START_INSTRUMENTATION;
    for (int i = 0; i < count; ++i)
        runTick(poll);
    CALLGRIND_STOP_INSTRUMENTATION;
}

TransferCounter::TransferCounter()
    : path(QDir::temp().filePath(
          QStringLiteral("kestrix-bench-%1.log").arg(QCoreApplication::applicationPid())))
{
    QFile::remove(path);
    setSimulatorLogPath(QFile::encodeName(path).constData());
}

TransferCounter::~TransferCounter()
{
    setSimulatorLogPath("");
    QFile::remove(path);
}

int TransferCounter::lines() const
{
    QFile log(path);
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    return int(log.readAll().count('\n'));
}

void TransferCounter::count(const QString &label, int floor, const std::function<void()> &operation)
{
    const int before = lines();
    operation();
    std::printf("transfers %s\t%d\t%d\n", qPrintable(label), lines() - before, floor);
    std::fflush(stdout);
}

int chunkedWritePackets(int length)
{
    // As writeChunked sends them: one more data packet than whole chunks, and the closing one.
    return length / CHUNK_DATA_SIZE + 2;
}
