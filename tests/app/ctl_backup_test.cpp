// zv318ctl backup and restore against zv318-sim running as its own process: the instrument
// keeps its state between the runs, as a real one does.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/ctl_support.h"

namespace {

TEST(Zv318ctlBackup, BacksUpAndRestoresThePlansOfARealSecondProcess) {
    SimProcess sim;
    const fs::path home =
        fs::temp_directory_path() / ("zv318-ctl-backup-" + std::to_string(getpid()));
    fs::remove_all(home);
    const std::string env = sim.envWithHome(home);
    const fs::path dir = home / "backups";

    CtlRun before = RunCtl(env, "plans read");
    ASSERT_EQ(before.status, 0) << before.out;

    CtlRun backup = RunCtl(env, "backup '" + dir.string() + "'");
    ASSERT_EQ(backup.status, 0) << backup.out;
    for (const char* line : {"RADIO plan 0: TV1 -> TV1 (RADIO).c318\n",
                             "PLC logger 20: PANEL2 -> PANEL2 (PLC 20).logplc\n"})
        EXPECT_NE(backup.out.find(line), std::string::npos) << backup.out;
    // The last line names the backup folder, the only thing in DIR.
    std::string out = backup.out;
    out.pop_back();
    const fs::path folder = out.substr(out.rfind('\n') + 1);
    EXPECT_EQ(folder.parent_path(), dir);
    EXPECT_TRUE(fs::exists(folder / "manifest.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    // Another plan set on the instrument, then the backup's back.
    ASSERT_EQ(RunCtl(env, "--yes plans delete 'TV1 (RADIO)' 'GHN (PLC)'").status, 0);
    const std::string deleted = RunCtl(env, "plans read").out;
    // Without --yes the question is answered No: nothing is sent.
    CtlRun asked = RunCtl(env, "restore '" + folder.string() + "'");
    EXPECT_EQ(asked.status, 1) << asked.out;
    EXPECT_EQ(RunCtl(env, "plans read").out, deleted);
    CtlRun restore = RunCtl(env, "--yes restore '" + folder.string() + "'");
    ASSERT_EQ(restore.status, 0) << restore.out;
    EXPECT_NE(restore.out.find("message 149"), std::string::npos) << restore.out;
    CtlRun after = RunCtl(env, "plans read");
    EXPECT_EQ(after.out, before.out);

    // Not a backup folder; then no instrument: nothing left in DIR that looks like a backup.
    EXPECT_EQ(RunCtl(env, "restore '" + dir.string() + "'").status, 1);
    sim.stop();
    CtlRun gone = RunCtl(env, "backup '" + (home / "more").string() + "'");
    EXPECT_EQ(gone.status, 3) << gone.out;
    EXPECT_TRUE(!fs::exists(home / "more") || fs::is_empty(home / "more"));
    fs::remove_all(home);
}

}  // namespace
