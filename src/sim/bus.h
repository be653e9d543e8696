#pragma once
// The in-process bus: the simulated instrument as the HID interfaces a PC would list.

#include <memory>
#include <string>
#include <vector>

#include "link/transport.h"
#include "sim/instrument.h"

namespace zv318::sim {

class SimBus : public Bus {
public:
    // One interface named "ZV-318" serving `instrument` (which outlives the bus).
    explicit SimBus(Instrument& instrument);

    // Further interfaces, listed in the order added (before or after the instrument's own).
    // `instrument` may be null for interfaces that never answer. `openable` false: the
    // interface is listed but cannot be opened (`permission`: for lack of permission).
    void addInterface(const std::string& product, bool openable = true,
                      Instrument* instrument = nullptr, bool permission = false);
    void clearInterfaces();  // nothing listed: the instrument is absent

    // Plugged or not: an unplugged bus lists nothing and its open transports fail.
    void setPlugged(bool plugged);
    [[nodiscard]] bool plugged() const { return *plugged_; }
    // Unplug after this many further exchanges (writes) through any transport.
    void unplugAfter(int exchanges);

    [[nodiscard]] int openCount() const { return *openCount_; }  // transports open now

    std::vector<InterfaceInfo> enumerate() override;
    OpenResult open(const std::string& path) override;
    // The simulated instrument is held as the real one is: by one program at a time (two links
    // or two tests on one instrument exclude each other), yet only that instrument.
    std::string lockName(const std::string& path) override;
    LockAttempt takeLock(const std::string& path, const std::string& program,
                         int waitMs) override;

private:
    struct Entry {
        std::string path, product;
        bool openable;
        bool permission;
        Instrument* instrument;
    };
    std::vector<Entry> entries_;
    std::shared_ptr<bool> plugged_ = std::make_shared<bool>(true);
    std::shared_ptr<int> writesLeft_ = std::make_shared<int>(-1);  // -1: no limit
    std::shared_ptr<int> openCount_ = std::make_shared<int>(0);
    // Bumped by every unplugging: a transport opened before it stays dead after replugging.
    std::shared_ptr<int> generation_ = std::make_shared<int>(0);
    int nextId_ = 0;
};

}  // namespace zv318::sim
