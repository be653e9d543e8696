// Backups of the simulated instrument and restores of their plans, checked against the
// simulator's state and the files on disk.

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "backup/backup.h"
#include "texts/sha256.h"
#include "loggers/logger_procedures.h"
#include "plans/plan_fixture.h"

namespace zv318::testing {
namespace {

TEST(backupSha256, GivesThePublishedDigests) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first padded block.
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(1'000'000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(backupManifest, KeepsEveryFieldThroughItsText) {
    Manifest m{"0001\t2", "IO-2.10", "V1.20", "2026-12-07", "22:55:01", {}};
    m.files.push_back({std::string(64, 'a'), false, 1, 3, "A_B (RADIO).c318", "A/B%\r"});
    m.files.push_back({std::string(64, 'b'), true, 2, 49, "MAIN (PLC 49).log", "MAIN"});
    m.files.push_back({"", false, 2, 0, "", "BAD"});  // a plan the backup could not read
    const std::string text = ManifestText(m);
    const std::optional<Manifest> back = ParseManifest(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(ManifestText(*back), text);
    EXPECT_EQ(back->serial, "0001\t2");
    EXPECT_EQ(back->files[0].original, "A/B%\r");
    EXPECT_TRUE(back->files[1].logger);
    EXPECT_EQ(back->files[1].number, 49);
    EXPECT_TRUE(back->files[2].unreadable());
    // A short hash, an unreadable entry with a file, a missing header line.
    for (auto [from, to] : std::vector<std::pair<std::string, std::string>>{
             {std::string(64, 'a'), std::string(63, 'a')},
             {"unreadable\tplan\tPLC\t0\t", "unreadable\tplan\tPLC\t0\tx"},
             {"Date=2026-12-07\r\n", ""}}) {
        std::string bad = text;
        bad.replace(bad.find(from), from.size(), to);
        EXPECT_FALSE(ParseManifest(bad)) << to;
    }
}

class BackupScenario : public ::testing::Test {
protected:
    BackupScenario() {
        for (int n = 0; n < kLanguageEntries; ++n) language.set(n, "E" + std::to_string(n));
        for (int n = kExtraEntryFirst; n < kExtraEntryEnd; ++n)
            language.set(n, "E" + std::to_string(n));
    }

    // The backup folders in `dir` and anything else there.
    std::vector<std::string> folderNames() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path))
            names.push_back(e.path().filename().string());
        return names;
    }
    Manifest manifest(const fs::path& folder) const {
        std::optional<Manifest> m = ParseManifest(ReadBytes(folder / kManifestName));
        EXPECT_TRUE(m);
        return m.value_or(Manifest{});
    }

