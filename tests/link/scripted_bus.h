#pragma once
// A bus with one "ZV-318" interface whose transport answers each write with the next report
// of a script, and keeps what was written and the time-out of every read. For replies the
// simulator would never give: no carriage return, text up to byte 64, odd status bytes.

#include <deque>
#include <memory>
#include <string_view>
#include <vector>

#include "link/transport.h"

namespace zv318::testing {

struct Script {
    std::deque<Report> replies;
    std::vector<Report> written;
    std::vector<int> readTimeouts;  // of the reads that wait (a zero time-out only looks)
    int due = 0;                    // replies the writes so far have called for and not read
};

// A reply report with `text` copied to the bytes from `offset` on (no terminator added).
inline Report ReplyWith(std::size_t offset, std::string_view text) {
    Report r{};
    for (std::size_t i = 0; i < text.size() && offset + i < kReportSize; ++i)
        r[offset + i] = static_cast<std::uint8_t>(text[i]);
    return r;
}

inline Report StatusReply(std::uint8_t status) {
    Report r{};
    r[3] = status;
    return r;
}

class ScriptedBus : public Bus {
public:
    std::vector<InterfaceInfo> enumerate() override { return {{"script", "ZV-318"}}; }
    OpenResult open(const std::string&) override {
        return {std::make_unique<ScriptTransport>(script), OpenError::None};
    }
    void answer(const Report& reply) { script->replies.push_back(reply); }
    const std::vector<Report>& written() const { return script->written; }

    std::shared_ptr<Script> script = std::make_shared<Script>();

private:
    class ScriptTransport : public Transport {
    public:
        explicit ScriptTransport(std::shared_ptr<Script> s) : s_(std::move(s)) {}
        bool write(const Report& report) override {
            s_->written.push_back(report);
            ++s_->due;
            return true;
        }
        // The next scripted reply arrives only after a write asked for it.
        std::optional<Report> read(int timeoutMs) override {
            if (timeoutMs > 0) s_->readTimeouts.push_back(timeoutMs);
            if (s_->replies.empty() || s_->due == 0) return std::nullopt;
            --s_->due;
            Report r = s_->replies.front();
            s_->replies.pop_front();
            return r;
        }
        std::optional<std::string> productString() override { return "ZV-318"; }

    private:
        std::shared_ptr<Script> s_;
    };
};

}  // namespace zv318::testing
