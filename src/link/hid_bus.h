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
};

}  // namespace zv318
