#include "shell/windows/command_runner.h"

#include <QEvent>
#include <QWidget>

TCommandRunner::TCommandRunner(QObject* parent, std::function<void(bool)> showBusy)
    : QObject(parent), showBusy_(std::move(showBusy)) {}

bool TCommandRunner::run(const std::function<void()>& command) {
    if (busy_ || !command) return false;
    busy_ = true;
    apply();
    auto end = [this] {
        busy_ = false;
        apply();
    };
    try {
        command();
    } catch (...) {
        end();
        throw;
    }
    end();
    return true;
}

void TCommandRunner::setEnabled(QWidget* control, bool enabled) {
    if (!control) return;
    if (wanted_.emplace(control, enabled).second) control->installEventFilter(this);
    wanted_[control] = enabled;
    applying_ = true;
    control->setEnabled(enabled && !busy_);
    applying_ = false;
}

bool TCommandRunner::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !applying_) {
        auto* control = qobject_cast<QWidget*>(watched);
        auto it = control ? wanted_.find(control) : wanted_.end();
        if (it != wanted_.end()) {
            it->second = !control->testAttribute(Qt::WA_Disabled);
            if (busy_ && it->second) {
                applying_ = true;
                control->setEnabled(false);
                applying_ = false;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

bool TCommandRunner::enabled(QWidget* control) const {
    auto it = wanted_.find(control);
    return it != wanted_.end() && it->second;
}

void TCommandRunner::apply() {
    applying_ = true;
    for (auto& [control, enabled] : wanted_) control->setEnabled(enabled && !busy_);
    applying_ = false;
    if (showBusy_) showBusy_(busy_);
}
