#pragma once
// A logger scenario: the simulated instrument on the in-process bus, a recording feedback, a
// language table whose entry n reads "E<n>", and a program folder with its "Loggers" folder.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "loggers/logger_procedures.h"
#include "plans/plan_fixture.h"

namespace zv318::testing {

inline sim::Logger SimLogger(const std::string& name, int records, const std::string& unit = "dBm",
                             int threshold = -50) {
    return sim::SampleLogger(name, records, unit, threshold);
}

class LoggerScenario : public ::testing::Test {
protected:
    LoggerScenario() {
        for (int n = 0; n < kLanguageEntries; ++n) language.set(n, "E" + std::to_string(n));
        fs::create_directories(folder.path / "Loggers");
    }
    // Puts loggers in these RADIO slots and receives the RADIO index, then forgets what the
    // instrument received and what was shown.
    void ReceiveRadio(const std::vector<std::pair<int, sim::Logger>>& loggersBySlot) {
        for (const auto& [slot, lg] : loggersBySlot) instrument.logger(sim::kRadio, slot) = lg;
        ASSERT_EQ(procedures.ReceiveLoggers(kRadioLogger), LoggerOutcome::Done);
        instrument.clearReceived();
        feedback.messages.clear();
    }
    std::vector<std::string> commands() const { return instrument.commands(); }
    fs::path loggers() const { return folder.path / "Loggers"; }

    sim::Instrument instrument = sim::Instrument::Empty();
    sim::SimBus bus{instrument};
    RecordingFeedback feedback;
    Link link{bus, &feedback};
    LanguageTable language;
    TempFolder folder;
    LoggerProcedures procedures{link, feedback, language, folder.path};
};
// Test suites are named loggers...: `ctest -R loggers` runs them all.
using loggersScenario = LoggerScenario;

}  // namespace zv318::testing
