// What the instrument sends back: any 65 bytes, taken apart by every reader of replies, and
// channel lines as the plan procedures turn them into commands. A line the program sends is
// always one that fits a command report.

#include <algorithm>

#include "fuzz/fuzz_support.h"
#include "link/queries.h"
#include "link/report.h"
#include "plans/plan_procedures.h"

using namespace zv318;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int type = (data[0] & 1) + 1;
    ++data;
    --size;

    Report reply{};
    std::copy_n(data, std::min(size, reply.size()), reply.begin());
    for (std::size_t offset : {kStatusByte, kQueryTextOffset, kRecordTextOffset, kValueOffset}) {
        std::string text = TextFrom(reply, offset);
        ZV318_FUZZ_CHECK(text.size() <= kReportSize - offset);
        std::string value = QueryValue(reply, offset);
        (void)ZVVersionFromValue(value);
        (void)AtoL(value);
    }

    fuzz::QuietFeedback feedback;
    const std::string_view text = fuzz::Text(data, size);
    std::string line = ChannelReplyToLine(text, type, feedback);
    LineToChannelPayload payload(feedback);
    bool first = true;
    // The reply's line, then the input's own lines, as one plan.
    std::string lines = line == "error" ? std::string(text) : "0" + line + "\n" + std::string(text);
    for (std::size_t start = 0; start <= lines.size();) {
        std::size_t end = lines.find('\n', start);
        if (end == std::string::npos) end = lines.size();
        std::string p = payload(std::string_view(lines).substr(start, end - start), first, type);
        first = false;
        if (!IsPayloadError(p)) {
            ZV318_FUZZ_CHECK(p.size() <= kMaxPayloadLength);
            ZV318_FUZZ_CHECK(BuildTextReport(kCodeCommand, "*CF0" + p).has_value());
        }
        start = end + 1;
    }
    return 0;
}
