#include "simulated_controller.h"
#include "simulated_input.h"

#include "byte_order.h"
#include "family.h"
#include "kestrix_protocol.h"
#include "simulator_log.h"
#include "usb_access.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace {

// Lengths of the reports as the firmware sends them. The records are longer than the
// parts the programs write back, so that a tail that must never be written is visible.
constexpr int DEVICE_INFO_LENGTH = 16;
constexpr int HARDWARE_RECORD_LENGTH = 120;
constexpr int EFFECT_RECORD_LENGTH = 32;
constexpr int STATUS_LENGTH = 8;

std::vector<uint8_t> defaultDeviceInfo(uint8_t deviceType)
{
    std::vector<uint8_t> info(DEVICE_INFO_LENGTH, 0);
    info[0] = 2; // firmware major
    info[1] = 7; // firmware minor
    info[2] = 1; // hardware revision
    info[DEVICE_INFO_TYPE_OFFSET] = deviceType;
    return info;
}

void putAxis(std::vector<uint8_t> &r, int base, int8_t encoderDirection, int8_t forceDirection,
             uint8_t polePairs, uint16_t cpr, uint16_t motionRange, int16_t startAngle,
             float pGain, float iGain, uint8_t carriedSeed)
{
    r[base + 0] = static_cast<uint8_t>(encoderDirection);
    r[base + 1] = static_cast<uint8_t>(forceDirection);
    r[base + 2] = polePairs;
    writeU16LE(&r[base + 3], cpr);
    writeU16LE(&r[base + 5], motionRange);
    writeU16LE(&r[base + 7], static_cast<uint16_t>(startAngle));
    writeF32LE(&r[base + 9], pGain);
    writeF32LE(&r[base + 13], iGain);
    for (int i = 0; i < 4; ++i) // firmware-private bytes that the programs only carry
        r[base + 17 + i] = static_cast<uint8_t>(carriedSeed + i);
}

// A working set-up per kind, as a controller leaves the workshop.
std::vector<uint8_t> defaultHardwareRecord(ControllerKind kind)
{
    std::vector<uint8_t> r(HARDWARE_RECORD_LENGTH, 0);
    for (int i = 107; i < HARDWARE_RECORD_LENGTH; ++i)
        r[i] = static_cast<uint8_t>(0xA0 + i - 107); // beyond the record: never written
    if (kind == ControllerKind::Generic)
        return r;

    enum { DISABLED, BUTTON, ANALOG, SPI_CS, SPI_SCK, SPI_MISO, EFFECTS, RECAL, REBOOT, BRAKE };
    const uint8_t carried52 = 0x5A;
    r[52] = carried52;
    r[0] = 1; // forces on
    r[1] = 0;
    r[2] = 1; // calibrate on boot
    r[4] = 1; // 40 V/V

    switch (kind) {
    case ControllerKind::Joystick: {
        r[3] = 1; // start angle as the center
        r[5] = 1; // SN74HC165N x 3
        const uint8_t gpio[10] = {ANALOG, ANALOG, ANALOG, SPI_MISO, SPI_SCK,
                                  SPI_CS, BUTTON, BRAKE,  DISABLED, DISABLED};
        std::copy(gpio, gpio + 10, r.begin() + 6);
        r[16] = 1; // button 1 on pin 7
        for (int b = 8; b < 32; ++b)
            r[16 + b] = 1; // 24 buttons on the shift registers
        r[16 + 8] = 3;     // trigger as a pulse
        r[48] = 80;
        r[49] = 60;
        r[50] = 40;
        r[51] = 30;
        putAxis(r, 65, -1, -1, 7, 4096, 40, 0, 0.5f, 0.01f, 0x11);
        putAxis(r, 86, 1, -1, 7, 4096, 40, 0, 0.5f, 0.01f, 0x21);
        break;
    }
    case ControllerKind::Rudder: {
        r[3] = 2; // automatic center search
        r[5] = 0;
        const uint8_t gpio[10] = {ANALOG, ANALOG, DISABLED, DISABLED, DISABLED,
                                  DISABLED, BUTTON, BRAKE, DISABLED, DISABLED};
        std::copy(gpio, gpio + 10, r.begin() + 6);
        r[16] = 1;
        r[48] = 70;
        r[49] = 50;
        r[50] = 30;
        r[51] = 25;
        putAxis(r, 65, -1, 1, 7, 2048, 60, 0, 0.8f, 0.02f, 0x31);
        putAxis(r, 86, -1, -1, 7, 2048, 60, 0, 0.8f, 0.02f, 0x41);
        break;
    }
    case ControllerKind::Wheel: {
        r[3] = 1;
        r[5] = 2; // C4021 x 3
        const uint8_t gpio[10] = {ANALOG, ANALOG, ANALOG, SPI_MISO, SPI_SCK,
                                  SPI_CS, EFFECTS, BRAKE, DISABLED, DISABLED};
        std::copy(gpio, gpio + 10, r.begin() + 6);
        for (int b = 8; b < 22; ++b)
            r[16 + b] = 1; // paddles and rim buttons on the shift registers
        r[48] = 90;
        r[49] = 60;
        r[50] = 35;
        r[51] = 20;
        putAxis(r, 65, -1, -1, 4, 10000, 900, 0, 1.2f, 0.05f, 0x51);
        putAxis(r, 86, -1, -1, 4, 10000, 900, 0, 1.2f, 0.05f, 0x61);
        break;
    }
    case ControllerKind::Generic:
        break;
    }
    for (int i = 0; i < 3; ++i) {
        const bool used = r[6 + i] == ANALOG;
        r[53 + i] = used ? 2 : 0;  // lower dead zone
        r[56 + i] = used ? 2 : 0;  // upper dead zone
        r[59 + i] = used ? 10 : 0; // smoothing
        r[62 + i] = 50;            // button threshold
    }
    return r;
}

