#pragma once
// The PC's local time now, on every platform.

#include <ctime>

namespace zv318 {

[[nodiscard]] inline std::tm LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
}

}  // namespace zv318
