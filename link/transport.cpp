#include "transport.h"

#include "byte_order.h"
#include "kestrix_protocol.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

int getReport(DeviceHandle *handle, int reportId, unsigned char *buffer, int length)
{
    if (!handle)
        return USB_ERROR_NO_DEVICE;
    return handle->controlTransfer(HID_REQUEST_TYPE_IN, HID_GET_REPORT,
                                   HID_REPORT_TYPE_FEATURE | (reportId & 0xFF), HID_INTERFACE,
                                   buffer, static_cast<uint16_t>(length), TRANSFER_TIMEOUT_MS);
}

int setReport(DeviceHandle *handle, int reportId, unsigned char *buffer)
{
    if (!handle)
        return USB_ERROR_NO_DEVICE;
    return handle->controlTransfer(HID_REQUEST_TYPE_OUT, HID_SET_REPORT,
                                   HID_REPORT_TYPE_FEATURE | (reportId & 0xFF), HID_INTERFACE,
                                   buffer, COMMAND_PACKET_SIZE, TRANSFER_TIMEOUT_MS);
}

void initCommandPacket(unsigned char *packet, int command)
{
    std::memset(packet, 0, COMMAND_PACKET_SIZE);
    packet[0] = REPORT_COMMAND;
    packet[PACKET_COMMAND_OFFSET] = static_cast<unsigned char>(command);
}

int sendCommand(DeviceHandle *handle, int command)
{
    unsigned char packet[COMMAND_PACKET_SIZE];
    initCommandPacket(packet, command);
    return setReport(handle, REPORT_COMMAND, packet);
}

int writeChunked(DeviceHandle *handle, int command, const unsigned char *data, uint16_t length)
{
    // One buffer for the whole write, never zeroed again: bytes beyond a short chunk keep
    // what the previous packet left there, as the firmware has always received them.
    unsigned char packet[COMMAND_PACKET_SIZE];
    initCommandPacket(packet, command);

    const int packets = length / CHUNK_DATA_SIZE + 1;
    for (int i = 0; i < packets; ++i) {
        const uint16_t offset = static_cast<uint16_t>(CHUNK_DATA_SIZE * i);
        const uint16_t remaining = static_cast<uint16_t>(length - offset);
        writeU16LE(packet + CHUNK_OFFSET_FIELD, offset);
        writeU16LE(packet + CHUNK_REMAINING_FIELD, remaining);
        const int count = std::min<int>(remaining, CHUNK_DATA_SIZE);
        if (count > 0)
            std::memcpy(packet + CHUNK_DATA_OFFSET, data + offset, count);
        if (const int result = setReport(handle, REPORT_COMMAND, packet); !packetSent(result))
            return result < 0 ? result : USB_ERROR_IO;
    }

    writeU16LE(packet + CHUNK_REMAINING_FIELD, CHUNK_CLOSING_REMAINING);
    const int result = setReport(handle, REPORT_COMMAND, packet);
    if (!packetSent(result))
        return result < 0 ? result : USB_ERROR_IO;
    return 0;
}

namespace
{
BusyIndicator busyIndicator = nullptr;
}

void setBusyIndicator(BusyIndicator indicator)
{
    busyIndicator = indicator;
}

Outcome waitUntilReady(DeviceHandle *handle)
{
    if (busyIndicator)
        busyIndicator(true);
    Outcome outcome = Outcome::failed(Outcome::Problem::StoppedAnswering, USB_ERROR_NO_DEVICE);
    if (handle) {
        // A wall-clock limit, not a read count: each read may itself take up to its time-out.
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(READY_WAIT_LIMIT_MS);
        unsigned char status[RECEIVE_BUFFER_SIZE] = {};
        for (;;) {
            const int received = getReport(handle, REPORT_STATUS, status, RECEIVE_BUFFER_SIZE);
            sleepMs(STATUS_POLL_INTERVAL_MS);
            // A failed or empty read means the device is gone: waiting on would never end.
            if (received < 1)
                break;
            if (status[0] == 0) {
                outcome = Outcome();
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                outcome = Outcome::failed(Outcome::Problem::NotConfirmed);
                break;
            }
        }
    }
    if (busyIndicator)
        busyIndicator(false);
    return outcome;
}

void sleepMs(unsigned milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
