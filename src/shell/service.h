#pragma once
// The service functions behind the about window's address lines: a raw command sent to the
// instrument as typed, and erasing every channel plan of both kinds.

#include <string>

#include "link/feedback.h"
#include "link/link.h"
#include "plans/plan_list.h"
#include "texts/version.h"

namespace zv318 {

struct RawCommandResult {
    bool sent = false;   // false: the command was refused before anything went out
    std::string reply;   // the reply text from input byte 5 (with its carriage return)
    std::string reason;  // why it was not sent
    bool connected = true;  // false: no handle was open, or it closed on the way (no reply)
};

// Sends `command` with SendQuery (report code 25) on the handle already open, without a
// search. A command over 60 characters does not fit a report and is not sent.
[[nodiscard]] RawCommandResult RawCommand(Link& link, const std::string& command);

// Erases every RADIO and PLC plan after the question (entries 39 / 37): "*EC01", "*PM00",
// "*EP", then "*EC02", "*PM00", "*EP"; the plan list is emptied after each kind.
// Message 7 when the instrument is not found, or vanishes on the way (nothing more is sent).
void HiddenEraseAction(Link& link, Feedback& feedback, PlanListView& planList);

}  // namespace zv318