std::vector<uint8_t> defaultEffectRecord()
{
    std::vector<uint8_t> r(EFFECT_RECORD_LENGTH, 0);
    r[0] = 100; // spring
    r[1] = 100; // constant
    r[2] = 100; // periodic
    r[3] = 0x01; // constant force not inverted
    r[4] = 20;   // dampening
    r[5] = 0x07; // firmware-private
    r[6] = 80;   // total effect scale
    r[7] = 10;   // smoothing
    writeU16LE(&r[8], 900);
    r[10] = 60; // soft stop gain
    r[11] = 10; // soft stop range
    for (int i = 12; i < EFFECT_RECORD_LENGTH; ++i)
        r[i] = static_cast<uint8_t>(0xC0 + i - 12); // firmware-private
    return r;
}

} // namespace

const Product &productOf(ControllerKind kind)
{
    return family().at(size_t(kind));
}

bool controllerKindFromName(const std::string &name, ControllerKind *kind)
{
    const Product *product = productByKind(QString::fromStdString(name));
    if (!product)
        return false;
    *kind = ControllerKind(product - family().data());
    return true;
}

const char *controllerKindName(ControllerKind kind)
{
    return productOf(kind).kind;
}

bool SimTransfer::isGetReport(uint8_t reportId) const
{
    return requestType == HID_REQUEST_TYPE_IN && request == HID_GET_REPORT &&
           value == (HID_REPORT_TYPE_FEATURE | reportId);
}

bool SimTransfer::isCommand(uint8_t command) const
{
    return requestType == HID_REQUEST_TYPE_OUT && request == HID_SET_REPORT &&
           value == (HID_REPORT_TYPE_FEATURE | REPORT_COMMAND) && data.size() > 1 &&
           data[0] == REPORT_COMMAND && data[1] == command;
}

SimulatedController::SimulatedController(ControllerKind kind)
    : kind_(kind), deviceInfo(defaultDeviceInfo(deviceType())),
      hardwareRecord(defaultHardwareRecord(kind)), effectRecord(defaultEffectRecord()),
      savedEffect(effectRecord), status(STATUS_LENGTH, 0)
{
    std::fill(std::begin(reportLimits), std::end(reportLimits), -1);
    currentConnection = nextConnection++;
}

uint16_t SimulatedController::vendorId() const
{
    return KESTRIX_VENDOR_ID;
}

