#include "effect_settings_record.h"

#include "kestrix_protocol.h"
#include "transport.h"

#include <cstring>

bool readEffectSettings(DeviceHandle *handle, unsigned char *record)
{
    std::memset(record, 0, RECEIVE_BUFFER_SIZE);
    return getReport(handle, REPORT_EFFECT_SETTINGS, record, RECEIVE_BUFFER_SIZE) >=
           EFFECT_SETTINGS_RECORD_SIZE;
}

bool applyEffectSettings(DeviceHandle *handle, const StoreEffectFields &store)
{
    unsigned char record[RECEIVE_BUFFER_SIZE];
    // Without the wheel's own bytes the write would replace them with zeros.
    if (!readEffectSettings(handle, record))
        return false;
    store(record);
    writeChunked(handle, CMD_WRITE_EFFECT_SETTINGS, record, EFFECT_SETTINGS_RECORD_SIZE);
    return true;
}

bool saveEffectSettings(DeviceHandle *handle, const StoreEffectFields &store)
{
    if (!applyEffectSettings(handle, store))
        return false;
    sleepMs(EFFECT_SAVE_PAUSE_MS);
    sendCommand(handle, CMD_SAVE_EFFECT_SETTINGS);
    waitUntilReady(handle);
    return true;
}
