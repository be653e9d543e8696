// Two programs on one instrument: while another program holds it, zv318ctl is refused within a
// second with exit status 4, naming the holder; once the holder is gone, however it ended, the
// instrument is free again.

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/ctl_support.h"
#include "link/instrument_lock.h"
#include "link/socket_bus.h"

namespace {

using Clock = std::chrono::steady_clock;

TEST(Zv318ctl, AnInstrumentHeldByAnotherProgramIsRefusedFastAndFreedWhenItsHolderDies) {
    SimProcess sim;
    const fs::path home = sim.folder() / "home";
    const std::string env = sim.envWithHome(home);
    const std::string instrument =
        zv318::SocketBus(sim.folder().string()).lockName((sim.folder() / "zv318.sock").string());

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        setenv(zv318::kLockFolderVariable, sim.folder().c_str(), 1);
        const zv318::LockAttempt taken = zv318::TakeInstrumentLock(instrument, "zv318", 0);
        const char held = taken.lock ? 1 : 0;
        (void)!write(ready[1], &held, 1);
        pause();
        _exit(0);
    }
    char held = 0;
    ASSERT_EQ(read(ready[0], &held, 1), 1);
    ASSERT_EQ(held, 1);

    const Clock::time_point start = Clock::now();
    const CtlRun refused = RunCtl(env, "status");
    // It gives up after its half-second wait, not when the holder ends (which is never here);
    // the bound leaves a busy machine time to start the program.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(refused.status, 4) << refused.out;
    EXPECT_NE(refused.out.find("zv318 (process " + std::to_string(holder) + ")"), std::string::npos)
        << refused.out;

    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    const CtlRun freed = RunCtl(env, "status");
    EXPECT_EQ(freed.status, 0) << freed.out;
    close(ready[0]);
    close(ready[1]);
}

}  // namespace
