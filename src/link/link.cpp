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
        // Under a claim the instrument is locked before anything opens it: a program refused
        // has sent nothing, not even the knock of an open, to an instrument another one holds.
        std::unique_ptr<InstrumentLock> fresh;
        switch (LockBeforeOpening(info.path, fresh)) {
            case LockStep::Go:
                break;
            case LockStep::NoAccess:
                if (info.product == kInstrumentProduct) permissionDenied_ = true;
                continue;
            case LockStep::Skip:
                continue;  // another program's instrument; a second one may be free
        }
        OpenResult opened = bus_.open(info.path);
        if (!opened.transport) {
            if (opened.error == OpenError::PermissionDenied && info.product == kInstrumentProduct)
                permissionDenied_ = true;
            continue;
        }
        std::optional<std::string> product = opened.transport->productString();
        if (!product) continue;
        if (*product == kInstrumentProduct) {
            if (fresh) locks_.push_back(std::move(fresh));
            device_ = std::move(opened.transport);
            devicePath_ = info.path;
            productName_ = *product;
            return true;
        }
        // A handle on an interface that is not the instrument closes here, and its lock with it.
    }
    return false;
}

void Link::Close() { device_.reset(); }

bool Link::Locking() const { return claimed_ && !lockOwner_.empty(); }

bool Link::AlreadyHeld(const std::string& name) const {
    return std::any_of(locks_.begin(), locks_.end(),
                       [&](const auto& lock) { return lock->instrument() == name; });
}

Link::LockStep Link::LockBeforeOpening(const std::string& path,
                                       std::unique_ptr<InstrumentLock>& fresh) {
    if (!Locking()) return LockStep::Go;
    const std::string name = bus_.lockName(path);
    if (name.empty() || AlreadyHeld(name)) return LockStep::Go;
    // Only the first lock of a claim waits for its holder: later searches must not stall.
    LockAttempt attempt = bus_.takeLock(path, lockOwner_, locks_.empty() ? kLockWaitMs : 0);
    switch (attempt.outcome) {
        case LockOutcome::Taken:
            fresh = std::move(attempt.lock);
            return LockStep::Go;
        case LockOutcome::NoAccess:
            return LockStep::NoAccess;
        case LockOutcome::Busy:
        case LockOutcome::Failed:
            break;
    }
    // A holder outranks a lock that failed: it tells the person whom to wait for.
    if (!refusal_ || attempt.outcome == LockOutcome::Busy) refusal_ = std::move(attempt);
    return LockStep::Skip;
}

Link::ClaimResult Link::Claim(bool search) {
    if (!claimed_) refusal_.reset();
    claimed_ = true;
    if (!search) {
        // The interface open now, locked as it is (it was opened under an earlier claim).
        if (!device_) return ClaimResult::NotFound;
        std::unique_ptr<InstrumentLock> fresh;
        if (LockBeforeOpening(devicePath_, fresh) == LockStep::Go) {
            if (fresh) locks_.push_back(std::move(fresh));
            return ClaimResult::Held;
        }
    } else if (FindInstrument()) {
        return ClaimResult::Held;
    }
    if (!refusal_) return ClaimResult::NotFound;
    return refusal_->outcome == LockOutcome::Busy ? ClaimResult::Refused : ClaimResult::LockFailed;
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

int Link::SendErase(int digit, bool tellLost) {
    std::string command = "*FE";
    command.push_back(static_cast<char>('0' + digit));
    int status = StatusExchange(kCodeErase, command);
    switch (status) {
        case 0:
            if (tellLost) ShowMessage(7);
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
