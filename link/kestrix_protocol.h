#pragma once

// The controller family's wire protocol: HID feature reports on interface 0.

#include <cstdint>

// USB identity of the family.
constexpr uint16_t KESTRIX_VENDOR_ID = 0x045B;
constexpr uint16_t PRODUCT_ID_GENERIC = 0x55F0;
constexpr uint16_t PRODUCT_ID_JOYSTICK = 0x58F9;
constexpr uint16_t PRODUCT_ID_RUDDER = 0x5968;
constexpr uint16_t PRODUCT_ID_WHEEL = 0x59D7;

// Feature report ids.
constexpr uint8_t REPORT_COMMAND = 0x20;           // out, 65 bytes: command packet
constexpr uint8_t REPORT_HARDWARE_SETTINGS = 0x21; // in: hardware settings record
constexpr uint8_t REPORT_EFFECT_SETTINGS = 0x22;   // in: effect settings record
constexpr uint8_t REPORT_STATUS = 0x24;            // in: byte 0, 0 = ready, else busy
constexpr uint8_t REPORT_DEVICE_INFO = 0x25;       // in: byte 4 = device type

// Commands: byte 1 of a REPORT_COMMAND packet.
constexpr uint8_t CMD_REBOOT = 1;                   // no fields
constexpr uint8_t CMD_SAVE_EFFECT_SETTINGS = 2;     // no fields; keep effect settings
constexpr uint8_t CMD_WRITE_HARDWARE_SETTINGS = 17; // chunked: 107-byte hardware record
constexpr uint8_t CMD_WRITE_EFFECT_SETTINGS = 18;   // chunked: 22-byte effect record
constexpr uint8_t CMD_CALIBRATION_START_ANGLE = 21; // axis, magnitude, angle

// Device types: byte 4 of REPORT_DEVICE_INFO.
constexpr uint8_t DEVICE_TYPE_NONE = 0; // offers no settings
constexpr uint8_t DEVICE_TYPE_JOYSTICK = 1;
constexpr uint8_t DEVICE_TYPE_RUDDER = 2;
constexpr uint8_t DEVICE_TYPE_WHEEL = 3;

constexpr int DEVICE_INFO_TYPE_OFFSET = 4;

// HID class requests (GET_REPORT / SET_REPORT, report type Feature).
constexpr uint8_t HID_REQUEST_TYPE_IN = 0xA1;  // device-to-host, class, interface
constexpr uint8_t HID_REQUEST_TYPE_OUT = 0x21; // host-to-device, class, interface
constexpr uint8_t HID_GET_REPORT = 0x01;
constexpr uint8_t HID_SET_REPORT = 0x09;
constexpr uint16_t HID_REPORT_TYPE_FEATURE = 0x0300; // high byte of wValue
constexpr uint16_t HID_INTERFACE = 0;
constexpr unsigned TRANSFER_TIMEOUT_MS = 1000;

// Every report is received into a buffer of this size and requested with this length.
constexpr int RECEIVE_BUFFER_SIZE = 1024;

// Command packet layout.
constexpr int COMMAND_PACKET_SIZE = 65; // report id + 63 field bytes + byte 64 (always 0)
constexpr int PACKET_COMMAND_OFFSET = 1;
constexpr int PACKET_FIELDS_OFFSET = 2;

// Chunked-write packet fields (commands 17 and 18).
constexpr int CHUNK_OFFSET_FIELD = 2;    // u16 LE: offset of this chunk in the block
constexpr int CHUNK_REMAINING_FIELD = 4; // u16 LE: bytes left from the offset; 0xFFFF closes
constexpr int CHUNK_DATA_OFFSET = 6;
constexpr int CHUNK_DATA_SIZE = 58; // data bytes that fit after id, command, offset, remaining
constexpr uint16_t CHUNK_CLOSING_REMAINING = 0xFFFF;

// Calibration start angle packet fields (command 21).
constexpr int CALIBRATION_AXIS_FIELD = 2;      // u8: 0 or 1
constexpr int CALIBRATION_MAGNITUDE_FIELD = 3; // u8: percent
constexpr int CALIBRATION_ANGLE_FIELD = 4;     // i16 LE: degrees

constexpr unsigned STATUS_POLL_INTERVAL_MS = 100;
