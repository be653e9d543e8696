#pragma once
// Setting the instrument's clock to the PC's local time ("Puesta en hora"), and finding the
// report stream again afterwards: the clock report's reply is not read here (the link discards
// it before the next exchange).

#include <optional>
#include <string>

#include "link/feedback.h"
#include "link/link.h"
#include "link/report.h"

namespace zv318 {

// Repetitions of the serial-number query after which the re-synchronisation gives up.
inline constexpr int kMaxSyncRepetitions = 20;

// "hh:mm:ss/dd-mm-yyyy", two digits with a leading zero for all but the year.
[[nodiscard]] std::string ClockText(int year, int month, int day, int hour, int minute,
                                    int second);
// Byte 1 = 3, byte 2 = 22, "*SK" from byte 3, the 19-character text from byte 6, byte 25 = 0
// (no carriage return).
[[nodiscard]] Report BuildClockReport(const std::string& text);
// Writes the clock report with the local time now and returns the text sent; nothing when
// the write failed. No reply is read.
std::optional<std::string> SendClock(Link& link);
// Repeats "*?NS" until the reply's ten characters from its second one are "NS" + the serial
// label; returns the number of repetitions, or -1 after kMaxSyncRepetitions repetitions or
// when the link fails.
int SyncAfterClock(Link& link, const std::string& serialLabel);
// The menu command: search (message 7 when absent), hourglass, clock, re-synchronisation;
// message 7 when the stream could not be found again. Returns the clock text the instrument
// was given ("hh:mm:ss/dd-mm-yyyy"), nothing when it failed.
std::optional<std::string> Puestaenhora1Click(Link& link, Feedback& feedback,
                                              const std::string& serialLabel);

}  // namespace zv318
