#include "app/device_choice.h"

#include "link/hid_bus.h"
#include "link/socket_bus.h"

namespace zv318 {

DeviceChoice ChooseDevice(bool demo) {
    DeviceChoice choice;
    if (demo) {
        choice.kind = DeviceChoice::Demo;
        choice.instrument = std::make_unique<sim::Instrument>();
        auto bus = std::make_unique<sim::SimBus>(*choice.instrument);
        choice.simBus = bus.get();
        choice.bus = std::move(bus);
    } else if (std::optional<std::string> folder = SocketFolderFromEnvironment()) {
        choice.kind = DeviceChoice::SocketFolder;
        choice.socketFolder = *folder;
        choice.bus = std::make_unique<SocketBus>(*folder);
    } else {
        choice.kind = DeviceChoice::Hid;
        choice.bus = std::make_unique<HidBus>();
    }
    return choice;
}

}  // namespace zv318
