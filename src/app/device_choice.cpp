#include "app/device_choice.h"

#include <cstdlib>

#include "link/hid_bus.h"
#include "link/socket_bus.h"
#include "texts/output_path.h"

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

int TraceReports(DeviceChoice& choice, const std::string& file, std::size_t memoryReports,
                 const std::vector<std::string>& inputs) {
    if (file.empty() && memoryReports == 0) return 0;
    choice.tracer = std::make_unique<Tracer>(memoryReports);
    int refusal = 0;
    if (!file.empty()) {
        const std::filesystem::path path = PathFromText(file);
        refusal = OutputRefusalMessage(JudgeOutputPath(path, inputs));
        if (refusal == 0 && !choice.tracer->appendTo(path)) refusal = kMessageTraceLost;
    }
    choice.untracedBus = std::move(choice.bus);
    choice.bus = std::make_unique<TracingBus>(*choice.untracedBus, *choice.tracer);
    return refusal;
}

}  // namespace zv318
