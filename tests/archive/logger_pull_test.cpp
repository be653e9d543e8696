// New loggers kept on plug-in, as the procedure runs it against the simulator: which loggers
// count as kept already (a scenario table over every field of the header), how many records
// are asked for, and a run cut by an unplug.

#include <set>

#include "archive/archive.h"
#include "archive/logger_pull.h"
#include "loggers/logger_fixture.h"
#include "texts/qt_path.h"

namespace zv318::testing {
namespace {

class archivePull : public LoggerScenario {
protected:
    archivePull() {
        (void)archive.Open(ArchiveLocationFor(PathToText(folder.path / "a.sqlite"), {}));
    }

    // A whole run: its steps until it ends.
    std::vector<LoggerPull::Step> Run() {
        instrument.clearReceived();
        LoggerPull pull(link, feedback, language);
        std::vector<LoggerPull::Step> steps;
        while (!pull.finished()) steps.push_back(pull.Next(archive));
        outcome = {pull.alreadyKept(), static_cast<int>(pull.keptIds().size()), pull.serial()};
        return steps;
    }
    // The loggers whose records were asked for in the last run: "*?HDss..." by slot.
    std::multiset<std::string> Downloaded() const {
        std::multiset<std::string> taken;
        for (const std::string& c : instrument.commands())
            if (c.starts_with("*?HD") && c.substr(6, 3) == "000") taken.insert(c.substr(4, 2));
        return taken;
    }
    int RecordQueries() const {
        int n = 0;
        for (const std::string& c : instrument.commands()) n += c.starts_with("*?HD");
        return n;
    }

