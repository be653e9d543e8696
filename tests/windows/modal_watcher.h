#pragma once
// Answers the modal windows that code under test opens: a timer looks for the active modal
// widget and hands each one it finds to `answer`, which must close it. An answer that opens
// a further modal window (a file dialog's overwrite question) must close it queued.

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>

namespace zv318::testing {

class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QWidget*)> answer) : answer_(std::move(answer)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (busy_) return;
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible() || modal == last_) return;
            last_ = modal;
            busy_ = true;
            ++seen;
            answer_(modal);
            busy_ = false;
        });
        timer_.start();
    }
    ~ModalWatcher() { timer_.stop(); }
    ModalWatcher(const ModalWatcher&) = delete;
    ModalWatcher& operator=(const ModalWatcher&) = delete;

    int seen = 0;

private:
    std::function<void(QWidget*)> answer_;
    QTimer timer_;
    bool busy_ = false;
    QPointer<QWidget> last_;  // answered already; its closing may still be on its way
};

}  // namespace zv318::testing
