#include "simulated_bus.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

class SimulatedHandle final : public DeviceHandle
{
public:
    SimulatedHandle(SimulatedController *controller, uint64_t connection)
        : controller(controller), connection(connection)
    {
    }

    int controlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                        unsigned char *data, uint16_t length, unsigned timeoutMs) override
    {
        return controller->controlTransfer(requestType, request, value, index, data, length,
                                           timeoutMs, connection);
    }

private:
    SimulatedController *const controller;
    const uint64_t connection;
};

} // namespace

SimulatedBus::SimulatedBus() = default;
SimulatedBus::~SimulatedBus() = default;

SimulatedController *SimulatedBus::add(ControllerKind kind, bool pluggedIn)
{
    devices.push_back(std::make_unique<SimulatedController>(kind));
    if (!pluggedIn)
        devices.back()->unplug();
    return devices.back().get();
}

SimulatedController *SimulatedBus::find(ControllerKind kind) const
{
    for (const auto &d : devices) {
        if (d->kind() == kind)
            return d.get();
    }
    return nullptr;
}

const std::vector<std::unique_ptr<SimulatedController>> &SimulatedBus::controllers() const
{
    return devices;
}

int SimulatedBus::init()
{
    if (initResult == 0)
        ++contextCount;
    return initResult;
}

void SimulatedBus::exit()
{
    if (contextCount > 0)
        --contextCount;
}

DeviceHandle *SimulatedBus::open(uint16_t vendorId, uint16_t productId)
{
    if (contextCount == 0)
        return nullptr;
    for (const auto &d : devices) {
        if (d->vendorId() != vendorId || d->productId() != productId)
            continue;
        const uint64_t connection = d->connection();
        if (connection == 0)
            continue;
        d->noteOpen();
        ++handlesOpen;
        return new SimulatedHandle(d.get(), connection);
    }
    return nullptr;
}

void SimulatedBus::close(DeviceHandle *handle)
{
    --handlesOpen;
    delete static_cast<SimulatedHandle *>(handle);
}

SimulatedBus *installSimulatorFromEnvironment()
{
    const char *list = std::getenv("KESTRIX_SIMULATOR");
    if (!list)
        return nullptr;
    // Lives as long as the process: the programs may close handles during static teardown.
    static SimulatedBus *bus = new SimulatedBus;
    std::stringstream names(list);
    std::string name;
    while (std::getline(names, name, ',')) {
        const auto first = name.find_first_not_of(" \t");
        const auto last = name.find_last_not_of(" \t");
        name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
        ControllerKind kind;
        if (controllerKindFromName(name, &kind))
            bus->add(kind);
        else if (!name.empty())
            std::fprintf(stderr, "KESTRIX_SIMULATOR: unknown device kind \"%s\" ignored "
                                 "(use generic, joystick, rudder or wheel).\n",
                         name.c_str());
    }
    setUsbBus(bus);
    return bus;
}
