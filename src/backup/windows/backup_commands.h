#pragma once
// The file menu's "Back up instrument…" (`Copiadeseguridad1Click`: every plan and logger into
// a new folder inside the chosen one) and "Restore plans…" (`Restaurarplanes1Click`: the plans
// of the chosen backup folder back into the instrument), run as commands of the main window.

#include <functional>

#include "link/page_host.h"

namespace zv318 {

class PlanListView;
class PlanProcedures;

class BackupCommands {
public:
    // `plans` gives the main window's own plan procedures (null without a Feedback) and
    // `planList` the list they show, so that the list shows the plans read back.
    BackupCommands(PageHost& host, std::function<PlanProcedures*()> plans,
                   std::function<PlanListView&()> planList)
        : host_(host), plans_(std::move(plans)), planList_(std::move(planList)) {}

    void Copiadeseguridad1Click();
    void Restaurarplanes1Click();

private:
    PageHost& host_;
    std::function<PlanProcedures*()> plans_;
    std::function<PlanListView&()> planList_;
};

}  // namespace zv318
