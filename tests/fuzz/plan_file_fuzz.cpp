// Plan files as the person hands them to the program: any bytes. A plan the program accepts
// must be one it can write, and what it writes it must read back the same: the file itself.

#include "fuzz/fuzz_support.h"
#include "plans/plan_model.h"
#include "support/round_trip.h"

using namespace zv318;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Refused, or read and written again it is the file itself.
    ZV318_FUZZ_CHECK(roundtrip::CheckPlanFile(fuzz::Text(data, size)).empty());
    fuzz::QuietFeedback feedback;
    PlanGrid grid;
    if (ReadChannelPlan(std::string(fuzz::Text(data, size)), "fuzz", grid, feedback) != 0) return 0;
    std::optional<std::string> written = ChannelPlanText(grid);
    ZV318_FUZZ_CHECK(written.has_value());
    if (!PlanTextFitsReader(*written)) return 0;  // the save refuses it: nothing is written
    PlanGrid again;
    ZV318_FUZZ_CHECK(ReadChannelPlan(*written, "fuzz", again, feedback) == 0);
    std::optional<std::string> rewritten = ChannelPlanText(again);
    ZV318_FUZZ_CHECK(rewritten == written);
    return 0;
}
