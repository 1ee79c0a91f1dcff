#include "simulated_bus.h"
#include "simulated_input.h"

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
        if (connection == 0 || d->accessDenied())
            continue;
        d->noteOpen();
        ++handlesOpen;
        return new SimulatedHandle(d.get(), connection);
    }
    return nullptr;
}

bool SimulatedBus::present(std::vector<PresentDevice> *devices)
{
    devices->clear();
    int number = 0;
    for (const auto &d : this->devices) {
        ++number;
        if (!d->present())
            continue;
        PresentDevice device;
        device.vendorId = d->vendorId();
        device.productId = d->productId();
        device.busNumber = 1;
        device.deviceNumber = number + 1;
        device.access = d->accessDenied() ? DeviceAccess::Denied : DeviceAccess::Usable;
        device.node = std::string("/dev/hidraw-simulated-") + controllerKindName(d->kind());
        devices->push_back(device);
    }
    return true;
}

void SimulatedBus::close(DeviceHandle *handle)
{
    --handlesOpen;
    delete static_cast<SimulatedHandle *>(handle);
}

namespace
{
// The kinds of a comma-separated list; unknown names are told on stderr under `variable`.
std::vector<ControllerKind> kindsFrom(const char *variable, const char *list)
{
    std::vector<ControllerKind> kinds;
    std::stringstream names(list);
    std::string name;
    while (std::getline(names, name, ',')) {
        const auto first = name.find_first_not_of(" \t");
        const auto last = name.find_last_not_of(" \t");
        name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
        ControllerKind kind;
        if (controllerKindFromName(name, &kind))
            kinds.push_back(kind);
        else if (!name.empty())
            std::fprintf(stderr,
                         "%s: unknown device kind \"%s\" ignored "
                         "(use generic, joystick, rudder or wheel).\n",
                         variable, name.c_str());
    }
    return kinds;
}
} // namespace

SimulatedBus *installSimulatorFromEnvironment()
{
    const char *list = std::getenv("KESTRIX_SIMULATOR");
    if (!list)
        return nullptr;
    // Lives as long as the process: the programs may close handles during static teardown.
    static SimulatedBus *bus = new SimulatedBus;
    for (const ControllerKind kind : kindsFrom("KESTRIX_SIMULATOR", list))
        bus->add(kind);
    if (const char *refused = std::getenv("KESTRIX_SIMULATOR_NO_ACCESS")) {
        for (const ControllerKind kind : kindsFrom("KESTRIX_SIMULATOR_NO_ACCESS", refused)) {
            if (SimulatedController *controller = bus->find(kind))
                controller->setAccessDenied(true);
            else
                std::fprintf(stderr,
                             "KESTRIX_SIMULATOR_NO_ACCESS: %s is not in "
                             "KESTRIX_SIMULATOR, ignored.\n",
                             controllerKindName(kind));
        }
    }
    setUsbBus(bus);
    static SimulatedInputProvider input(*bus);
    setInputProvider(&input);
    return bus;
}