    sim::Instrument instrument;  // the demo instrument: plans and loggers of both types
    sim::SimBus bus{instrument};
    RecordingFeedback feedback;
    Link link{bus, &feedback};
    LanguageTable language;
    TempFolder dir, programFolder;
    InstrumentBackup backup{link, feedback, language};
};

using backupInstrument = BackupScenario;

TEST_F(backupInstrument, HoldsEveryPlanAndLoggerAsReadingThemOneByOneGives) {
    std::vector<BackupFile> told;
    backup.onFile = [&](const BackupFile& f) { told.push_back(f); };
    ASSERT_EQ(backup.Backup(dir.path), BackupOutcome::Done);
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(folderNames(), std::vector<std::string>{backup.folder().filename().string()});
    EXPECT_TRUE(backup.folder().filename().string().starts_with("ZV318-00012345-"));

    // The same plans read the ordinary way, copy by copy.
    PlanList list;
    PlanProcedures plans(link, feedback, language, list, programFolder.path);
    ASSERT_EQ(plans.ReceiveButClick(), PlanOutcome::Done);

    const Manifest m = manifest(backup.folder());
    EXPECT_EQ(m.serial, instrument.serial);
    EXPECT_EQ(m.ioVersion, instrument.ioVersion);
    EXPECT_EQ(m.zvVersion, instrument.zvVersion);
    EXPECT_EQ(m.date.size(), 10u);
    EXPECT_EQ(m.time.size(), 8u);
    std::vector<BackupFile> planFiles;
    for (const BackupFile& f : m.files)
        if (!f.logger) planFiles.push_back(f);
    ASSERT_EQ(planFiles.size(), list.entries.size());
    std::map<int, int> perType;
    for (std::size_t k = 0; k < planFiles.size(); ++k) {
        const BackupFile& f = planFiles[k];
        const sim::Plan& simPlan = instrument.plans(f.type)[perType[f.type]];
        EXPECT_EQ(f.number, perType[f.type]++);
        EXPECT_EQ(f.original, simPlan.name);
        EXPECT_EQ(f.original + ListSuffixFor(f.type), list.entries[k]);
        const std::string bytes = ReadBytes(backup.folder() / f.file);
        EXPECT_EQ(bytes, ReadBytes(programFolder.path / (list.entries[k] + ".temp"))) << f.file;
        EXPECT_EQ(f.sha256, Sha256Hex(bytes));
    }
    EXPECT_EQ(perType[kRadioPlan], static_cast<int>(instrument.plans(sim::kRadio).size()));
    EXPECT_EQ(perType[kPlcPlan], static_cast<int>(instrument.plans(sim::kPlc).size()));

    // The loggers saved the ordinary way, one by one.
    LoggerProcedures loggers(link, feedback, language, programFolder.path);
    fs::create_directories(loggers.LoggersFolder());
    std::vector<std::string> saved;
    loggers.onSaved = [&](const std::string& file) { saved.push_back(file); };
    for (int type : {kRadioLogger, kPlcLogger}) {
        ASSERT_EQ(loggers.ReceiveLoggers(type), LoggerOutcome::Done);
        std::vector<int> rows;
        for (int r = 1; r <= loggers.table().ListedLoggerCount(); ++r) rows.push_back(r);
        ASSERT_EQ(loggers.SaveLoggers(rows), LoggerOutcome::Done);
    }
    std::vector<BackupFile> loggerFiles;
    for (const BackupFile& f : m.files)
        if (f.logger) loggerFiles.push_back(f);
    ASSERT_EQ(loggerFiles.size(), 6u);  // RADIO slots 0, 3, 17, 49; PLC slots 1, 20
    ASSERT_EQ(saved.size(), loggerFiles.size());
    for (std::size_t k = 0; k < loggerFiles.size(); ++k) {
        const BackupFile& f = loggerFiles[k];
        ASSERT_TRUE(instrument.logger(f.type, f.number)) << f.file;
        EXPECT_EQ(instrument.logger(f.type, f.number)->name, f.original);
        const std::string bytes = ReadBytes(backup.folder() / f.file);
        EXPECT_EQ(bytes, ReadBytes(saved[k])) << f.file;
        EXPECT_EQ(f.sha256, Sha256Hex(bytes));
    }
    EXPECT_EQ(loggerFiles[3].file, "LASTSLOT (RADIO 49).lograd");
    EXPECT_EQ(loggerFiles[4].file, "MAIN (PLC 01).logplc");

    // Told file by file, in the manifest's order; nothing else in the folder.
    ASSERT_EQ(told.size(), m.files.size());
    for (std::size_t k = 0; k < told.size(); ++k) EXPECT_EQ(told[k].file, m.files[k].file);
    std::size_t entries = 0;
    for (const auto& e : fs::directory_iterator(backup.folder())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, m.files.size() + 1);
    EXPECT_TRUE(feedback.progressWindow.okEnabled);
}

TEST_F(backupInstrument, WritesUnsafeNamesUnderSafeOnesAndKeepsTheOriginals) {
    instrument.plans(sim::kRadio) = {Radio("A:B", 1), Radio("A?B", 2), Radio("a:b", 1)};
    instrument.plans(sim::kPlc) = {Plc("..", 1)};
    instrument.logger(sim::kRadio, 3)->name = "LO|BY";
    ASSERT_EQ(backup.Backup(dir.path), BackupOutcome::Done);
    std::vector<std::pair<std::string, std::string>> names;
    for (const BackupFile& f : manifest(backup.folder()).files) {
        if (f.number == 3 || !f.logger) names.push_back({f.file, f.original});
        EXPECT_EQ(Sha256Hex(ReadBytes(backup.folder() / f.file)), f.sha256);
    }
    EXPECT_EQ(names, (std::vector<std::pair<std::string, std::string>>{
                         {"A%3AB (RADIO).c318", "A:B"},
                         {"A%3FB (RADIO).c318", "A?B"},
                         {"a%3Ab~2 (RADIO).c318", "a:b"},  // the same name on Windows
                         {"%2E%2E (PLC).c318", ".."},
                         {"LO%7CBY (RADIO 03).lograd", "LO|BY"}}));
}

TEST_F(backupInstrument, AnInstrumentUnpluggedHalfWayLeavesNoFolder) {
    // Count the exchanges of a whole backup, then cut it off at points all along the way.
    ASSERT_EQ(backup.Backup(programFolder.path), BackupOutcome::Done);
    const int total = static_cast<int>(instrument.received.size());
    for (int cut : {1, 2, 4, total / 3, total / 2, total - 1, total}) {
        SCOPED_TRACE(cut);
        instrument.clearReceived();
        feedback.messages.clear();
        instrument.silentFrom = cut;
        EXPECT_EQ(backup.Backup(dir.path), BackupOutcome::NotConnected);
        EXPECT_EQ(feedback.messages, std::vector<int>{7});
        EXPECT_TRUE(folderNames().empty());
        EXPECT_TRUE(backup.folder().empty());
        EXPECT_TRUE(feedback.progressWindow.okEnabled);  // the window can be closed
    }
}

// The unfinished folders an earlier backup of this instrument left (a crash, a second
// interrupt) go at the next backup; another instrument's, a link to a folder elsewhere and a
// plain file of the same pattern stay, and so does what the link points at.
TEST_F(backupInstrument, RemovesOnlyThisInstrumentsStaleUnfinishedFolders) {
    TempFolder elsewhere;
    std::ofstream(elsewhere.path / "kept.txt") << "kept";
    const std::string mine = ".ZV318-" + instrument.serial + "-";
    fs::create_directories(dir.path / (mine + "20260101-000000.partial") / ".copies");
    std::ofstream(dir.path / (mine + "20260101-000000.partial") / ".copies" / "A.temp") << "x";
    fs::create_directories(dir.path / (mine + "19991231-235959.partial"));
    fs::create_directories(dir.path / ".ZV318-00099999-20260101-000000.partial");
    fs::create_directory_symlink(elsewhere.path, dir.path / (mine + "link.partial"));
    std::ofstream(dir.path / (mine + "file.partial")) << "not a folder";

    ASSERT_EQ(backup.Backup(dir.path), BackupOutcome::Done);
    std::vector<std::string> names = folderNames(), kept = {
        ".ZV318-00099999-20260101-000000.partial", mine + "file.partial", mine + "link.partial",
        backup.folder().filename().string()};
    std::sort(names.begin(), names.end());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(names, kept);
    EXPECT_TRUE(fs::exists(elsewhere.path / "kept.txt"));
}

// What the simulator holds of its plans, as far as the instrument shows it: the index a
// channel was sent with is never answered (a reading numbers channels by position), so it is
// left out.
std::string PlanState(const sim::Instrument& inst) {
    std::string state;
    for (int type : {sim::kRadio, sim::kPlc})
        for (const sim::Plan& plan : inst.plans(type)) {
            state += std::to_string(type) + " " + plan.name + ":";
            for (const sim::Channel& c : plan.channels)
                state += " " + c.name + "," + std::to_string(c.frequency) + "," +
                         std::to_string(c.bandwidth) + "," + std::to_string(c.flags);
            state += "\n";
        }
    return state;
}

class RestoreScenario : public BackupScenario {
protected:
    // A backup of the demo instrument, then its plans changed every way a restore undoes:
    // one gone, one channel altered, one plan added.
    void SetUp() override {
        ASSERT_EQ(backup.Backup(dir.path), BackupOutcome::Done);
        backedUp = PlanState(instrument);
        instrument.plans(sim::kRadio).erase(instrument.plans(sim::kRadio).begin());
        instrument.plans(sim::kPlc)[0].channels[0].frequency += 1'000;
        instrument.plans(sim::kPlc).push_back(Plc("EXTRA", 2));
        changed = PlanState(instrument);
        instrument.clearReceived();
        feedback.messages.clear();
    }
    BackupOutcome Restore() { return backup.RestorePlans(backup.folder(), plans, list); }
    std::string FileOf(const std::string& original) const {
        for (const BackupFile& f : manifest(backup.folder()).files)
            if (f.original == original) return f.file;
        return {};
    }

