#include "device_sequences.h"

#include "byte_order.h"
#include "effect_settings_record.h"
#include "hardware_settings_record.h"
#include "kestrix_protocol.h"
#include "transport.h"

#include <cstring>

namespace
{
// The pause between the effect write and the command that makes it permanent.
constexpr unsigned EFFECT_SAVE_PAUSE_MS = 100;

using Problem = Outcome::Problem;

// A command packet's transfer.
Outcome commandSent(int result)
{
    return packetSent(result) ? Outcome() : Outcome::failed(Problem::CommandFailed, result);
}

Outcome writeRecord(DeviceHandle *handle, const RecordTable &table, const unsigned char *record)
{
    const int result = writeChunked(handle, table.writeCommand, record, uint16_t(table.size));
    return result == 0 ? Outcome() : Outcome::failed(Problem::WriteFailed, result);
}

// The record afresh, the caller's fields over it, the write.
Outcome readStoreWrite(DeviceHandle *handle, const RecordTable &table, unsigned char *record,
                       const StoreFields &store, const AcceptRecord &accept)
{
    if (!handle)
        return Outcome::failed(Problem::NoDevice, USB_ERROR_NO_DEVICE);
    if (Outcome read = readRecord(handle, table, record); !read.ok())
        return read;
    if (accept && !accept(record))
        return Outcome::failed(Problem::Changed);
    store(record);
    return writeRecord(handle, table, record);
}
} // namespace

Outcome readDeviceType(DeviceHandle *handle, int *deviceType)
{
    unsigned char info[RECEIVE_BUFFER_SIZE] = {};
    const int received = getReport(handle, REPORT_DEVICE_INFO, info, RECEIVE_BUFFER_SIZE);
    if (received <= DEVICE_INFO_TYPE_OFFSET)
        return Outcome::failed(Problem::ReadFailed, received);
    *deviceType = info[DEVICE_INFO_TYPE_OFFSET];
    return Outcome();
}

Outcome readRecord(DeviceHandle *handle, const RecordTable &table, unsigned char *record)
{
    std::memset(record, 0, RECEIVE_BUFFER_SIZE);
    const int received = getReport(handle, table.reportId, record, RECEIVE_BUFFER_SIZE);
    return received >= table.size ? Outcome() : Outcome::failed(Problem::ReadFailed, received);
}

Outcome saveHardwareSettings(DeviceHandle *handle, unsigned char *record, const StoreFields &store,
                             const AcceptRecord &accept)
{
    if (Outcome written = readStoreWrite(handle, hardwareSettingsTable(), record, store, accept);
        !written.ok())
        return written;
    return waitUntilReady(handle);
}

Outcome applyEffectSettings(DeviceHandle *handle, const StoreFields &store)
{
    unsigned char record[RECEIVE_BUFFER_SIZE];
    return readStoreWrite(handle, effectSettingsTable(), record, store, {});
}

Outcome saveEffectSettings(DeviceHandle *handle, const StoreFields &store)
{
    // A wheel that did not take the settings must not make its old ones permanent either.
    if (Outcome written = applyEffectSettings(handle, store); !written.ok())
        return written;
    sleepMs(EFFECT_SAVE_PAUSE_MS);
    if (Outcome saved = commandSent(sendCommand(handle, CMD_SAVE_EFFECT_SETTINGS)); !saved.ok())
        return saved;
    return waitUntilReady(handle);
}

Outcome sendCalibrationCommand(DeviceHandle *handle, int axis, int angle, int magnitude)
{
    unsigned char packet[COMMAND_PACKET_SIZE];
    initCommandPacket(packet, CMD_CALIBRATION_START_ANGLE);
    packet[CALIBRATION_AXIS_FIELD] = static_cast<unsigned char>(axis & 0xFF);
    packet[CALIBRATION_MAGNITUDE_FIELD] = static_cast<unsigned char>(magnitude & 0xFF);
    writeU16LE(packet + CALIBRATION_ANGLE_FIELD, static_cast<uint16_t>(angle & 0xFFFF));
    return commandSent(setReport(handle, REPORT_COMMAND, packet));
}

Outcome rebootController(DeviceHandle *handle)
{
    return commandSent(sendCommand(handle, CMD_REBOOT));
}
