#pragma once
// The seams between the link and whatever carries its reports: a Bus lists and opens HID
// interfaces, a Transport is one open interface.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/instrument_lock.h"
#include "link/report.h"

namespace zv318 {

class Transport {
public:
    virtual ~Transport() = default;
    // Writes one 65-byte output report; false when the interface did not take it whole.
    [[nodiscard]] virtual bool write(const Report& report) = 0;
    // The next input report (byte 0 = report ID 0), or nothing after `timeoutMs` or on error.
    [[nodiscard]] virtual std::optional<Report> read(int timeoutMs) = 0;
    // The interface's HID product string, or nothing when it cannot be read.
    [[nodiscard]] virtual std::optional<std::string> productString() = 0;
};

// One HID interface as the bus lists it. `product` is what the listing already tells, which
// may be empty; the product string that counts is the one read after opening.
struct InterfaceInfo {
    std::string path;
    std::string product;
};

enum class OpenError { None, NotFound, PermissionDenied, Other };

struct OpenResult {
    std::unique_ptr<Transport> transport;  // empty when the open failed
    OpenError error = OpenError::None;
};

class Bus {
public:
    virtual ~Bus() = default;
    // The interfaces present now, in enumeration order.
    [[nodiscard]] virtual std::vector<InterfaceInfo> enumerate() = 0;
    [[nodiscard]] virtual OpenResult open(const std::string& path) = 0;
    // The name the instrument at `path` is locked under, the same in every program that
    // reaches it (one lock may cover several interfaces); empty when there is nothing to lock.
    [[nodiscard]] virtual std::string lockName(const std::string&) { return {}; }
    // Takes the lock of the instrument at `path` for `program` before anything opens it,
    // waiting at most `waitMs` for its holder to let go.
    [[nodiscard]] virtual LockAttempt takeLock(const std::string& path, const std::string& program,
                                               int waitMs) {
        (void)path, (void)program, (void)waitMs;
        return {};
    }
};

}  // namespace zv318
