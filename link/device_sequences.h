#pragma once

// Every exchange with a controller that a window or the command line runs, one function
// each. Each stops at its first failed transfer and sends nothing after it, never writes
// bytes that no read delivered, and says how it ended; what the user is told is up to the
// caller. `record` buffers hold RECEIVE_BUFFER_SIZE bytes.

#include "outcome.h"
#include "record_fields.h"
#include "usb_access.h"

#include <functional>

// Writes the fields a caller owns into a record that holds the device's own bytes.
using StoreFields = std::function<void(unsigned char *record)>;
// Whether a record just read may be written over (false: Changed, nothing is written).
using AcceptRecord = std::function<bool(const unsigned char *record)>;

// The device information: byte 4, the device type. ReadFailed when it did not come.
Outcome readDeviceType(DeviceHandle *handle, int *deviceType);

// The table's record, read into a zeroed buffer. ReadFailed, with the transfer's result (a
// negative error or the short count), when less than the whole record came.
Outcome readRecord(DeviceHandle *handle, const RecordTable &table, unsigned char *record);

// Hardware save: the record read afresh (so that bytes no field owns go back as the device
// holds them now), `accept` asked, `store` puts the fields over it, the chunked write of
// command 17, and the wait until the device is ready. `record` holds what was written.
Outcome saveHardwareSettings(DeviceHandle *handle, unsigned char *record, const StoreFields &store,
                             const AcceptRecord &accept = {});

// Live apply of the effect settings: the wheel's record afresh, `store` over it, command 18.
Outcome applyEffectSettings(DeviceHandle *handle, const StoreFields &store);
// Save: the live apply, a pause, command 2 and the wait. Nothing is made permanent when the
// live apply did not go out whole.
Outcome saveEffectSettings(DeviceHandle *handle, const StoreFields &store);

// Command 21: moves the axis to its calibration start angle with the magnitude.
Outcome sendCalibrationCommand(DeviceHandle *handle, int axis, int angle, int magnitude);

// Command 1. The controller leaves the bus for a moment.
Outcome rebootController(DeviceHandle *handle);
