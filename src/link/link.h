#pragma once
// The link to the instrument: finds the IO Interface among the HID interfaces, keeps the one
// open handle, and carries commands and replies. The instrument answers every report with
// exactly one report; each write here is followed by one read of the next input report.
// Every read has a time-out: a silent or vanished instrument gives status 0 and an empty
// text, and the handle is then closed until the next FindInstrument.

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/feedback.h"
#include "link/instrument_lock.h"
#include "link/report.h"
#include "link/transport.h"

namespace zv318 {

inline constexpr std::string_view kInstrumentProduct = "ZV-318";
inline constexpr int kDefaultTimeoutMs = 3000;
// Erasing flash or restarting may take the instrument seconds: those exchanges wait longer.
inline constexpr int kLongExchangeFactor = 10;
// Input reports already waiting that an exchange discards, at most, before it writes.
inline constexpr int kMaxStaleReports = 64;

class Link {
public:
    explicit Link(Bus& bus, Feedback* feedback = nullptr);
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    void setFeedback(Feedback* feedback) { feedback_ = feedback; }
    [[nodiscard]] Feedback* feedback() const { return feedback_; }
    void setTimeoutMs(int ms) { timeoutMs_ = ms; }
    [[nodiscard]] int timeoutMs() const { return timeoutMs_; }

    // Closes the handle left by an earlier search, then opens the first interface whose
    // product string is exactly "ZV-318". A failed search leaves ProductName as it was.
    [[nodiscard]] bool FindInstrument();
    // Closes DeviceHandle.
    void Close();
    [[nodiscard]] bool IsOpen() const { return static_cast<bool>(device_); }
    [[nodiscard]] const std::string& ProductName() const { return productName_; }
    // True when the last search saw an interface named "ZV-318" that could not be opened for
    // lack of permission (on Linux: the udev rule is missing).
    [[nodiscard]] bool PermissionDenied() const { return permissionDenied_; }

    // Searches, then sends the command with code 22; the reply's status byte, or 0.
    [[nodiscard]] int SendCommand(std::string_view command);
    // Sends the command with code 25 on the open handle; the reply text from byte 5
    // (carriage return included), or "" on failure.
    [[nodiscard]] std::string SendQuery(std::string_view command);
    // Sends an instrument firmware record (its byte 5 holds the count n; n + 6 bytes) with
    // code 23; 1, 2 or 3 as the status byte, else 0.
    [[nodiscard]] int SendBlock(std::span<const std::uint8_t> record);
    // "*FE" + digit with code 24; status 0 shows message 7 (unless tellLost is false: a caller
    // that says itself what a lost instrument leaves), 2 shows message 8.
    [[nodiscard]] int SendErase(int digit, bool tellLost = true);
    // "*EP" with code 22; the reply is read and not used.
    void ErasePlans();

    // One report out, the next report in (query replies use the normal time-out; `longWait`
    // multiplies it), after discarding any input report already waiting, so every exchange
    // reads its own reply. Nothing when no handle is open, the write fails or no reply comes.
    [[nodiscard]] std::optional<Report> Exchange(const Report& out, bool longWait = false);
    // One report out, no read (the clock report, the IO Interface loader).
    [[nodiscard]] bool WriteReport(const Report& out);

    // Shows a numbered message through the feedback, when there is one.
    void ShowMessage(int number) const;

    // ---- one program per instrument ----------------------------------------------------
    // Names this program to the locks; empty (the default): no locks are taken.
    void setLockOwner(std::string program) { lockOwner_ = std::move(program); }
    enum class ClaimResult { Held, NotFound, Refused, LockFailed };
    // From now until Release, every instrument FindInstrument opens is locked for this program
    // before it is opened, and the locks stay held across the searches in between (a
    // reconnect, the loader's re-enumeration). Searches now (`search`; else locks the interface
    // open now, if any): Refused when every instrument found is held by another program,
    // LockFailed when its lock cannot be taken for another reason (Refusal tells which),
    // NotFound when there is none.
    [[nodiscard]] ClaimResult Claim(bool search = true);
    // Frees every lock taken since Claim. The handle stays open.
    void Release();
    [[nodiscard]] bool Claimed() const { return claimed_; }
    // The last lock not taken since Claim: Busy (another program holds the instrument) or Failed.
    [[nodiscard]] const std::optional<LockAttempt>& Refusal() const { return refusal_; }

    // An exchange or a loader report asked for after an interrupt, outside a phase that must
    // not be cut, throws Interrupted (zv318ctl); off, the procedures' own checks stop them.
    void setStopOnInterrupt(bool stop) { stopOnInterrupt_ = stop; }

private:
    enum class LockStep { Go, NoAccess, Skip };
    // Before the interface at `path` is opened: Go when it may be (not locking, nothing to
    // lock, held already, or taken now into `fresh`), NoAccess when this user may not open it,
    // Skip when another program holds it or its lock failed (kept in refusal_).
    [[nodiscard]] LockStep LockBeforeOpening(const std::string& path,
                                             std::unique_ptr<InstrumentLock>& fresh);
    [[nodiscard]] bool Locking() const;
    [[nodiscard]] bool AlreadyHeld(const std::string& name) const;
    void StopIfInterrupted() const;

    [[nodiscard]] int StatusExchange(std::uint8_t code, std::string_view command);

    Bus& bus_;
    Feedback* feedback_;
    std::unique_ptr<Transport> device_;  // DeviceHandle
    std::string devicePath_;             // the interface DeviceHandle is open on
    std::string productName_;            // ProductName
    bool permissionDenied_ = false;
    int timeoutMs_ = kDefaultTimeoutMs;
    std::string lockOwner_;
    bool claimed_ = false;
    std::vector<std::unique_ptr<InstrumentLock>> locks_;
    std::optional<LockAttempt> refusal_;
    bool stopOnInterrupt_ = false;
};

// The instrument held for one operation of a program that runs several (the desktop program):
// the lock is taken now, unless an enclosing hold has it, and freed at the end.
class InstrumentHold {
public:
    explicit InstrumentHold(Link& link, bool search = true)
        : link_(link),
          mine_(!link.Claimed()),
          refused_(mine_ && Refused(link.Claim(search))) {}
    ~InstrumentHold() {
        if (mine_) link_.Release();
    }
    InstrumentHold(const InstrumentHold&) = delete;
    InstrumentHold& operator=(const InstrumentHold&) = delete;
    // Another program holds the instrument, or its lock failed (Link::Refusal tells which):
    // run nothing.
    [[nodiscard]] bool refused() const { return refused_; }

private:
    static bool Refused(Link::ClaimResult result) {
        return result == Link::ClaimResult::Refused || result == Link::ClaimResult::LockFailed;
    }

    Link& link_;
    bool mine_;
    bool refused_;
};

// The time-out from ZV318_TIMEOUT_MS, or the default.
[[nodiscard]] int TimeoutFromEnvironment();

}  // namespace zv318
