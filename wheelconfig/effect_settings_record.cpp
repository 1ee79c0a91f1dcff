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

WheelExchange applyEffectSettings(DeviceHandle *handle, const StoreEffectFields &store)
{
    if (!handle)
        return WheelExchange::NoWheel;
    unsigned char record[RECEIVE_BUFFER_SIZE];
    // Without the wheel's own bytes the write would replace them with zeros.
    if (!readEffectSettings(handle, record))
        return WheelExchange::ReadFailed;
    store(record);
    if (writeChunked(handle, CMD_WRITE_EFFECT_SETTINGS, record, EFFECT_SETTINGS_RECORD_SIZE) != 0)
        return WheelExchange::WriteFailed;
    return WheelExchange::Done;
}

WheelExchange saveEffectSettings(DeviceHandle *handle, const StoreEffectFields &store)
{
    // A wheel that did not take the settings must not make its old ones permanent either.
    if (const WheelExchange written = applyEffectSettings(handle, store);
        written != WheelExchange::Done)
        return written;
    sleepMs(EFFECT_SAVE_PAUSE_MS);
    if (!packetSent(sendCommand(handle, CMD_SAVE_EFFECT_SETTINGS)))
        return WheelExchange::CommitFailed;
    switch (waitUntilReady(handle)) {
    case ReadyResult::Ready:
        return WheelExchange::Done;
    case ReadyResult::StillBusy:
        return WheelExchange::NotConfirmed;
    case ReadyResult::Failed:
        break;
    }
    return WheelExchange::StatusFailed;
}
