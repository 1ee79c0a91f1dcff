#include "process_setup.h"

#include <csignal>

void reportClosedPipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}
