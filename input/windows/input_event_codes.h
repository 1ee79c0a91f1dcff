#pragma once

// The Linux kernel's codes of axes and buttons, which the input's state and the simulated
// controller name their axes and buttons by. Their values are the kernel's ABI, so they
// hold on a system without its headers.

#define ABS_X 0x00
#define ABS_Y 0x01
#define ABS_Z 0x02
#define ABS_RX 0x03
#define ABS_RY 0x04
#define ABS_RZ 0x05
#define ABS_THROTTLE 0x06
#define ABS_RUDDER 0x07
#define ABS_WHEEL 0x08
#define ABS_GAS 0x09
#define ABS_BRAKE 0x0a
#define ABS_HAT0X 0x10
#define ABS_HAT3Y 0x17
#define ABS_MISC 0x28

#define BTN_TRIGGER 0x120
#define BTN_TRIGGER_HAPPY1 0x2c0
