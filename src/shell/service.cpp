#include "shell/service.h"

namespace zv318 {

RawCommandResult RawCommand(Link& link, const std::string& command) {
    RawCommandResult result;
    if (command.size() > kMaxCommandLength) {
        result.reason = "Not sent: a command holds at most " + std::to_string(kMaxCommandLength) +
                        " characters.";
        return result;
    }
    result.sent = true;
    result.reply = link.SendQuery(command);
    result.connected = link.IsOpen();
    return result;
}

namespace {

// One kind's erase; false as soon as the instrument is gone (the rest is not sent).
bool EraseKind(Link& link, PlanListView& planList, const char* select) {
    (void)link.SendQuery(select);
    if (link.IsOpen()) (void)link.SendQuery("*PM00");
    if (link.IsOpen()) link.ErasePlans();
    planList.clear();
    return link.IsOpen();
}

}  // namespace

void HiddenEraseAction(Link& link, Feedback& feedback, PlanListView& planList) {
    if (!link.FindInstrument()) {
        feedback.showMessage(7);
        return;
    }
    if (!feedback.askYesNo(39, 37)) return;
    // An instrument that vanishes half-way is reported, never taken for erased.
    if (!EraseKind(link, planList, "*EC01") || !EraseKind(link, planList, "*EC02")) {
        planList.clear();
        feedback.showMessage(7);
    }
}

}  // namespace zv318
