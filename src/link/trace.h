#pragma once
// The protocol trace: every report that crosses between the PC and the instrument, one line
// each, for whoever supports a technician when something fails in the field. A trace goes to
// a file as it happens (appended, CR LF) and/or keeps the last reports in memory to be saved
// on demand. Nothing here runs unless a bus is wrapped in a TracingBus.
//
// Line layout: microseconds since the trace started (a monotonic clock), the direction ("OUT"
// from the PC to the instrument, "IN" back), the 65 bytes in hex, and for text reports the
// text they carry (`*?CF03007` out, the reply text in).

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "link/report.h"
#include "link/transport.h"

namespace zv318 {

enum class TraceDirection { Out, In };

inline constexpr std::size_t kTraceMemoryReports = 10000;
inline constexpr const char* kTraceVariable = "ZV318_TRACE";

// One trace line (without line end).
[[nodiscard]] std::string TraceLine(std::int64_t microseconds, TraceDirection direction,
                                    const Report& report);

class Tracer {
public:
    // `memoryReports`: how many of the last reports to keep for Save (0: none).
    explicit Tracer(std::size_t memoryReports = kTraceMemoryReports);
    ~Tracer();
    Tracer(const Tracer&) = delete;
    Tracer& operator=(const Tracer&) = delete;

    // Appends every report from now on to `file`; false when it cannot be opened or, once
    // open, is no regular file (a FIFO, a device: the open never waits for a reader).
    [[nodiscard]] bool appendTo(const std::filesystem::path& file);
    // Told once, on the thread that traced, when a write to the file fails (a full disk, a
    // file size limit): the file is closed, and the reports go on in memory only.
    void onFileLost(std::function<void()> told) { onFileLost_ = std::move(told); }
    // Stops appending to the file (the reports in memory go on).
    void closeFile();
    void record(TraceDirection direction, const Report& report);
    // The reports kept in memory, oldest first, as trace lines.
    [[nodiscard]] std::vector<std::string> lines() const;

private:
    struct Entry {
        std::int64_t microseconds;
        TraceDirection direction;
        Report report;
    };
    std::chrono::steady_clock::time_point start_;
    std::size_t memoryReports_;
    std::deque<Entry> memory_;
    std::FILE* file_ = nullptr;
    std::function<void()> onFileLost_;
};

// A bus whose opened interfaces report every write and read to a Tracer.
class TracingBus : public Bus {
public:
    TracingBus(Bus& inner, Tracer& tracer) : inner_(inner), tracer_(tracer) {}
    [[nodiscard]] std::vector<InterfaceInfo> enumerate() override { return inner_.enumerate(); }
    [[nodiscard]] OpenResult open(const std::string& path) override;
    [[nodiscard]] std::string lockName(const std::string& path) override {
        return inner_.lockName(path);
    }
    [[nodiscard]] LockAttempt takeLock(const std::string& path, const std::string& program,
                                       int waitMs) override {
        return inner_.takeLock(path, program, waitMs);
    }

private:
    Bus& inner_;
    Tracer& tracer_;
};

}  // namespace zv318
