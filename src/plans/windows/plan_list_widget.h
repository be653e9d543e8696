#pragma once
// The instrument's plan list as the plan procedures see it, over the "ChannelPlan" page's list
// box `Llista`. Each entry keeps the exact text the procedures gave it (the ".temp" copies are
// named after it), whatever the list shows.

#include <functional>
#include <string>

#include "plans/plan_list.h"

class QListWidget;

namespace zv318 {

class LlistaPlanList : public PlanListView {
public:
    // `enableCommands` enables `Llista`, `DelSelBut` and `LoadBut` the way the page's window
    // wants it (it may be running a command that keeps them disabled until its end).
    LlistaPlanList(QListWidget& list, std::function<void()> enableCommands);

    void clear() override;
    void add(const std::string& entry) override;
    [[nodiscard]] int count() const override;
    [[nodiscard]] std::string entry(int index) const override;
    [[nodiscard]] bool isSelected(int index) const override;
    void enablePlanCommands() override;

private:
    QListWidget& list_;
    std::function<void()> enableCommands_;
};

}  // namespace zv318
