#include "process_setup.h"

void reportClosedPipes()
{
    // A write to a closed pipe fails with ERROR_NO_DATA; no signal ends the process.
}
