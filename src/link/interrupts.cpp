#include "link/interrupts.h"

#include <atomic>

namespace zv318 {

namespace {

std::atomic<int> g_count{0};
std::atomic<int> g_signal{0};
std::atomic<int> g_phaseDepth{0};

static_assert(std::atomic<int>::is_always_lock_free, "signal handlers need lock-free atomics");

}  // namespace

void RequestInterrupt(int signal) noexcept {
    int none = 0;
    g_signal.compare_exchange_strong(none, signal);
    g_count.fetch_add(1);
}

int InterruptCount() noexcept {
    return g_count.load();
}

int InterruptSignal() noexcept {
    return g_signal.load();
}

void ClearInterrupts() noexcept {
    g_count.store(0);
    g_signal.store(0);
}

bool InUncuttablePhase() noexcept {
    return g_phaseDepth.load() > 0;
}

UncuttablePhase::UncuttablePhase() noexcept {
    g_phaseDepth.fetch_add(1);
}

UncuttablePhase::~UncuttablePhase() {
    g_phaseDepth.fetch_sub(1);
}

}  // namespace zv318