uint16_t SimulatedController::productId() const
{
    return productOf(kind_).productId;
}

uint8_t SimulatedController::deviceType() const
{
    return productOf(kind_).deviceType;
}

void SimulatedController::refreshLocked() const
{
    if (rebooting && Clock::now() >= rebootUntil) {
        // Back from a reboot: a new session, and the live effect settings are the saved ones.
        rebooting = false;
        effectRecord = savedEffect;
        if (plugged)
            currentConnection = nextConnection++;
    }
}

bool SimulatedController::present() const
{
    std::lock_guard<std::mutex> lock(mutex);
    refreshLocked();
    return plugged && !rebooting;
}

uint64_t SimulatedController::connection() const
{
    std::lock_guard<std::mutex> lock(mutex);
    refreshLocked();
    return (plugged && !rebooting) ? currentConnection : 0;
}

bool SimulatedController::pluggedIn() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return plugged;
}

void SimulatedController::plug()
{
    std::lock_guard<std::mutex> lock(mutex);
    refreshLocked();
    if (!plugged) {
        plugged = true;
        if (!rebooting)
            currentConnection = nextConnection++;
    }
}

void SimulatedController::unplug()
{
    std::lock_guard<std::mutex> lock(mutex);
    plugged = false;
    currentConnection = 0;
    staging.clear();
    stagingCommand = -1;
    if (inputState)
        inputState->notify(); // a live view hears that it is gone
}

void SimulatedController::setRebootDuration(std::chrono::milliseconds duration)
{
    std::lock_guard<std::mutex> lock(mutex);
    rebootDuration = duration;
}

int SimulatedController::rebootCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return reboots;
}

void SimulatedController::setAccessDenied(bool refuse)
{
    std::lock_guard<std::mutex> lock(mutex);
    denied = refuse;
}

bool SimulatedController::accessDenied() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return denied;
}

void SimulatedController::noteOpen()
{
    std::lock_guard<std::mutex> lock(mutex);
    ++opens;
}

int SimulatedController::openCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return opens;
}

std::vector<uint8_t> *SimulatedController::reportLocked(uint8_t reportId)
{
    switch (reportId) {
    case REPORT_DEVICE_INFO:
        return &deviceInfo;
    case REPORT_HARDWARE_SETTINGS:
        return &hardwareRecord;
    case REPORT_EFFECT_SETTINGS:
        return &effectRecord;
    case REPORT_STATUS:
        return &status;
    default:
        return nullptr;
    }
}

std::vector<uint8_t> SimulatedController::report(uint8_t reportId) const
{
    std::lock_guard<std::mutex> lock(mutex);
    refreshLocked();
    auto *self = const_cast<SimulatedController *>(this);
    const std::vector<uint8_t> *r = self->reportLocked(reportId);
    return r ? *r : std::vector<uint8_t>();
}

void SimulatedController::setReport(uint8_t reportId, const std::vector<uint8_t> &content)
{
    std::lock_guard<std::mutex> lock(mutex);
    refreshLocked();
    if (std::vector<uint8_t> *r = reportLocked(reportId))
        *r = content;
}

void SimulatedController::setReportByte(uint8_t reportId, int offset, uint8_t value)
{
    std::lock_guard<std::mutex> lock(mutex);
    refreshLocked();
    std::vector<uint8_t> *r = reportLocked(reportId);
    if (r && offset >= 0) {
        if (static_cast<size_t>(offset) >= r->size())
            r->resize(offset + 1, 0);
        (*r)[offset] = value;
    }
}

std::vector<uint8_t> SimulatedController::savedEffectRecord() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return savedEffect;
}

int SimulatedController::saveCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return saves;
}

SimulatedController::Calibration SimulatedController::lastCalibration() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return calibration;
}

void SimulatedController::failTransfers(int after, int error, int count)
{
    std::lock_guard<std::mutex> lock(mutex);
    failAfter = after;
    failError = error;
    failCount = count;
}

void SimulatedController::unplugAfter(int after)
{
    std::lock_guard<std::mutex> lock(mutex);
    vanishAfter = after;
}

void SimulatedController::setReportLimit(uint8_t reportId, int length)
{
    std::lock_guard<std::mutex> lock(mutex);
    reportLimits[reportId] = length;
}

