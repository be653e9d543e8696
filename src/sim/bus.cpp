#include "sim/bus.h"

#include <chrono>
#include <deque>
#include <thread>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace zv318::sim {

namespace {

// One open interface. It sees only the replies to its own writes, as a freshly opened HID
// handle sees only the input reports that arrive after it was opened.
class SimTransport : public Transport {
public:
    SimTransport(std::string product, Instrument* instrument, std::shared_ptr<bool> plugged,
                 std::shared_ptr<int> writesLeft, std::shared_ptr<int> openCount,
                 std::shared_ptr<int> generation)
        : product_(std::move(product)),
          instrument_(instrument),
          plugged_(std::move(plugged)),
          writesLeft_(std::move(writesLeft)),
          openCount_(std::move(openCount)),
          generation_(std::move(generation)),
          openedIn_(*generation_) {
        ++*openCount_;
    }
    ~SimTransport() override { --*openCount_; }

    bool write(const Report& report) override {
        if (!alive()) return false;
        if (*writesLeft_ == 0) {
            // The cable comes out now: this write and everything after it fails.
            *plugged_ = false;
            ++*generation_;
            *writesLeft_ = -1;
            return false;
        }
        if (*writesLeft_ > 0) --*writesLeft_;
        if (instrument_) {
            if (std::optional<Report> reply = instrument_->handle(report))
                replies_.push_back(*reply);
        }
        return true;
    }

    std::optional<Report> read(int /*timeoutMs*/) override {
        // Nothing queued means nothing will come: the instrument answers within the write.
        if (!alive() || replies_.empty()) return std::nullopt;
        Report reply = replies_.front();
        replies_.pop_front();
        return reply;
    }

    std::optional<std::string> productString() override {
        if (!alive()) return std::nullopt;
        return product_;
    }

private:
    bool alive() const { return *plugged_ && *generation_ == openedIn_; }

    std::string product_;
    Instrument* instrument_;
    std::shared_ptr<bool> plugged_;
    std::shared_ptr<int> writesLeft_;
    std::shared_ptr<int> openCount_;
    std::shared_ptr<int> generation_;
    int openedIn_;
    std::deque<Report> replies_;
};

class SimLock : public InstrumentLock {
public:
    SimLock(std::string instrument, std::shared_ptr<Holding> holding)
        : InstrumentLock(std::move(instrument)), holding_(std::move(holding)) {}
    ~SimLock() override {
        const std::lock_guard<std::mutex> guard(holding_->mutex);
        holding_->held = false;
        holding_->program.clear();
    }

private:
    std::shared_ptr<Holding> holding_;
};

long ThisProcess() {
#ifdef _WIN32
    return static_cast<long>(::_getpid());
#else
    return static_cast<long>(::getpid());
#endif
}

}  // namespace

SimBus::SimBus(Instrument& instrument) {
    addInterface("ZV-318", true, &instrument);
}

void SimBus::addInterface(const std::string& product, bool openable, Instrument* instrument,
                          bool permission) {
    entries_.push_back(
        Entry{"sim:" + std::to_string(nextId_++), product, openable, permission, instrument});
}

void SimBus::clearInterfaces() {
    entries_.clear();
}

void SimBus::setPlugged(bool plugged) {
    if (*plugged_ && !plugged) ++*generation_;
    *plugged_ = plugged;
    *writesLeft_ = -1;
}

void SimBus::unplugAfter(int exchanges) {
    *writesLeft_ = exchanges < 0 ? 0 : exchanges;
}

std::vector<InterfaceInfo> SimBus::enumerate() {
    std::vector<InterfaceInfo> list;
    if (!*plugged_) return list;
    for (const Entry& e : entries_) list.push_back({e.path, e.product});
    return list;
}

OpenResult SimBus::open(const std::string& path) {
    OpenResult result;
    result.error = OpenError::NotFound;
    if (!*plugged_) return result;
    for (const Entry& e : entries_) {
        if (e.path != path) continue;
        if (!e.openable) {
            result.error = e.permission ? OpenError::PermissionDenied : OpenError::Other;
            return result;
        }
        result.transport = std::make_unique<SimTransport>(e.product, e.instrument, plugged_,
                                                          writesLeft_, openCount_, generation_);
        result.error = OpenError::None;
        return result;
    }
    return result;
}

std::string SimBus::lockName(const std::string& path) {
    for (const Entry& e : entries_)
        if (e.path == path && e.instrument) return path;
    return {};
}

LockAttempt SimBus::takeLock(const std::string& path, const std::string& program, int waitMs) {
    LockAttempt attempt;
    attempt.target = path;
    Instrument* instrument = nullptr;
    for (const Entry& e : entries_)
        if (e.path == path) instrument = e.instrument;
    if (!instrument) return attempt;  // an interface that never answers: nothing to hold
    const std::shared_ptr<Holding> holding = instrument->holding.state;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        {
            const std::lock_guard<std::mutex> guard(holding->mutex);
            if (!holding->held) {
                holding->held = true;
                holding->program = program;
                attempt.lock = std::make_unique<SimLock>(path, holding);
                return attempt;
            }
            attempt.holder = {holding->program, ThisProcess()};
        }
        if (std::chrono::steady_clock::now() >= until) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    attempt.outcome = LockOutcome::Busy;
    return attempt;
}

}  // namespace zv318::sim