    std::string backedUp, changed;
    PlanList list;
    PlanProcedures plans{link, feedback, language, list, programFolder.path};
};

using backupRestore = RestoreScenario;

TEST_F(backupRestore, GivesBackExactlyTheBackupsPlans) {
    ASSERT_NE(backedUp, changed);
    EXPECT_EQ(Restore(), BackupOutcome::Done);
    EXPECT_EQ(PlanState(instrument), backedUp);
    EXPECT_EQ(backup.restoredPlans(), 5);
    EXPECT_EQ(feedback.questions.size(), 1u);  // the same instrument: only what is erased
    EXPECT_EQ(feedback.messages, std::vector<int>{149});  // the loggers stay in the folder
    EXPECT_EQ(list.entries, (std::vector<std::string>{"TV1 (RADIO)", "FM (RADIO)", "DAB (RADIO)",
                                                      "PLC1 (PLC)", "GHN (PLC)"}));
    // Both types were erased before the first plan was written.
    const std::vector<std::string> sent = instrument.commands();
    const auto firstWrite = std::find_if(
        sent.begin(), sent.end(), [](const std::string& c) { return c.starts_with("*CS0"); });
    EXPECT_EQ(std::count(sent.begin(), firstWrite, "*EP"), 2);
    EXPECT_EQ(feedback.progressWindow.note, "E1171 5");
}

TEST_F(backupRestore, ABackupOfAnotherInstrumentAsksFirst) {
    instrument.serial = "00099999";
    feedback.answers = {false};
    EXPECT_EQ(Restore(), BackupOutcome::Cancelled);
    EXPECT_EQ(PlanState(instrument), changed);
    ASSERT_EQ(feedback.questions.size(), 1u);
    EXPECT_EQ(feedback.questions[0].text, 1170);
    feedback.answers = {true, false};  // then No to what is erased and written
    EXPECT_EQ(Restore(), BackupOutcome::Cancelled);
    EXPECT_EQ(PlanState(instrument), changed);
    feedback.answers = {true};
    EXPECT_EQ(Restore(), BackupOutcome::Done);
    EXPECT_EQ(PlanState(instrument), backedUp);
}

TEST_F(backupRestore, AFaultyBackupIsRefusedBeforeAnythingIsErased) {
    struct Fault {
        const char* what;
        std::function<void(const fs::path&)> spoil;
        int message;
        std::string named = {};  // the file the refusal names, when checked
    };
    // Replaces a text of the manifest.
    auto inManifest = [](const std::string& from, const std::string& to) {
        return [from, to](const fs::path& folder) {
            std::string m = ReadBytes(folder / kManifestName);
            m.replace(m.find(from), from.size(), to);
            WriteBytes(folder / kManifestName, m);
        };
    };
    const std::string logger = "PANEL2 (PLC 20).logplc";
    // Rewrites a plan file and, when asked, its hash in the manifest to match.
    auto rewrite = [this](const std::string& plan, auto change, bool fixHash) {
        return [this, plan, change, fixHash](const fs::path& folder) {
            const fs::path file = folder / FileOf(plan);
            const std::string before = ReadBytes(file);
            std::string after = before;
            change(after);
            WriteBytes(file, after);
            if (!fixHash) return;
            std::string m = ReadBytes(folder / kManifestName);
            m.replace(m.find(Sha256Hex(before)), 64, Sha256Hex(after));
            WriteBytes(folder / kManifestName, m);
        };
    };
    auto instead = [](std::string name, std::function<void(const fs::path&)> make) {
        return [name, make](const fs::path& folder) {
            fs::remove(folder / name);
            make(folder / name);
        };
    };
    auto fifo = [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); };
    auto zero = [](const fs::path& p) { fs::create_symlink("/dev/zero", p); };
    const std::vector<Fault> faults{
        {"one byte altered",
         rewrite(
             "GHN", [](std::string& t) { t.back() ^= 1; }, false),
         147},
        {"a bad line, hash matching",
         rewrite(
             "GHN", [](std::string& t) { t.replace(t.rfind("ON"), 2, "MAYBE"); }, true),
         14},
        {"another plan under the name",
         rewrite(
             "FM", [](std::string& t) { t.replace(3, 2, "XX"); }, true),
         147},
        {"a file missing", [this](const fs::path& f) { fs::remove(f / FileOf("DAB")); }, 147},
        {"no manifest", [](const fs::path& f) { fs::remove(f / kManifestName); }, 146},
        {"a file the manifest does not name",
         [](const fs::path& f) { WriteBytes(f / "X (RADIO).c318", "1\r\nX\r\n0"); },
         252,
         "X (RADIO).c318"},
        {"a logger file missing", [=](const fs::path& f) { fs::remove(f / logger); }, 147, logger},
        {"a logger file altered",
         [=](const fs::path& f) {
             std::string bytes = ReadBytes(f / logger);
             bytes.back() ^= 1;
             WriteBytes(f / logger, bytes);
         },
         147, logger},
        {"a name leading out of the folder", inManifest(logger, "../" + logger), 253,
         "../" + logger},
        {"a file named twice",
         [=](const fs::path& f) {
             std::string m = ReadBytes(f / kManifestName);
             const std::size_t line = m.rfind("File=");
             WriteBytes(f / kManifestName, m + m.substr(line));
         },
         254},
        // Files that are not plan files: judged on the open file, never waited on.
        {"a FIFO for a plan", instead(FileOf("FM"), fifo), 295},
        {"a link to /dev/zero", instead(FileOf("FM"), zero), 295},
        // The manifest as every other reader judges a file that is no file, or too large.
        {"a FIFO for the manifest", instead(kManifestName, fifo), 295},
        {"a manifest too large", instead(kManifestName, [](const fs::path& p) {
             WriteBytes(p, std::string(kManifestFileMaxBytes + 1, '0'));
         }), 296},
        {"a plan too large", instead(FileOf("FM"), [](const fs::path& p) {
             WriteBytes(p, std::string(kPlanFileMaxBytes + 1, '0'));
         }), 296},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        // A fresh copy of the backup for each fault.
        const fs::path spoilt = dir.path / "spoilt";
        fs::remove_all(spoilt);
        fs::copy(backup.folder(), spoilt, fs::copy_options::recursive);
        fault.spoil(spoilt);
        feedback.messages.clear();
        feedback.progressWindow.shown = false;
        EXPECT_EQ(backup.RestorePlans(spoilt, plans, list), BackupOutcome::Failed);
        EXPECT_EQ(feedback.messages, std::vector<int>{fault.message});
        // A refusal never leaves a bar standing in the progress window.
        EXPECT_FALSE(feedback.progressWindow.shown && feedback.progressWindow.barVisible);
        if (!fault.named.empty()) {
            EXPECT_EQ(backup.refusedFile(), fault.named);
        }
        EXPECT_TRUE(instrument.received.empty());
        EXPECT_EQ(PlanState(instrument), changed);
    }
}

