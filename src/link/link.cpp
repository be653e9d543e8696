#include "link/link.h"

#include <algorithm>
#include <cstdlib>

#include "link/interrupts.h"

namespace zv318 {

namespace {

bool IsLongExchange(std::string_view command) {
    return command.starts_with("*FE") || command == "*EP" || command == "*RS2" ||
           command == "*RS0";
}

}  // namespace

int TimeoutFromEnvironment() {
    if (const char* env = std::getenv("ZV318_TIMEOUT_MS")) {
        int ms = std::atoi(env);
        if (ms > 0) return ms;
    }
    return kDefaultTimeoutMs;
}

Link::Link(Bus& bus, Feedback* feedback)
    : bus_(bus), feedback_(feedback), timeoutMs_(TimeoutFromEnvironment()) {}

Link::~Link() = default;

bool Link::FindInstrument() {
    Close();
    permissionDenied_ = false;
    for (const InterfaceInfo& info : bus_.enumerate()) {
        OpenResult opened = bus_.open(info.path);
        if (!opened.transport) {
            if (opened.error == OpenError::PermissionDenied && info.product == kInstrumentProduct)
                permissionDenied_ = true;
            continue;
        }
        std::optional<std::string> product = opened.transport->productString();
        if (!product) continue;
        if (*product == kInstrumentProduct) {
            // Another program's instrument is left alone; a second one may be free.
            if (!LockFor(info.path)) continue;
            device_ = std::move(opened.transport);
            devicePath_ = info.path;
            productName_ = *product;
            return true;
        }
        // A handle on an interface that is not the instrument closes here.
    }
    return false;
}

void Link::Close() { device_.reset(); }

bool Link::LockFor(const std::string& path) {
    if (!claimed_ || lockOwner_.empty()) return true;
    const std::string name = bus_.lockName(path);
    if (name.empty()) return true;  // a bus no other process reaches
    if (std::any_of(locks_.begin(), locks_.end(),
                    [&](const auto& lock) { return lock->instrument() == name; }))
        return true;
    // Only the first lock of a claim waits for its holder: later searches must not stall.
    LockAttempt attempt = TakeInstrumentLock(name, lockOwner_, locks_.empty() ? kLockWaitMs : 0);
    if (!attempt.lock) {
        refusal_ = std::move(attempt);
        return false;
    }
    locks_.push_back(std::move(attempt.lock));
    return true;
}

Link::ClaimResult Link::Claim(bool search) {
    if (!claimed_) refusal_.reset();
    claimed_ = true;
    if (!search) {
        if (!device_) return ClaimResult::NotFound;
        return LockFor(devicePath_) ? ClaimResult::Held : ClaimResult::Refused;
    }
    if (FindInstrument()) return ClaimResult::Held;
    return refusal_ ? ClaimResult::Refused : ClaimResult::NotFound;
}

void Link::Release() {
    claimed_ = false;
    locks_.clear();
    refusal_.reset();
}

void Link::StopIfInterrupted() const {
    if (stopOnInterrupt_ && InterruptRequested() && !InUncuttablePhase()) throw Interrupted{};
}

std::optional<Report> Link::Exchange(const Report& out, bool longWait) {
    if (!device_) return std::nullopt;
    StopIfInterrupted();
    // A reply nobody read (the clock report's, one that came after its time-out) would be
    // taken for this report's and put every later exchange one reply behind: whatever input
    // is already waiting goes first. The bound keeps a chattering device from holding us.
    for (int stale = 0; stale < kMaxStaleReports && device_->read(0); ++stale) {
    }
    if (!device_->write(out)) {
        Close();
        return std::nullopt;
    }
    std::optional<Report> in = device_->read(longWait ? timeoutMs_ * kLongExchangeFactor : timeoutMs_);
    if (!in) Close();
    return in;
}

bool Link::WriteReport(const Report& out) {
    if (!device_) return false;
    StopIfInterrupted();
    if (device_->write(out)) return true;
    Close();
    return false;
}

int Link::StatusExchange(std::uint8_t code, std::string_view command) {
    std::optional<Report> out = BuildTextReport(code, command);
    if (!out) return 0;
    std::optional<Report> in = Exchange(*out, IsLongExchange(command));
    return in ? (*in)[kStatusByte] : 0;
}

int Link::SendCommand(std::string_view command) {
    if (!FindInstrument()) return 0;
    return StatusExchange(kCodeCommand, command);
}

std::string Link::SendQuery(std::string_view command) {
    std::optional<Report> out = BuildTextReport(kCodeQuery, command);
    if (!out) return {};
    std::optional<Report> in = Exchange(*out, IsLongExchange(command));
    return in ? TextFrom(*in, kQueryTextOffset) : std::string{};
}

int Link::SendBlock(std::span<const std::uint8_t> record) {
    if (record.size() < 6) return 0;
    std::size_t n = record[5];
    // The record, its carriage return and zero byte must fit behind the three header bytes.
    if (n + 6 > record.size() || 3 + n + 6 + 2 > kReportSize) return 0;
    Report out{};
    out[1] = 3;
    out[2] = kCodeBlock;
    for (std::size_t i = 0; i < n + 6; ++i) out[3 + i] = record[i];
    out[n + 9] = 0x0D;
    out[n + 10] = 0x00;
    std::optional<Report> in = Exchange(out);
    int status = in ? (*in)[kStatusByte] : 0;
    return (status >= 1 && status <= 3) ? status : 0;
}

int Link::SendErase(int digit) {
    std::string command = "*FE";
    command.push_back(static_cast<char>('0' + digit));
    int status = StatusExchange(kCodeErase, command);
    switch (status) {
        case 0:
            ShowMessage(7);
            return 0;
        case 1:
            return 1;
        case 2:
            ShowMessage(8);
            return 2;
        default:
            return 0;
    }
}

void Link::ErasePlans() { (void)StatusExchange(kCodeCommand, "*EP"); }

void Link::ShowMessage(int number) const {
    if (feedback_) feedback_->showMessage(number);
}

}  // namespace zv318
