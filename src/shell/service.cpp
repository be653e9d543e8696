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

void EraseKind(Link& link, PlanListView& planList, const char* select) {
    (void)link.SendQuery(select);
    (void)link.SendQuery("*PM00");
    link.ErasePlans();
    planList.clear();
}

}  // namespace

void HiddenEraseAction(Link& link, Feedback& feedback, PlanListView& planList) {
    if (!link.FindInstrument()) {
        feedback.showMessage(7);
        return;
    }
    if (!feedback.askYesNo(39, 37)) return;
    EraseKind(link, planList, "*EC01");
    EraseKind(link, planList, "*EC02");
}

}  // namespace zv318
