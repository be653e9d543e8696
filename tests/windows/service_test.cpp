// The raw command and the erase-all action, checked against the simulated instrument: the
// exact commands with their report codes, and nothing at all where nothing may go out.
#include <gtest/gtest.h>

#include "link/link.h"
#include "plans/plan_list.h"
#include "shell/service.h"
#include "sim/bus.h"
#include "sim/instrument.h"
#include "support/recording_feedback.h"

namespace zv318 {
namespace {

class clock_Service : public ::testing::Test {
protected:
    sim::Instrument instrument;
    sim::SimBus bus{instrument};
    testing::RecordingFeedback feedback;
    Link link{bus, &feedback};
    PlanList list;

    void SetUp() override {
        list.add("PLAN1 (RADIO)");
        list.add("PLAN2 (PLC)");
    }

    // Every received report as "code command".
    std::vector<std::string> sent() const {
        std::vector<std::string> out;
        const auto commands = instrument.commands();
        for (std::size_t i = 0; i < commands.size(); ++i)
            out.push_back(std::to_string(instrument.received[i][2]) + " " + commands[i]);
        return out;
    }
};

TEST_F(clock_Service, RawCommandGoesOutAsAQueryOnTheOpenHandle) {
    ASSERT_TRUE(link.FindInstrument());
    RawCommandResult r = RawCommand(link, "*?NS");
    EXPECT_TRUE(r.sent);
    EXPECT_EQ(r.reply, "?NS" + instrument.serial + "\r");
    EXPECT_EQ(sent(), std::vector<std::string>{"25 *?NS"});
}

TEST_F(clock_Service, RawCommandMakesNoSearch) {
    // Nothing opened: the query fails quietly, as the window's exchange does.
    RawCommandResult r = RawCommand(link, "*?NS");
    EXPECT_TRUE(r.sent);
    EXPECT_EQ(r.reply, "");
    EXPECT_EQ(bus.openCount(), 0);
    EXPECT_TRUE(instrument.received.empty());
}

TEST_F(clock_Service, RawCommandHoldsAtMostSixtyCharacters) {
    ASSERT_TRUE(link.FindInstrument());
    const std::string sixty = "*?NS" + std::string(56, 'X');
    EXPECT_TRUE(RawCommand(link, sixty).sent);
    ASSERT_EQ(instrument.received.size(), 1u);

    RawCommandResult r = RawCommand(link, sixty + "Y");
    EXPECT_FALSE(r.sent);
    EXPECT_NE(r.reason.find("60"), std::string::npos) << r.reason;
    EXPECT_EQ(instrument.received.size(), 1u);
}

TEST_F(clock_Service, EraseActionErasesBothKindsWithTheseExactReports) {
    ASSERT_FALSE(instrument.plans(sim::kRadio).empty());
    ASSERT_FALSE(instrument.plans(sim::kPlc).empty());
    HiddenEraseAction(link, feedback, list);
    ASSERT_EQ(feedback.questions.size(), 1u);
    EXPECT_EQ(feedback.questions[0].text, 39);
    EXPECT_EQ(feedback.questions[0].caption, 37);
    EXPECT_EQ(sent(), (std::vector<std::string>{"25 *EC01", "25 *PM00", "22 *EP", "25 *EC02",
                                                "25 *PM00", "22 *EP"}));
    EXPECT_TRUE(instrument.plans(sim::kRadio).empty());
    EXPECT_TRUE(instrument.plans(sim::kPlc).empty());
    EXPECT_EQ(list.count(), 0);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(clock_Service, EraseActionAnsweredNoSendsNothing) {
    feedback.defaultAnswer = false;
    HiddenEraseAction(link, feedback, list);
    EXPECT_EQ(feedback.questions.size(), 1u);
    EXPECT_TRUE(instrument.received.empty());
    EXPECT_EQ(list.count(), 2);
}

TEST_F(clock_Service, EraseActionWithoutInstrumentShowsMessageSeven) {
    bus.clearInterfaces();
    HiddenEraseAction(link, feedback, list);
    EXPECT_EQ(feedback.messages, std::vector<int>{7});
    EXPECT_TRUE(feedback.questions.empty());
    EXPECT_EQ(list.count(), 2);
}

}  // namespace
}  // namespace zv318
