#pragma once
// Interrupts and the phases that must not be cut. An interrupt (SIGINT, SIGTERM, a window
// close) is only recorded here; the procedures look at it at their safe points. A phase that
// must not be cut (an update from its first erase or loader report to its last report, the
// writing of channel plans from their erase to their last channel) is marked with an
// UncuttablePhase: while one runs, an interrupt waits for it to end.
//
// Everything here may be called from a signal handler: plain lock-free atomics.

#include <exception>

namespace zv318 {

// The messages of a command stopped by an interrupt.
inline constexpr int kMessageStoppedWritten =
    280;  // the plans under way written whole, not checked
inline constexpr int kMessageUpdateFinished = 281;  // the update ran to its end first
inline constexpr int kMessageStoppedBefore = 282;   // stopped where nothing was under way
inline constexpr int kMessageInterruptHeld = 283;   // the first interrupt inside a phase
inline constexpr int kMessageInterruptAgain = 284;  // a further one: the phase still goes on

// Records an interrupt (`signal` 0 for a window's request). Async-signal-safe.
void RequestInterrupt(int signal) noexcept;
// How many interrupts came since the last ClearInterrupts; the signal of the first one.
[[nodiscard]] int InterruptCount() noexcept;
[[nodiscard]] int InterruptSignal() noexcept;
[[nodiscard]] inline bool InterruptRequested() noexcept {
    return InterruptCount() > 0;
}
void ClearInterrupts() noexcept;

// True while a phase that must not be cut runs.
[[nodiscard]] bool InUncuttablePhase() noexcept;

// Marks a phase that must not be cut, for as long as it lives. Phases may nest.
class UncuttablePhase {
public:
    UncuttablePhase() noexcept;
    ~UncuttablePhase();
    UncuttablePhase(const UncuttablePhase&) = delete;
    UncuttablePhase& operator=(const UncuttablePhase&) = delete;
};

// Thrown by the link at an exchange that an interrupt came before, outside any phase that must
// not be cut, when its owner asked for that (Link::setStopOnInterrupt): the command stops there.
class Interrupted : public std::exception {
public:
    [[nodiscard]] const char* what() const noexcept override { return "interrupted"; }
};

}  // namespace zv318
