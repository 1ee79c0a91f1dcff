#include "simulated_controller.h"

#include "byte_order.h"
#include "effect_settings_record.h"
#include "family.h"
#include "hardware_settings_record.h"
#include "kestrix_protocol.h"
#include "simulator_log.h"
#include "usb_access.h"

#include <algorithm>
#include <cstring>
#include <iterator>
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
    // Firmware 2.7, hardware revision 1, ahead of the device type.
    std::vector<uint8_t> info = {2, 7, 1};
    info.resize(DEVICE_INFO_LENGTH, 0);
    info[DEVICE_INFO_TYPE_OFFSET] = deviceType;
    return info;
}

struct FieldValue {
    QString name;
    double value;
};

// Writes each value into its field; a name outside the table is a fault of this file.
void putFields(std::vector<uint8_t> &record, const RecordTable &table,
               const std::vector<FieldValue> &values)
{
    for (const FieldValue &v : values) {
        const RecordField *field = table.find(v.name);
        Q_ASSERT_X(field, "putFields", qPrintable(v.name));
        if (field)
            field->write(v.value, record.data());
    }
}

// Each run of the firmware's own bytes inside the record counts up from its seed, in record
// order, so that a program that writes one of them is seen; runs without a seed stay zero.
void putCarried(std::vector<uint8_t> &record, const RecordTable &table,
                const std::vector<uint8_t> &seeds)
{
    size_t run = 0;
    int step = 0;
    for (int i = 0; i < table.size; ++i) {
        if (!table.carries(i)) {
            if (step > 0)
                ++run;
            step = 0;
            continue;
        }
        if (run < seeds.size())
            record[i] = static_cast<uint8_t>(seeds[run] + step);
        ++step;
    }
}

// The bytes past what the programs write back count up from `seed`: never to be written.
std::vector<uint8_t> reportOf(const RecordTable &table, int length, uint8_t seed)
{
    std::vector<uint8_t> record(length, 0);
    for (int i = table.size; i < length; ++i)
        record[i] = static_cast<uint8_t>(seed + i - table.size);
    return record;
}

enum GpioMode { DISABLED, BUTTON, ANALOG, SPI_CS, SPI_SCK, SPI_MISO, EFFECTS, RECAL, REBOOT, BRAKE };
enum ButtonMode { BUTTON_DISABLED, NORMAL, INVERTED, PULSE_NORMAL };

std::vector<FieldValue> motorAxis(int axis, int encoderDirection, int forceDirection,
                                  int polePairs, int cpr, int motionRange, double pGain,
                                  double iGain)
{
    const QString a = QStringLiteral("axis%1.").arg(axis);
    return {{a + "encoder_direction", double(encoderDirection)},
            {a + "force_direction", double(forceDirection)},
            {a + "pole_pairs", double(polePairs)},
            {a + "encoder_cpr", double(cpr)},
            {a + "motion_range", double(motionRange)},
            {a + "calibration_start_angle", 0},
            {a + "p_gain", pGain},
            {a + "i_gain", iGain}};
}

// GPIO pins 1..8 and the encoders' Z inputs, in the table's order.
std::vector<FieldValue> gpioModes(const std::vector<GpioMode> &modes)
{
    static const char *const pins[] = {"pin_1", "pin_2", "pin_3", "pin_4",     "pin_5",
                                       "pin_6", "pin_7", "pin_8", "encoder_z0", "encoder_z1"};
    std::vector<FieldValue> values;
    for (size_t i = 0; i < modes.size(); ++i)
        values.push_back({QStringLiteral("gpio_mode.") + QLatin1String(pins[i]), double(modes[i])});
    return values;
}

std::vector<FieldValue> buttonModes(int first, int last, ButtonMode mode)
{
    std::vector<FieldValue> values;
    for (int b = first; b <= last; ++b)
        values.push_back({QStringLiteral("button_mode.%1").arg(b), double(mode)});
    return values;
}

// The analog axes on pins 1..3: dead zones and smoothing where the pin reads the axis.
std::vector<FieldValue> analogAxes(const std::vector<uint8_t> &record, const RecordTable &table)
{
    static const char *const axes[] = {"rx", "ry", "rz"};
    std::vector<FieldValue> values;
    for (int i = 0; i < 3; ++i) {
        const QString pin = QStringLiteral("gpio_mode.pin_%1").arg(i + 1);
        const bool used = table.find(pin)->read(record.data()) == ANALOG;
        const QString axis = QLatin1Char('.') + QLatin1String(axes[i]);
        values.push_back({"lower_dead_zone" + axis, used ? 2.0 : 0.0});
        values.push_back({"upper_dead_zone" + axis, used ? 2.0 : 0.0});
        values.push_back({"analog_smoothing" + axis, used ? 10.0 : 0.0});
        values.push_back({"button_threshold" + axis, 50});
    }
    return values;
}

