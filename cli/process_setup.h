#pragma once

// What the process needs of its system: a closed pipe, an interrupt, a raw write
// (cli/process_linux.cpp, cli/process_windows.cpp).

#include <QtGlobal>

#include <memory>

class QEventLoop;

// A closed pipe on stdout is a failed write that kestrix reports, not a silent death.
void reportClosedPipes();

// While it lives, an interrupt (Ctrl+C, a request to end) quits the loop instead of
// ending the process.
class InterruptWatch
{
public:
    explicit InterruptWatch(QEventLoop &loop);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

    // False where no interrupt can be waited for: the loop then runs unwatched.
    bool watching() const;

private:
    struct State;
    std::unique_ptr<State> state;
};

// Writes the bytes to the descriptor, waiting while it is full; how many were written.
// Fewer than `size` when it failed.
qsizetype writeToDescriptor(int descriptor, const char *data, qsizetype size);
