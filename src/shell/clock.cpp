#include "shell/clock.h"

#include "texts/local_time.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace zv318 {

namespace {

constexpr std::size_t kClockTextOffset = 6;
constexpr std::size_t kClockTextLength = 19;

}  // namespace

std::string ClockText(int year, int month, int day, int hour, int minute, int second) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d/%02d-%02d-%d", hour, minute, second, day,
                  month, year);
    return text;
}

Report BuildClockReport(const std::string& text) {
    Report out{};
    out[1] = 3;
    out[2] = kCodeCommand;
    out[3] = '*';
    out[4] = 'S';
    out[5] = 'K';
    // The text is 19 characters; anything longer would run into the terminating zero.
    const std::size_t n = std::min(text.size(), kClockTextLength);
    std::copy_n(text.begin(), n, out.begin() + kClockTextOffset);
    out[kClockTextOffset + n] = 0;
    return out;
}

std::optional<std::string> SendClock(Link& link) {
    const std::tm now = LocalTimeNow();
    std::string text = ClockText(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, now.tm_hour,
                                 now.tm_min, now.tm_sec);
    if (!link.WriteReport(BuildClockReport(text))) return std::nullopt;
    return text;
}

int SyncAfterClock(Link& link, const std::string& serialLabel) {
    const std::string expected = "NS" + serialLabel;
    auto matches = [&](const std::string& reply) {
        return reply.size() > 1 && reply.substr(1, 10) == expected;
    };
    // The link discards the clock report's unread reply before the first query; the
    // repetitions remain for a stream that is still out of step.
    std::string reply = link.SendQuery("*?NS");
    int repetitions = 0;
    while (!matches(reply)) {
        // A closed handle answers nothing more; a stream that never names the serial number
        // (an empty or stale label) would otherwise be queried for ever.
        if (!link.IsOpen() || repetitions >= kMaxSyncRepetitions) return -1;
        reply = link.SendQuery("*?NS");
        ++repetitions;
    }
    return repetitions;
}

std::optional<std::string> Puestaenhora1Click(Link& link, Feedback& feedback,
                                              const std::string& serialLabel) {
    if (!link.FindInstrument()) {
        feedback.showMessage(7);
        return std::nullopt;
    }
    feedback.setBusy(true);
    int repetitions = -1;
    std::optional<std::string> sent = SendClock(link);  // not const: the return moves it
    if (sent) repetitions = SyncAfterClock(link, serialLabel);
    feedback.setBusy(false);
    if (repetitions < 0) {
        feedback.showMessage(7);
        return std::nullopt;
    }
    return sent;
}

}  // namespace zv318
