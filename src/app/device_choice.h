#pragma once
// Where the instrument comes from: the built-in simulator (--demo), the socket folder named
// by ZV318_HID_SOCKETS, or the real HID interfaces, in that order.

#include <memory>
#include <string>

#include "link/transport.h"
#include "sim/bus.h"
#include "sim/instrument.h"

namespace zv318 {

struct DeviceChoice {
    enum Kind { Demo, SocketFolder, Hid };
    Kind kind = Hid;
    std::string socketFolder;                     // SocketFolder
    std::unique_ptr<sim::Instrument> instrument;  // Demo
    sim::SimBus* simBus = nullptr;                // Demo: the bus below, to plug and unplug
    std::unique_ptr<Bus> bus;
};

[[nodiscard]] DeviceChoice ChooseDevice(bool demo);

}  // namespace zv318
