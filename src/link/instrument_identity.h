#pragma once
// Who an instrument is: what the status box shows, a backup's manifest records, the archive
// keeps beside each logger it downloaded and the site report prints. One type for all of them.

#include <optional>
#include <string>

namespace zv318 {

class Link;

struct InstrumentIdentity {
    std::string serial;             // GetSerial, without the reply's padding where records use it
    std::string model;              // the interface's product string ("ZV-318")
    std::string ioVersion;          // GetIOVersion
    std::string instrumentVersion;  // GetZVVersion
    bool operator==(const InstrumentIdentity&) const = default;
};

// The identity of the instrument on `link` as records name it: the serial number (nothing when
// it does not answer one), the model and both versions.
[[nodiscard]] std::optional<InstrumentIdentity> QueryInstrumentIdentity(Link& link);

}  // namespace zv318
