#pragma once

// The kernel's codes of axes and buttons, as the event devices report them.

#include <linux/input-event-codes.h>