void SimulatedController::setLatency(std::chrono::milliseconds value)
{
    std::lock_guard<std::mutex> lock(mutex);
    latency = value;
}

void SimulatedController::setTimeoutsTakeTime(bool takeTime)
{
    std::lock_guard<std::mutex> lock(mutex);
    timeoutsTakeTime = takeTime;
}

void SimulatedController::setBusyReads(int reads)
{
    std::lock_guard<std::mutex> lock(mutex);
    busyReads = reads;
    if (reads >= 0 && busyRemaining < 0)
        busyRemaining = 0;
}

int SimulatedController::busyReadCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return busyReads;
}

void SimulatedController::clearFaults()
{
    std::lock_guard<std::mutex> lock(mutex);
    failAfter = -1;
    failCount = 0;
    vanishAfter = -1;
    std::fill(std::begin(reportLimits), std::end(reportLimits), -1);
    latency = std::chrono::milliseconds(0);
    timeoutsTakeTime = false;
}

std::vector<SimTransfer> SimulatedController::transfers() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return std::vector<SimTransfer>(record.begin(), record.end());
}

void SimulatedController::clearTransfers()
{
    std::lock_guard<std::mutex> lock(mutex);
    record.clear();
}

void SimulatedController::setTransferObserver(TransferObserver newObserver)
{
    std::lock_guard<std::mutex> observerLock(observerMutex);
    observer = std::move(newObserver);
    std::lock_guard<std::mutex> lock(mutex);
    observed = static_cast<bool>(observer);
}

int SimulatedController::controlTransfer(uint8_t requestType, uint8_t request, uint16_t value,
                                         uint16_t index, unsigned char *data, uint16_t length,
                                         unsigned timeoutMs, uint64_t connection)
{
    std::chrono::milliseconds delay{0};
    std::unique_lock<std::mutex> lock(mutex);
    refreshLocked();
    delay = latency;

    SimTransfer t;
    t.ms = simulatorClockMs();
    t.vendorId = vendorId();
    t.productId = productId();
    t.requestType = requestType;
    t.request = request;
    t.value = value;
    t.index = index;
    t.length = length;

    if (vanishAfter == 0) {
        plugged = false;
        currentConnection = 0;
    }
    if (vanishAfter >= 0)
        --vanishAfter;

    int result;
    const bool onBus = plugged && !rebooting &&
                       (connection == 0 || connection == currentConnection);
    if (!onBus) {
        result = USB_ERROR_NO_DEVICE;
    } else if (failAfter == 0 && failCount != 0) {
        result = failError;
        if (failCount > 0 && --failCount == 0)
            failAfter = -1;
        if (result == USB_ERROR_TIMEOUT && timeoutsTakeTime)
            delay += std::chrono::milliseconds(timeoutMs);
    } else {
        if (failAfter > 0)
            --failAfter;
        const uint8_t reportId = static_cast<uint8_t>(value & 0xFF);
        const bool feature = (value & 0xFF00) == HID_REPORT_TYPE_FEATURE && index == HID_INTERFACE;
        if (requestType == HID_REQUEST_TYPE_IN && request == HID_GET_REPORT && feature)
            result = handleGetReport(reportId, data, length);
        else if (requestType == HID_REQUEST_TYPE_OUT && request == HID_SET_REPORT && feature)
            result = handleSetReport(reportId, data, length);
        else
            result = USB_ERROR_PIPE; // the firmware stalls requests it does not know
    }

    if (result > 0 && data)
        t.data.assign(data, data + result);
    t.result = result;
    simulatorLogTransfer(t);
    const bool notify = observed;
    if (notify)
        record.push_back(t);
    else
        record.push_back(std::move(t));
    if (record.size() > TRANSFER_HISTORY)
        record.pop_front();
    lock.unlock();

    if (notify) {
        std::lock_guard<std::mutex> observerLock(observerMutex);
        if (observer)
            observer(t);
    }

    if (delay.count() > 0)
        std::this_thread::sleep_for(delay);
    return result;
}

