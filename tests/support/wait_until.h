#pragma once
// Waiting, with events running, for what a thread or a timer finishes: a condition that must
// come true within a bound. (QtTest's QTRY_ macros report to QtTest, which GoogleTest never
// hears: their failures would pass.)

#include <QElapsedTimer>
#include <QTest>
#include <functional>

namespace zv318::testing {

// How long a test waits for what an idle machine does at once: generous, because a loaded
// machine may hold the test back for seconds; a wait ends as soon as its condition holds.
inline constexpr int kPatienceMs = 20000;

// Waits (running events) until `done` holds or `ms` have passed.
inline bool WaitUntil(const std::function<bool()>& done, int ms = kPatienceMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QTest::qWait(5);
    }
    return true;
}

}  // namespace zv318::testing