    Archive archive;
    struct {
        int alreadyKept = 0, kept = 0;
        std::string serial;
    } outcome;
};

TEST_F(archivePull, OnlyTheLoggersTheArchiveLacksAreDownloadedAndKept) {
    instrument.logger(sim::kRadio, 0) = SimLogger("ROOF", 3);
    instrument.logger(sim::kRadio, 4) = SimLogger("LOBBY", 12);
    instrument.logger(sim::kRadio, 9) = SimLogger("CELLAR", 0);
    instrument.logger(sim::kPlc, 2) = SimLogger("MAINS", 5);
    instrument.logger(sim::kPlc, 7) = SimLogger("PANEL", 8);
    // Three kept before (a save, a backup: here a first run, then two deleted again).
    ASSERT_EQ(Run().size(), 2u + 5u);
    ASSERT_EQ(outcome.kept, 5);
    std::vector<std::int64_t> forget;
    for (const ArchivedLogger& a : archive.List())
        if (a.name == "LOBBY" || a.name == "PANEL") forget.push_back(a.id);
    ASSERT_EQ(archive.Delete(forget), 2);

    // Plugged in again: two downloads of records, of those two loggers only, and two rows.
    const std::vector<LoggerPull::Step> steps = Run();
    EXPECT_EQ(steps, (std::vector<LoggerPull::Step>(4, LoggerPull::Step::Read)));
    EXPECT_EQ(Downloaded(), (std::multiset<std::string>{"04", "07"}));
    EXPECT_EQ(RecordQueries(), 12 + 8);
    EXPECT_EQ(outcome.alreadyKept, 3);
    EXPECT_EQ(outcome.kept, 2);
    EXPECT_EQ(outcome.serial, instrument.serial);
    const std::vector<ArchivedLogger> all = archive.List();
    ASSERT_EQ(all.size(), 5u);
    for (const ArchivedLogger& a : all) {
        EXPECT_EQ(a.serial, instrument.serial);
        EXPECT_EQ(a.source, "instrument");
    }
    // Nothing was written to the Loggers folder, and nothing was shown.
    EXPECT_TRUE(fs::is_empty(loggers()));
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_TRUE(feedback.notices.empty());

    // Once more: nothing new, no record asked for.
    Run();
    EXPECT_EQ(RecordQueries(), 0);
    EXPECT_EQ(outcome.kept, 0);
    EXPECT_EQ(outcome.alreadyKept, 5);
}

TEST_F(archivePull, ALoggerCountsAsKeptOnlyWhenEveryFieldOfItsHeaderMatches) {
    struct Case {
        const char* change;
        std::function<void(sim::Instrument&)> apply;
        bool downloaded;
        // A logger whose file bytes the archive holds already is not added twice (the archive
        // knows a logger by its bytes, which hold neither its slot nor the instrument).
        bool added = downloaded;
    };
    const std::vector<Case> cases{
        {"nothing", [](sim::Instrument&) {}, false},
        {"the threshold", [](sim::Instrument& i) { i.logger(sim::kRadio, 3)->threshold = -20; },
         true},
        {"the level unit", [](sim::Instrument& i) { i.logger(sim::kRadio, 3)->levelUnit = "dBuV"; },
         true},
        {"the name", [](sim::Instrument& i) { i.logger(sim::kRadio, 3)->name = "ROOF2"; }, true},
        {"the plan", [](sim::Instrument& i) { i.logger(sim::kRadio, 3)->planName = "TV2"; }, true},
        {"the date", [](sim::Instrument& i) { i.logger(sim::kRadio, 3)->date = "02/02/2013"; },
         true},
        {"the time", [](sim::Instrument& i) { i.logger(sim::kRadio, 3)->time = "10:20:31"; }, true},
        {"the record count",
         [](sim::Instrument& i) { i.logger(sim::kRadio, 3)->records.pop_back(); }, true},
        {"the slot",
         [](sim::Instrument& i) {
             i.logger(sim::kRadio, 5) = i.logger(sim::kRadio, 3);
             i.logger(sim::kRadio, 3).reset();
         },
         true, false},
        {"the type",
         [](sim::Instrument& i) {
             i.logger(sim::kPlc, 3) = i.logger(sim::kRadio, 3);
             i.logger(sim::kRadio, 3).reset();
         },
         true},
        {"the instrument", [](sim::Instrument& i) { i.serial = "00099999"; }, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        instrument = sim::Instrument::Empty();
        instrument.logger(sim::kRadio, 3) = SimLogger("ROOF", 4);
        ASSERT_TRUE(archive.Delete([&] {
            std::vector<std::int64_t> ids;
            for (const ArchivedLogger& a : archive.List()) ids.push_back(a.id);
            return ids;
        }()));
        Run();
        ASSERT_EQ(outcome.kept, 1);
        c.apply(instrument);
        Run();
        EXPECT_EQ(Downloaded().size(), c.downloaded ? 1u : 0u);
        EXPECT_EQ(outcome.kept, c.added ? 1 : 0);
        EXPECT_EQ(outcome.alreadyKept, c.downloaded ? 0 : 1);
    }
}

TEST_F(archivePull, DatesInEveryFormTheInstrumentMaySendAreMatched) {
    // The date stays text as the instrument sent it; a form the archive cannot read as a date
    // is matched by its text.
    const std::vector<std::string> dates{"01/02/2013", "01-02-2013", "01.02.2013",
                                         "01 02 2013", "01/02/13  ", "--/--/----"};
    for (std::size_t k = 0; k < dates.size(); ++k) {
        SCOPED_TRACE(dates[k]);
        instrument = sim::Instrument::Empty();
        sim::Logger logger = SimLogger("D" + std::to_string(k), 2);
        logger.date = dates[k];
        instrument.logger(sim::kRadio, 11) = logger;
        Run();
        EXPECT_EQ(outcome.kept, 1);
        Run();
        EXPECT_EQ(Downloaded().size(), 0u);
        EXPECT_EQ(outcome.kept, 0);
        EXPECT_EQ(outcome.alreadyKept, 1);
        // Another date on the same slot is another logger.
        instrument.logger(sim::kRadio, 11)->date = "09/09/2019";
        Run();
        EXPECT_EQ(outcome.kept, 1);
    }
}

TEST_F(archivePull, ALoggerThatCannotBeDownloadedIsNamedAndTheRunGoesOn) {
    // Each fault on a logger between two sound ones: the sound ones are kept, the faulty one is
    // left out with its slot and reason, and the run does not pass for complete.
    struct Case {
        const char* fault;
        std::function<void(sim::Instrument&)> plant;
        int reason;
        std::string name;  // as the left-out logger is named
    };
    const std::vector<Case> cases{
        {"a record count that is no number", [](sim::Instrument& i) { i.statedCounts[5] = "x4"; },
         kDamagedLoggerHeader, "MIDDLE"},
        {"a record count past the most a logger holds",
         [](sim::Instrument& i) { i.statedCounts[5] = "151"; }, kDamagedLoggerHeader, "MIDDLE"},
        {"a header without a name",
         [](sim::Instrument& i) { i.logger(sim::kRadio, 5)->name.clear(); }, kDamagedLoggerHeader,
         ""},
        {"a frequency that is no number",
         [](sim::Instrument& i) { i.textFor["*?HD05002"] = "?HD&C2&47x000000&8000000&-40.2"; },
         kMessageDamagedRecord, "MIDDLE"},
        {"a record cut short",
         [](sim::Instrument& i) { i.textFor["*?HD05000"] = "?HD&C0&474000000"; },
         kMessageDamagedRecord, "MIDDLE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        instrument = sim::Instrument::Empty();
        instrument.logger(sim::kRadio, 1) = SimLogger("BEFORE", 3);
        instrument.logger(sim::kRadio, 5) = SimLogger("MIDDLE", 4);
        instrument.logger(sim::kPlc, 2) = SimLogger("AFTER", 2);
        c.plant(instrument);
        TempFolder fresh;
        Archive own;
        ASSERT_EQ(own.Open(ArchiveLocationFor(PathToText(fresh.path / "a.sqlite"), {})),
                  Archive::State::Ready);
        LoggerPull pull(link, feedback, language);
        std::vector<LoggerPull::Step> steps;
        while (!pull.finished()) steps.push_back(pull.Next(own));
        EXPECT_EQ(steps, (std::vector<LoggerPull::Step>{
                             LoggerPull::Step::Read, LoggerPull::Step::Read, LoggerPull::Step::Read,
                             LoggerPull::Step::Skipped, LoggerPull::Step::Read}));
        EXPECT_EQ(pull.keptIds().size(), 2u);
        ASSERT_EQ(pull.skipped().size(), 1u);
        EXPECT_EQ(pull.skipped()[0].type, kRadioLogger);
        EXPECT_EQ(pull.skipped()[0].slot, 5);
        EXPECT_EQ(pull.skipped()[0].name, c.name);
        EXPECT_EQ(pull.skipped()[0].reason, c.reason);
        EXPECT_FALSE(pull.complete());
        for (const ArchivedLogger& a : own.List()) EXPECT_NE(a.name, "MIDDLE");
        // The notice: the heading, then the logger by type, slot and name, and the reason.
        LanguageTable words;
        words.set(kExtraEntryFirst + kMessagePullSkipped, "LEFT OUT:");
        words.set(kExtraEntryFirst + c.reason, "WHY" + std::to_string(c.reason));
        EXPECT_EQ(SkippedNotice(words, pull.skipped()),
                  "LEFT OUT:\nRADIO 5" + (c.name.empty() ? "" : " (" + c.name + ")") + ": WHY" +
                      std::to_string(c.reason));
    }
    // Without a fault the same run is complete and names nothing.
    instrument = sim::Instrument::Empty();
    instrument.logger(sim::kRadio, 5) = SimLogger("MIDDLE", 4);
    LoggerPull pull(link, feedback, language);
    while (!pull.finished()) (void)pull.Next(archive);
    EXPECT_TRUE(pull.complete());
    EXPECT_TRUE(pull.skipped().empty());
    EXPECT_EQ(SkippedNotice(language, pull.skipped()), "");
}

TEST_F(archivePull, AnUnplugHalfWayEndsTheRunAndKeepsNoPartOfALogger) {
    instrument.logger(sim::kRadio, 1) = SimLogger("FIRST", 10);
    instrument.logger(sim::kRadio, 2) = SimLogger("SECOND", 40);
    instrument.logger(sim::kPlc, 3) = SimLogger("THIRD", 10);
    instrument.clearReceived();
    LoggerPull pull(link, feedback, language);
    ASSERT_EQ(pull.Next(archive), LoggerPull::Step::Read);  // the RADIO index
    ASSERT_EQ(pull.Next(archive), LoggerPull::Step::Read);  // the PLC index
    ASSERT_EQ(pull.missing().size(), 3u);
    ASSERT_EQ(pull.Next(archive), LoggerPull::Step::Read);  // FIRST, whole
    bus.unplugAfter(20);                                    // in the middle of SECOND's 40 records
    EXPECT_EQ(pull.Next(archive), LoggerPull::Step::Lost);
    EXPECT_TRUE(pull.finished());
    EXPECT_EQ(pull.done(), 2);
    EXPECT_FALSE(pull.complete());
    const std::vector<ArchivedLogger> kept = archive.List();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].name, "FIRST");
    EXPECT_EQ(archive.Records(kept[0].id).size(), 10u);
    // Plugged in again, the rest comes.
    bus.setPlugged(true);
    Run();
    EXPECT_EQ(Downloaded(), (std::multiset<std::string>{"02", "03"}));
    EXPECT_EQ(archive.List().size(), 3u);
}

TEST_F(archivePull, NoInstrumentReadsNothingAndKeepsNothing) {
    bus.setPlugged(false);
    LoggerPull pull(link, feedback, language);
    EXPECT_EQ(pull.Next(archive), LoggerPull::Step::Lost);
    EXPECT_TRUE(pull.finished());
    EXPECT_FALSE(pull.prepared());
    EXPECT_TRUE(archive.List().empty());
}

}  // namespace
}  // namespace zv318::testing
