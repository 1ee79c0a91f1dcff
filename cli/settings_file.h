#pragma once

// The settings file of a backup: JSON with a format name and version, the controller's
// product id and device type, and per record every owned field by name plus the record's
// bytes in hex, so that the bytes no window owns are kept too.
//
//   {
//     "format": "kestrix-settings",
//     "version": 1,
//     "product_id": "0x58f9",
//     "device_type": 1,
//     "hardware_settings": {"fields": {"force_enable": 1, ...}, "raw": "0100..."},
//     "effect_settings": {...}          (a wheel's file only)
//   }

#include "outcome.h"
#include "record_values.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

struct SettingsFile {
    uint16_t productId = 0;
    int deviceType = 0;
    std::vector<RecordValues> records; // the hardware settings, then a wheel's effect settings

    const RecordValues *find(const RecordTable &table) const;
};

QByteArray settingsJson(const SettingsFile &file);

// Parses and checks a settings file: format and version, a product id of the family, every
// field known, present and within its range, and records of the right length. `tables`
// are the records a file may hold; the hardware settings are required. A failure carries a
// one-line reason.
Outcome parseSettings(const QByteArray &json, const std::vector<const RecordTable *> &tables,
                      SettingsFile *file);

// A profile to share: the effect settings part of a backup under a format of its own, with
// no product id, since a profile is the wheel's alone.
//
//   {
//     "format": "kestrix-profile",
//     "version": 1,
//     "effect_settings": {"fields": {"motion_range": 900, ...}, "raw": "3250..."}
//   }
QByteArray profileJson(const RecordValues &effectSettings);
// Checked as a backup's part is: every field known, present and in range, the raw bytes
// whole, no key twice.
Outcome parseProfile(const QByteArray &json, RecordValues *effectSettings);
