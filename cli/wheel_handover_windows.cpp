#include "wheel_handover.h"

Outcome handToWheelconfig(const Controller &, const RecordValues &, unsigned char *,
                          bool *handedOver)
{
    // No wheelconfig of this build runs on Windows to hold the wheel: the command writes.
    *handedOver = false;
    return Outcome();
}
