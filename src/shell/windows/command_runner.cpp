#include "shell/windows/command_runner.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QWidget>
#include <set>

namespace {

// The hourglass while a command runs, from its start: an instrument slow to answer is seen at
// once. A modal dialog the command opens (a question, a file or print dialog) shows the arrow
// while it is up.
class Hourglass : public QObject {
public:
    Hourglass() {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        qApp->installEventFilter(this);
    }
    ~Hourglass() override {
        qApp->removeEventFilter(this);
        for (std::size_t i = 0; i < dialogs_.size(); ++i) QApplication::restoreOverrideCursor();
        QApplication::restoreOverrideCursor();
    }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog && dialog->isWindow()) {
            if (event->type() == QEvent::Show && dialog->isModal() &&
                dialogs_.insert(dialog).second)
                QApplication::setOverrideCursor(Qt::ArrowCursor);
            else if (event->type() == QEvent::Hide && dialogs_.erase(dialog) > 0)
                QApplication::restoreOverrideCursor();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::set<QObject*> dialogs_;  // the dialogs up now that show the arrow
};

}  // namespace

TCommandRunner::TCommandRunner(QObject* parent, std::function<void(bool)> showBusy)
    : QObject(parent), showBusy_(std::move(showBusy)) {}

bool TCommandRunner::run(const std::function<void()>& command) {
    if (busy_ || !command) return false;
    busy_ = true;
    apply();
    const Hourglass hourglass;
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
