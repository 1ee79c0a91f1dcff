#pragma once

// Applying effect settings for a request when this process has no window.

#include "wheel_channel.h"

// The launch form without a running wheelconfig: this process opens the wheel, applies,
// and lets go of it again, without a window and without polling.
WheelReply applyWithoutWindow(const WheelRequest &request);

// In the running wheelconfig, so that its window shows it; here when there is none.
WheelReply applyAnywhere(const WheelRequest &request);
