#include "wheel_start.h"

bool WheelStart::windowSystemAvailable() const
{
    // Every Windows session has its desktop: the platform plugin says itself if it can not.
    return true;
}
