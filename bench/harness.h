#pragma once

// Shared by the benchmark's programs, which the driver (bench.cpp) runs under valgrind:
// a window shown as the programs show theirs, idle ticks counted on request, and the
// transfers of one operation counted in the simulator's log.

#include <QString>

#include <functional>

class QTimer;
class QWidget;

// What the driver asked for on the command line.
struct BenchRequest {
    enum Mode { Start, Ticks, Transfers } mode = Start;
    int ticks = 0;       // Ticks: how many to count
    bool select = false; // hwconfig: pick the joystick before the ticks
    bool firstFrame = false; // Start: until the window's first frame rather than settled
};
// Exits with a message on anything it does not understand.
BenchRequest benchRequest(int argc, char **argv);

// Runs the event loop until the work that the last step left behind is done: layouts,
// exposes and paints.
void settle();
// Shows the window as the programs' main does, then settles.
void showAndSettle(QWidget &window);
// Shows the window as the programs' main does, until its first frame is painted.
void showUntilFirstFrame(QWidget &window);
// The start as asked: to the first frame, or settled.
void showForStart(QWidget &window, const BenchRequest &request);
// The start is over: callgrind counts nothing after it (the teardown is no part of it).
void startDone();

// Stops the window's 100 ms poll timer, so that only the ticks asked for run, and returns it.
QTimer *stopPoll(QWidget &window);
// One tick of that poll, with the events it leaves behind.
void runTick(QTimer *poll);

// Runs `count` ticks one after the other and has callgrind count the instructions of those
// ticks only.
void countIdleTicks(QWidget &window, int count);

// Counts the transfers that the simulator logs, one operation at a time.
class TransferCounter
{
public:
    TransferCounter(); // logs into a file of its own
    ~TransferCounter();
    // Runs the operation and prints "transfers <label>\t<count>\t<floor>".
    void count(const QString &label, int floor, const std::function<void()> &operation);

private:
    int lines() const;
    QString path;
};

// Transfers that a chunked write of `length` bytes takes: its data packets and the closing one.
int chunkedWritePackets(int length);
