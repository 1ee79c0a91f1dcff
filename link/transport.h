#pragma once

// Feature-report transport and command set. Plain functions over a device handle; the
// results follow libusb's convention (bytes transferred, or a negative error).

#include "usb_access.h"

#include <cstdint>

int getReport(DeviceHandle *handle, int reportId, unsigned char *buffer, int length);
int setReport(DeviceHandle *handle, int reportId, unsigned char *buffer);
void initCommandPacket(unsigned char *packet, int command);
int sendCommand(DeviceHandle *handle, int command);
void writeChunked(DeviceHandle *handle, int command, const unsigned char *data, uint16_t length);
void waitUntilReady(DeviceHandle *handle);

// Portable blocking pause.
void sleepMs(unsigned milliseconds);
