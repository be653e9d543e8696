#pragma once
// The typed queries: one exchange each, answering for the plan kind selected last with
// "*EC01" (RADIO) or "*EC02" (PLC). None of them searches for the device first.

#include <cstdint>
#include <string>

#include "link/instrument_identity.h"
#include "link/link.h"

namespace zv318 {

[[nodiscard]] std::string GetIOVersion(Link& link);
[[nodiscard]] std::string GetZVVersion(Link& link);
[[nodiscard]] std::string GetSerial(Link& link);
// The serial number as a record names the instrument: without the blanks and carriage returns a
// reply may be padded with, so that the archive and the report name one instrument alike.
[[nodiscard]] std::string GetSerialForRecords(Link& link);
[[nodiscard]] std::int32_t GetChannelPlanQuantity(Link& link);
// "error" without an exchange when the plan index is above 9.
[[nodiscard]] std::string GetChannelPlanName(Link& link, int plan);
[[nodiscard]] std::int32_t GetChannelQuantity(Link& link, int plan);
// "error" and message 12 without an exchange when plan is outside 0-99 or channel 0-999.
[[nodiscard]] std::string GetChannel(Link& link, int plan, int channel);

// The command texts, for the procedures that build the same ones.
[[nodiscard]] std::string ChannelPlanNameCommand(int plan);      // *?CS0p
[[nodiscard]] std::string ChannelQuantityCommand(int plan);      // *?CUp
[[nodiscard]] std::string ChannelCommand(int plan, int channel); // *?CFppccc

// What GetZVVersion makes of the text from byte 8 of the reply.
[[nodiscard]] std::string ZVVersionFromValue(const std::string& value);

}  // namespace zv318