std::vector<FieldValue> operator+(std::vector<FieldValue> a, const std::vector<FieldValue> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A working set-up per kind, as a controller leaves the workshop.
std::vector<uint8_t> defaultHardwareRecord(ControllerKind kind)
{
    const RecordTable &table = hardwareSettingsTable();
    std::vector<uint8_t> r = reportOf(table, HARDWARE_RECORD_LENGTH, 0xA0);
    if (kind == ControllerKind::Generic)
        return r;

    const std::vector<FieldValue> common = {{"force_enable", 1},
                                            {"debug_forces", 0},
                                            {"calibrate_on_boot", 1},
                                            {"amplifier_gain", 1}}; // 40 V/V
    std::vector<FieldValue> values;
    std::vector<uint8_t> carriedSeeds;
    switch (kind) {
    case ControllerKind::Joystick:
        values = common +
                 std::vector<FieldValue>{{"calibration_mode", 1}, // start angle as the center
                                         {"spi_mode", 1},         // SN74HC165N x 3
                                         {"power_limit", 80},
                                         {"braking_limit", 60},
                                         {"calibration_magnitude", 40},
                                         {"calibration_speed", 30}} +
                 gpioModes({ANALOG, ANALOG, ANALOG, SPI_MISO, SPI_SCK, SPI_CS, BUTTON, BRAKE,
                            DISABLED, DISABLED}) +
                 buttonModes(1, 1, NORMAL) + buttonModes(9, 32, NORMAL) + // 24 on the registers
                 buttonModes(9, 9, PULSE_NORMAL) +                        // the trigger
                 motorAxis(0, -1, -1, 7, 4096, 40, 0.5, 0.01) +
                 motorAxis(1, 1, -1, 7, 4096, 40, 0.5, 0.01);
        carriedSeeds = {0x5A, 0x11, 0x21};
        break;
    case ControllerKind::Rudder:
        values = common +
                 std::vector<FieldValue>{{"calibration_mode", 2}, // automatic center search
                                         {"spi_mode", 0},
                                         {"power_limit", 70},
                                         {"braking_limit", 50},
                                         {"calibration_magnitude", 30},
                                         {"calibration_speed", 25}} +
                 gpioModes({ANALOG, ANALOG, DISABLED, DISABLED, DISABLED, DISABLED, BUTTON, BRAKE,
                            DISABLED, DISABLED}) +
                 buttonModes(1, 1, NORMAL) + motorAxis(0, -1, 1, 7, 2048, 60, 0.8, 0.02) +
                 motorAxis(1, -1, -1, 7, 2048, 60, 0.8, 0.02);
        carriedSeeds = {0x5A, 0x31, 0x41};
        break;
    case ControllerKind::Wheel:
        values = common +
                 std::vector<FieldValue>{{"calibration_mode", 1},
                                         {"spi_mode", 2}, // C4021 x 3
                                         {"power_limit", 90},
                                         {"braking_limit", 60},
                                         {"calibration_magnitude", 35},
                                         {"calibration_speed", 20}} +
                 gpioModes({ANALOG, ANALOG, ANALOG, SPI_MISO, SPI_SCK, SPI_CS, EFFECTS, BRAKE,
                            DISABLED, DISABLED}) +
                 buttonModes(9, 22, NORMAL) + // paddles and rim buttons on the registers
                 motorAxis(0, -1, -1, 4, 10000, 900, 1.2, 0.05) +
                 motorAxis(1, -1, -1, 4, 10000, 900, 1.2, 0.05);
        carriedSeeds = {0x5A, 0x51, 0x61};
        break;
    case ControllerKind::Generic:
        break;
    }
    putFields(r, table, values);
    putFields(r, table, analogAxes(r, table));
    putCarried(r, table, carriedSeeds);
    return r;
}

std::vector<uint8_t> defaultEffectRecord()
{
    const RecordTable &table = effectSettingsTable();
    // The wheel's private block runs on past what is written back.
    std::vector<uint8_t> r = reportOf(table, EFFECT_RECORD_LENGTH, 0xCA);
    putFields(r, table,
              {{"direct_x_spring_scale", 100},
               {"direct_x_constant_scale", 100},
               {"direct_x_periodic_scale", 100},
               {"constant_force_direction", 1}, // not inverted
               {"dampening_scale", 20},
               {"total_effect_scale", 80},
               {"total_effect_smoothing", 10},
               {"motion_range", 900},
               {"soft_stop_scale", 60},
               {"soft_stop_range", 10}});
    putCarried(r, table, {0x07, 0xC0});
    return r;
}

// Each kind by its name in the family's table, whatever the table's order.
const char *const KIND_NAMES[] = {"generic", "joystick", "rudder", "wheel"};
static_assert(std::size(KIND_NAMES) == size_t(ControllerKind::Wheel) + 1);

} // namespace

const Product &productOf(ControllerKind kind)
{
    const Product *product = productByKind(QLatin1String(KIND_NAMES[size_t(kind)]));
    Q_ASSERT(product);
    return *product;
}

bool controllerKindFromName(const std::string &name, ControllerKind *kind)
{
    for (size_t i = 0; i < std::size(KIND_NAMES); ++i) {
        if (name == KIND_NAMES[i] && productByKind(QString::fromStdString(name))) {
            *kind = ControllerKind(i);
            return true;
        }
    }
    return false;
}

const char *controllerKindName(ControllerKind kind)
{
    return KIND_NAMES[size_t(kind)];
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
           data[0] == REPORT_COMMAND && data[PACKET_COMMAND_OFFSET] == command;
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
        if (command == CMD_WRITE_HARDWARE_SETTINGS)
            busyRemaining = busyReads; // writing flash takes a moment
    }
    staging.clear();
    stagingCovered.clear();
    stagingCommand = -1;
}
