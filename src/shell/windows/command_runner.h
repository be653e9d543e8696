#pragma once
// The one-command rule of the main window: while a command runs, every command control
// (buttons, lists, the menus) is disabled, and at its end each gets back the state it should
// have then. Code that enables or disables a control meanwhile (with setEnabled() or through
// setEnabled() here) changes that state, not what the control shows during the command.

#include <QObject>
#include <functional>
#include <map>

class QWidget;

class TCommandRunner : public QObject {
    Q_OBJECT

public:
    // `showBusy` is told when commands become held back (true) and free again (false), for the
    // controls the runner does not keep itself (the menus).
    TCommandRunner(QObject* parent, std::function<void(bool)> showBusy);

    // Runs `command`; false (and nothing run) when a command is already running.
    bool run(const std::function<void()>& command);
    [[nodiscard]] bool busy() const { return busy_; }
    void setEnabled(QWidget* control, bool enabled);
    [[nodiscard]] bool enabled(QWidget* control) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();

    std::function<void(bool)> showBusy_;
    bool busy_ = false;
    bool applying_ = false;            // the runner itself changes an enabled state
    std::map<QWidget*, bool> wanted_;  // the state each command control should have
};