TEST_F(backupRestore, AsksWhatItErasesAndWritesAndNoSendsNothing) {
    language.set(1256, "erase %1+%2, write %3+%4");
    feedback.answers = {false};
    EXPECT_EQ(Restore(), BackupOutcome::Cancelled);
    EXPECT_EQ(feedback.questionTexts, std::vector<std::string>{"erase 2+3, write 3+2"});
    EXPECT_EQ(PlanState(instrument), changed);
    for (const std::string& c : instrument.commands())
        EXPECT_TRUE(c.starts_with("*?") || c.starts_with("*EC0")) << c;
}

TEST_F(backupRestore, AChannelTheInstrumentDropsEndsWithMessage148) {
    instrument.ignored = {"*CF01001"};  // channel 1 of the second plan
    EXPECT_EQ(Restore(), BackupOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{148});
    EXPECT_EQ(backup.restoredPlans(), 0);
}

TEST_F(backupInstrument, AnUnreadablePlanIsNamedAndCostsOnlyItself) {
    language.set(1255, "not read: %1");
    language.set(1257, "missing: %1");
    instrument.plans(sim::kRadio)[1].channels[0].frequency = 1;  // out of range: FM
    EXPECT_EQ(backup.Backup(dir.path), BackupOutcome::Incomplete);
    EXPECT_EQ(feedback.notices, std::vector<std::string>{"not read: FM (RADIO)"});
    EXPECT_TRUE(feedback.messages.empty());
    // Every other plan of both types and every logger is there.
    std::string unreadable;
    for (const BackupFile& f : manifest(backup.folder()).files)
        unreadable += f.unreadable() ? f.original : f.logger ? "L" : "P";
    EXPECT_EQ(unreadable, "PFMPPPLLLLLL");

    // Its restore names the plan missing, then gives back every other one.
    instrument.plans(sim::kRadio).clear();
    PlanList list;
    PlanProcedures plans(link, feedback, language, list, programFolder.path);
    EXPECT_EQ(backup.RestorePlans(backup.folder(), plans, list), BackupOutcome::Done);
    ASSERT_EQ(feedback.questionTexts.size(), 1u);
    EXPECT_NE(feedback.questionTexts[0].find("missing: FM (RADIO)"), std::string::npos);
    EXPECT_EQ(list.entries, (std::vector<std::string>{"TV1 (RADIO)", "DAB (RADIO)", "PLC1 (PLC)",
                                                      "GHN (PLC)"}));
}

}  // namespace
}  // namespace zv318::testing
