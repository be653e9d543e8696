#pragma once
// Lets the Archive page's worker finish what is queued (and a paused filter run), bounded.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include "archive/windows/archive_page.h"

namespace zv318::testing {

inline void Settle(ArchivePage& page) {
    QElapsedTimer clock;
    clock.start();
    do {
        QTest::qWait(20);
    } while (page.busy() && clock.elapsed() < 10000);
    QCoreApplication::processEvents();
}

}  // namespace zv318::testing
