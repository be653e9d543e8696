#pragma once
// The instrument's plan list as the plan procedures see it: the main window's list box
// `Llista` (and the buttons that come with it) in the GUI, a plain list elsewhere.

#include <string>
#include <vector>

namespace zv318 {

class PlanListView {
public:
    virtual ~PlanListView() = default;
    virtual void clear() = 0;
    virtual void add(const std::string& entry) = 0;
    [[nodiscard]] virtual int count() const = 0;
    [[nodiscard]] virtual std::string entry(int index) const = 0;
    [[nodiscard]] virtual bool isSelected(int index) const = 0;
    // Enables `Llista`, `DelSelBut` and `LoadBut` (the first reading does it).
    virtual void enablePlanCommands() = 0;
};

// A list in memory, for the command line tool and the tests.
class PlanList : public PlanListView {
public:
    void clear() override {
        entries.clear();
        selected.clear();
    }
    void add(const std::string& e) override {
        entries.push_back(e);
        selected.push_back(false);
    }
    int count() const override { return static_cast<int>(entries.size()); }
    std::string entry(int index) const override {
        return index >= 0 && index < count() ? entries[index] : std::string{};
    }
    bool isSelected(int index) const override {
        return index >= 0 && index < count() && selected[index];
    }
    void enablePlanCommands() override { enabled = true; }
    void select(int index, bool on = true) {
        if (index >= 0 && index < count()) selected[index] = on;
    }

    std::vector<std::string> entries;
    std::vector<bool> selected;
    bool enabled = false;
};

}  // namespace zv318