int SimulatedController::handleGetReport(uint8_t reportId, unsigned char *data, uint16_t length)
{
    const std::vector<uint8_t> *r = reportLocked(reportId);
    if (!r)
        return USB_ERROR_PIPE;
    if (reportId == REPORT_STATUS) {
        status[0] = busyRemaining != 0 ? 1 : 0;
        if (busyRemaining > 0)
            --busyRemaining;
    }
    int count = std::min<int>(static_cast<int>(r->size()), length);
    if (reportLimits[reportId] >= 0)
        count = std::min(count, reportLimits[reportId]);
    if (count > 0 && data)
        std::memcpy(data, r->data(), count);
    return data ? count : 0;
}

int SimulatedController::handleSetReport(uint8_t reportId, const unsigned char *data,
                                         uint16_t length)
{
    if (reportId != REPORT_COMMAND || !data || length < 2 || data[0] != REPORT_COMMAND)
        return USB_ERROR_PIPE;
    unsigned char packet[COMMAND_PACKET_SIZE] = {};
    std::memcpy(packet, data, std::min<int>(length, COMMAND_PACKET_SIZE));
    executeCommand(packet);
    return length;
}

void SimulatedController::executeCommand(const unsigned char *packet)
{
    const uint8_t command = packet[PACKET_COMMAND_OFFSET];
    switch (command) {
    case CMD_REBOOT:
        ++reboots;
        rebooting = true;
        rebootUntil = Clock::now() + rebootDuration;
        currentConnection = 0;
        staging.clear();
        stagingCommand = -1;
        break;
    case CMD_SAVE_EFFECT_SETTINGS:
        ++saves;
        savedEffect = effectRecord;
        busyRemaining = busyReads;
        break;
    case CMD_WRITE_HARDWARE_SETTINGS:
    case CMD_WRITE_EFFECT_SETTINGS:
        applyChunk(command, packet);
        break;
    case CMD_CALIBRATION_START_ANGLE:
        calibration.valid = true;
        calibration.axis = packet[CALIBRATION_AXIS_FIELD];
        calibration.magnitude = packet[CALIBRATION_MAGNITUDE_FIELD];
        calibration.angle = readI16LE(packet + CALIBRATION_ANGLE_FIELD);
        break;
    default:
        break; // unknown commands are ignored by the firmware
    }
}

void SimulatedController::applyChunk(uint8_t command, const unsigned char *packet)
{
    const uint16_t offset = readU16LE(packet + CHUNK_OFFSET_FIELD);
    const uint16_t remaining = readU16LE(packet + CHUNK_REMAINING_FIELD);

    if (remaining != CHUNK_CLOSING_REMAINING) {
        if (offset == 0) {
            staging.assign(remaining, 0);
            stagingCovered.assign(remaining, false);
            stagingCommand = command;
        } else if (stagingCommand != command ||
                   static_cast<size_t>(offset) + remaining != staging.size()) {
            staging.clear(); // out of sequence: the whole write is dropped
            stagingCommand = -1;
            return;
        }
        const int count = std::min<int>(remaining, CHUNK_DATA_SIZE);
        for (int i = 0; i < count; ++i) {
            staging[offset + i] = packet[CHUNK_DATA_OFFSET + i];
            stagingCovered[offset + i] = true;
        }
        return;
    }

    const bool complete =
        stagingCommand == command &&
        std::all_of(stagingCovered.begin(), stagingCovered.end(), [](bool b) { return b; });
    if (complete) {
        std::vector<uint8_t> &target =
            command == CMD_WRITE_HARDWARE_SETTINGS ? hardwareRecord : effectRecord;
        const size_t count = std::min(staging.size(), target.size());
        std::copy(staging.begin(), staging.begin() + count, target.begin());
        if (command == CMD_WRITE_HARDWARE_SETTINGS) {
            busyRemaining = busyReads; // writing flash takes a moment
            if (inputState)
                inputState->notify(); // what it reports follows the record
        }
    }
    staging.clear();
    stagingCovered.clear();
    stagingCommand = -1;
}

SimulatedInput &SimulatedController::input()
{
    std::call_once(inputOnce, [this] { inputState = std::make_shared<SimulatedInput>(*this); });
    return *inputState;
}
