#pragma once

// Feature-report transport and command set. Plain functions over a device handle; the
// results follow libusb's convention (bytes transferred, or a negative error).

#include "kestrix_protocol.h"
#include "outcome.h"
#include "usb_access.h"

#include <cstdint>

int getReport(DeviceHandle *handle, int reportId, unsigned char *buffer, int length);
int setReport(DeviceHandle *handle, int reportId, unsigned char *buffer);
void initCommandPacket(unsigned char *packet, int command);
int sendCommand(DeviceHandle *handle, int command);

// Sends the block as chunked command packets and stops at the first packet that does not
// go out whole, so the device never assembles a block with a hole in it. Returns 0 when
// every packet went out, else that packet's negative result (USB_ERROR_IO for a short one).
int writeChunked(DeviceHandle *handle, int command, const unsigned char *data, uint16_t length);

// How long the status may stay busy after a write before the wait gives up.
constexpr int READY_WAIT_LIMIT_MS = 5000;

// Reads the status every 100 ms until it says ready, a read fails or READY_WAIT_LIMIT_MS
// have passed, with the process's busy indicator on meanwhile. NotConfirmed when still busy
// at the limit; StoppedAnswering when a status read failed (the device is gone) or came
// empty, or there was no handle.
Outcome waitUntilReady(DeviceHandle *handle);

// What a program shows while the busy wait blocks it: the windows show the wait cursor, the
// command line nothing. Called with true when the wait begins and false when it ends; null
// (the default) shows nothing.
using BusyIndicator = void (*)(bool busy);
void setBusyIndicator(BusyIndicator indicator);

// Whether a SET_REPORT of a command packet went out whole.
inline bool packetSent(int result)
{
    return result == COMMAND_PACKET_SIZE;
}

// Portable blocking pause.
void sleepMs(unsigned milliseconds);
