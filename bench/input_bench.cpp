// The cost of following a controller's input at 1,000 reports a second: the main thread's
// CPU time of hwconfig's Live input window, shown, and of `kestrix input`, natively. The
// reports come from a thread of their own that moves the simulated joystick's X axis once a
// millisecond; its time is not counted.
//
//   bench_input view SECONDS      prints "view\t<share of one core, %>\t<reports>\t<repaints>"
//   bench_input command SECONDS   prints "command\t<share of one core, %>\t<reports>"

#include "command_line.h"
#include "live_input_window.h"
#include "simulated_bus.h"
#include "simulated_input.h"
#include "usb_access.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include <ctime>
#include <memory>
#include <unistd.h>

namespace
{

qint64 threadNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Moves the axis once a millisecond until told to stop, then calls `done` on its thread.
class Feeder
{
public:
    Feeder(SimulatedInput &input, int seconds, std::function<void()> done)
        : thread([this, &input, seconds, done] {
              using namespace std::chrono;
              const auto start = steady_clock::now();
              auto next = start;
              for (int i = 0; steady_clock::now() - start < std::chrono::seconds(seconds); ++i) {
                  input.setAxisValue(0, (i * 37) % 4096);
                  ++sent;
                  next += milliseconds(1);
                  std::this_thread::sleep_until(next);
              }
              done();
          })
    {
    }
    ~Feeder() { thread.join(); }
    std::atomic<int> sent{0};

private:
    std::thread thread;
};

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = argc == 3 ? QByteArray(argv[1]) : QByteArray();
    const int seconds = argc == 3 ? std::atoi(argv[2]) : 0;
    if ((mode != "view" && mode != "command") || seconds <= 0) {
        std::fprintf(stderr, "usage: bench_input view|command SECONDS\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The command runs as kestrix runs it: a QCoreApplication on Qt's own dispatcher.
    if (mode == "command")
        qputenv("QT_NO_GLIB", "1");
    const std::unique_ptr<QCoreApplication> application =
        mode == "view" ? std::make_unique<QApplication>(argc, argv)
                       : std::make_unique<QCoreApplication>(argc, argv);
    SimulatedBus bus;
    SimulatedController *joystick = bus.add(ControllerKind::Joystick);
    setUsbBus(&bus);
    SimulatedInputProvider provider(bus);
    setInputProvider(&provider);
    SimulatedInput &input = joystick->input();

    if (mode == "view") {
        LiveInputWindow window(joystick->productId());
        window.show();
        QCoreApplication::processEvents(); // shown and painted before the count starts
        const qint64 before = threadNanoseconds();
        const auto wall = std::chrono::steady_clock::now();
        {
            Feeder feeder(input, seconds, [] {
                QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
            });
            application->exec();
        }
        const double elapsed = std::chrono::duration<double, std::nano>(
                                   std::chrono::steady_clock::now() - wall)
                                   .count();
        std::printf("view\t%.3f\t%d\t%d\n", 100.0 * double(threadNanoseconds() - before) / elapsed,
                    seconds * 1000, window.repaints());
        return 0;
    }

    QFile null(QStringLiteral("/dev/null"));
    if (!null.open(QIODevice::WriteOnly))
        return 2;
    QTextStream out(&null);
    QTextStream err(stderr);
    const qint64 before = threadNanoseconds();
    const auto wall = std::chrono::steady_clock::now();
    int code = 0;
    int sent = 0;
    {
        // Ended as a user ends it: an interrupt.
        Feeder feeder(input, seconds, [] { ::kill(::getpid(), SIGINT); });
        code = runKestrix({QStringLiteral("input"), QStringLiteral("joystick")}, out, err,
                          EffectRoute::Direct);
        sent = feeder.sent;
    }
    const double elapsed =
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - wall).count();
    std::printf("command\t%.3f\t%d\n", 100.0 * double(threadNanoseconds() - before) / elapsed,
                sent);
    return code;
}
