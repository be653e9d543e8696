#include "app/device_choice.h"

#include <cstdlib>

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

std::string TraceFile(const std::string& option) {
    if (!option.empty()) return option;
    const char* env = std::getenv(kTraceVariable);
    return env ? std::string(env) : std::string{};
}

bool TraceReports(DeviceChoice& choice, const std::string& file, std::size_t memoryReports) {
    if (file.empty() && memoryReports == 0) return true;
    choice.tracer = std::make_unique<Tracer>(memoryReports);
    const bool opened = file.empty() || choice.tracer->appendTo(file);
    choice.untracedBus = std::move(choice.bus);
    choice.bus = std::make_unique<TracingBus>(*choice.untracedBus, *choice.tracer);
    return opened;
}

}  // namespace zv318
