#pragma once

// The in-process bus that puts simulated controllers behind the device-access seam.

#include "simulated_controller.h"
#include "usb_access.h"

#include <memory>
#include <vector>

class SimulatedBus final : public UsbBus
{
public:
    SimulatedBus();
    ~SimulatedBus() override;

    // A new controller of that kind, plugged in unless told otherwise; the bus owns it.
    SimulatedController *add(ControllerKind kind, bool pluggedIn = true);
    SimulatedController *find(ControllerKind kind) const;
    const std::vector<std::unique_ptr<SimulatedController>> &controllers() const;

    int init() override;
    void exit() override;
    DeviceHandle *open(uint16_t vendorId, uint16_t productId) override;
    void close(DeviceHandle *handle) override;
    // Every plugged-in controller, those that refuse access included; each has a node name
    // of its own, as a hidraw node would.
    bool present(std::vector<PresentDevice> *devices) override;

    // What init() answers, to exercise a failing USB start.
    void setInitResult(int result) { initResult = result; }
    int openHandles() const { return handlesOpen; }
    int contexts() const { return contextCount; }

private:
    std::vector<std::unique_ptr<SimulatedController>> devices;
    int initResult = 0;
    int contextCount = 0;
    int handlesOpen = 0;
};

// Reads KESTRIX_SIMULATOR (a comma-separated list of generic, joystick, rudder, wheel).
// When it is set, a simulated bus with those controllers plugged in serves the whole
// process and is returned (it lives as long as the process); otherwise null. Those also
// named in KESTRIX_SIMULATOR_NO_ACCESS are plugged in but refuse this user.
SimulatedBus *installSimulatorFromEnvironment();
