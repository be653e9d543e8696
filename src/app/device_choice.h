#pragma once
// Where the instrument comes from: the built-in simulator (--demo), the socket folder named
// by ZV318_HID_SOCKETS, or the real HID interfaces, in that order.

#include <memory>
#include <string>
#include <vector>

#include "link/trace.h"
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
    std::unique_ptr<Bus> bus;                     // what the link uses
    std::unique_ptr<Tracer> tracer;               // when the reports are traced
    std::unique_ptr<Bus> untracedBus;             // the bus below the trace, when there is one
};

[[nodiscard]] DeviceChoice ChooseDevice(bool demo);

// The trace file named by the --trace option, or else by ZV318_TRACE; empty for none.
[[nodiscard]] std::string TraceFile(const std::string& option);

// "The trace cannot be written to this file: ... the command goes on without it."
inline constexpr int kMessageTraceLost = 833;

// Traces every report through `choice.bus` from now on: appended to `file` when it is not
// empty, and the last `memoryReports` kept in memory. The file follows the rule of every
// output (never one of `inputs`, the archive's files or anything but a regular file or a new
// name); appending keeps what the file held, so an existing trace is not asked about. 0 when
// the file is written (or none was asked for), else the message that says why not: the
// output rule's refusal, or kMessageTraceLost when it cannot be opened. The trace in memory
// runs either way; nothing is wrapped when both are off.
[[nodiscard]] int TraceReports(DeviceChoice& choice, const std::string& file,
                               std::size_t memoryReports,
                               const std::vector<std::string>& inputs = {});

}  // namespace zv318
