#pragma once
// The real instrument, through hidapi.

#include "link/transport.h"

namespace zv318 {

class HidBus : public Bus {
public:
    HidBus();
    ~HidBus() override;
    HidBus(const HidBus&) = delete;
    HidBus& operator=(const HidBus&) = delete;

    [[nodiscard]] std::vector<InterfaceInfo> enumerate() override;
    [[nodiscard]] OpenResult open(const std::string& path) override;
    // The interface's node itself (on Linux /dev/hidrawN, which the udev rule gives to the
    // person at the desk; on Windows its device path).
    [[nodiscard]] std::string lockName(const std::string& path) override;
    [[nodiscard]] LockAttempt takeLock(const std::string& path, const std::string& program,
                                       int waitMs) override;
};

}  // namespace zv318
