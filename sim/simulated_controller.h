#pragma once

// A model of the controller's firmware, good enough to use, demonstrate and test both
// programs without hardware. It has one entry point, controlTransfer, so that any bus can
// put it on the line: the in-process simulated bus, or an emulated USB device node.
// Thread-safe, because an emulated device node answers from its own thread.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct Product;

// The family's products; each maps to its row of the family's table by kind name.
enum class ControllerKind { Generic, Joystick, Rudder, Wheel };
const Product &productOf(ControllerKind kind);

// Parses a kind name of the family's table ("joystick").
bool controllerKindFromName(const std::string &name, ControllerKind *kind);
const char *controllerKindName(ControllerKind kind);

// One control transfer as the controller saw it.
struct SimTransfer {
    int64_t ms = 0; // since the process started
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint8_t requestType = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    uint16_t length = 0;
    int result = 0;
    std::vector<uint8_t> data; // bytes moved: returned for GET, sent for SET

    bool isGetReport(uint8_t reportId) const;
    bool isCommand(uint8_t command) const; // a SET_REPORT of a command packet
};

class SimulatedController
{
public:
    explicit SimulatedController(ControllerKind kind);

    ControllerKind kind() const { return kind_; }
    uint16_t vendorId() const;
    uint16_t productId() const;
    uint8_t deviceType() const;

    // The entry point. `connection` is the plug-in session a handle was opened on; a
    // handle from before an unplug or a reboot gets USB_ERROR_NO_DEVICE, as on a real bus.
    // 0 means "whatever is on the bus now".
    int controlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                        unsigned char *data, uint16_t length, unsigned timeoutMs,
                        uint64_t connection = 0);

    // Presence. A rebooting controller is off the bus for rebootDuration, then back.
    bool present() const;
    uint64_t connection() const; // current session, 0 while absent
    bool pluggedIn() const;      // plugged in, whether or not it is rebooting
    void plug();
    void unplug();
    void setRebootDuration(std::chrono::milliseconds duration);
    int rebootCount() const;
    // Plugged in, but its node refuses this user: every open fails as without permission.
    void setAccessDenied(bool denied);
    bool accessDenied() const;
    void noteOpen(); // the bus opened a handle on this controller
    int openCount() const;

    // Reports as the controller currently answers them (0x21, 0x22, 0x24, 0x25).
    std::vector<uint8_t> report(uint8_t reportId) const;
    void setReport(uint8_t reportId, const std::vector<uint8_t> &content);
    void setReportByte(uint8_t reportId, int offset, uint8_t value);
    std::vector<uint8_t> savedEffectRecord() const; // what survives a reboot
    int saveCount() const;                          // command 2 received

    struct Calibration {
        bool valid = false;
        int axis = 0;
        int magnitude = 0;
        int angle = 0;
    };
    Calibration lastCalibration() const;

    // Faults, injected at the transfer.
    // After `after` more transfers, fail `count` of them (-1: all) with `error`.
    void failTransfers(int after, int error, int count = -1);
    // Vanish after `after` more transfers (mid-sequence unplug).
    void unplugAfter(int after);
    // Deliver at most `length` bytes of a report (-1: the whole report).
    void setReportLimit(uint8_t reportId, int length);
    // Sleep this long in every transfer.
    void setLatency(std::chrono::milliseconds latency);
    // A transfer that fails with USB_ERROR_TIMEOUT first waits its time-out, as libusb does.
    void setTimeoutsTakeTime(bool takeTime);
    // Status reads that report busy after commands 17 and 2 (-1: stays busy). A count of 0
    // or more also ends a busy state that was to last for ever.
    static constexpr int DEFAULT_BUSY_READS = 3;
    void setBusyReads(int reads);
    int busyReadCount() const;
    void clearFaults();

    // The most recent transfers attempted on this controller, in order: the older ones are
    // dropped, so that a program left running in simulator mode does not grow without bound.
    static constexpr size_t TRANSFER_HISTORY = 4096;
    std::vector<SimTransfer> transfers() const;
    void clearTransfers();

    // Called with each transfer as it is recorded, on the thread that made it, outside the
    // controller's lock: it may read the controller, but must not set the observer. Once
    // setTransferObserver returns, the previous observer is neither running nor called again.
    using TransferObserver = std::function<void(const SimTransfer &)>;
    void setTransferObserver(TransferObserver observer);

private:
    void refreshLocked() const;
    int handleGetReport(uint8_t reportId, unsigned char *data, uint16_t length);
    int handleSetReport(uint8_t reportId, const unsigned char *data, uint16_t length);
    void executeCommand(const unsigned char *packet);
    void applyChunk(uint8_t command, const unsigned char *packet);
    std::vector<uint8_t> *reportLocked(uint8_t reportId);

    using Clock = std::chrono::steady_clock;

    const ControllerKind kind_;
    mutable std::mutex mutex;

    // Presence.
    bool plugged = true;
    mutable bool rebooting = false;
    mutable Clock::time_point rebootUntil;
    mutable uint64_t currentConnection = 0;
    mutable uint64_t nextConnection = 1;
    std::chrono::milliseconds rebootDuration{1000};
    int reboots = 0;
    int opens = 0;
    bool denied = false;

    // Records.
    std::vector<uint8_t> deviceInfo;
    std::vector<uint8_t> hardwareRecord;
    mutable std::vector<uint8_t> effectRecord;
    std::vector<uint8_t> savedEffect;
    std::vector<uint8_t> status;
    int busyRemaining = 0;
    int busyReads = DEFAULT_BUSY_READS;
    int saves = 0;
    Calibration calibration;

    // Reassembly of a chunked write.
    std::vector<uint8_t> staging;
    std::vector<bool> stagingCovered;
    int stagingCommand = -1;

    // Faults.
    int failAfter = -1;
    int failCount = 0;
    int failError = 0;
    int vanishAfter = -1;
    int reportLimits[256];
    std::chrono::milliseconds latency{0};
    bool timeoutsTakeTime = false;

    std::deque<SimTransfer> record;

    // Its own lock, held while it runs, so that replacing it waits for a call in progress.
    std::mutex observerMutex;
    TransferObserver observer;
    bool observed = false; // under `mutex`: copy transfers for the observer
};
