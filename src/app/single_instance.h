#pragma once
// One desktop program per person: a second start asks the running one to bring its window to
// the front, and ends.

#include <QLocalServer>
#include <QString>
#include <functional>

namespace zv318 {

class SingleInstance {
public:
    // The name the running program listens under: one per user of the machine.
    SingleInstance();

    // True when a running program answered and was asked to come to the front.
    [[nodiscard]] bool AskRunningOne(int timeoutMs = 1000) const;
    // Listens for later starts; `toFront` runs for each one. False when it cannot listen.
    bool Listen(std::function<void()> toFront);

private:
    QString name_;
    QLocalServer server_;
};

}  // namespace zv318
