#include "link/trace.h"

#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zv318 {

namespace {

// The text a report carries, when it is one: out, a command from byte 3 up to its carriage
// return; in, the reply from byte 5. Only printable text is shown.
std::string CarriedText(TraceDirection direction, const Report& report) {
    std::size_t from = 5;
    if (direction == TraceDirection::Out) {
        // Text commands have byte 1 = 3 and begin with "*"; loader and firmware-record
        // reports carry binary data.
        if (report[1] != 3 || report[3] != '*') return {};
        from = 3;
    }
    std::string text;
    for (std::size_t i = from; i < report.size(); ++i) {
        const char c = static_cast<char>(report[i]);
        if (c == '\r' || c == '\0') break;
        if (c < 0x20 || c > 0x7E) return {};
        text.push_back(c);
    }
    return text;
}

}  // namespace

std::string TraceLine(std::int64_t microseconds, TraceDirection direction, const Report& report) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string line = std::to_string(microseconds);
    line += direction == TraceDirection::Out ? " OUT " : " IN  ";
    for (std::uint8_t b : report) {
        line.push_back(kHex[b >> 4]);
        line.push_back(kHex[b & 0x0F]);
    }
    std::string text = CarriedText(direction, report);
    if (!text.empty()) {
        line.push_back(' ');
        line += text;
    }
    return line;
}

Tracer::Tracer(std::size_t memoryReports)
    : start_(std::chrono::steady_clock::now()), memoryReports_(memoryReports) {}

Tracer::~Tracer() { closeFile(); }

void Tracer::closeFile() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

bool Tracer::appendTo(const std::filesystem::path& file) {
#ifdef _WIN32
    std::FILE* f = _wfopen(file.c_str(), L"ab");
    if (!f) return false;
#else
    // Without a reader a FIFO's open would wait for ever: not here. What opened is judged on
    // the open file, so nothing put in its place meanwhile is written to.
    const int fd = ::open(file.c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "ab");
    if (!f) {
        ::close(fd);
        return false;
    }
#endif
    closeFile();
    file_ = f;
    return true;
}

void Tracer::record(TraceDirection direction, const Report& report) {
    const auto now = std::chrono::steady_clock::now();
    const std::int64_t us =
        std::chrono::duration_cast<std::chrono::microseconds>(now - start_).count();
    if (memoryReports_ > 0) {
        if (memory_.size() == memoryReports_) memory_.pop_front();
        memory_.push_back({us, direction, report});
    }
    if (file_) {
        std::string line = TraceLine(us, direction, report);
        line += "\r\n";
        // A trace is read after something went wrong: each line goes to disk at once.
        const bool written = std::fwrite(line.data(), 1, line.size(), file_) == line.size() &&
                             std::fflush(file_) == 0;
        if (!written) {
            // Said once; the command goes on with the trace in memory.
            closeFile();
            if (onFileLost_) onFileLost_();
        }
    }
}

std::vector<std::string> Tracer::lines() const {
    std::vector<std::string> out;
    out.reserve(memory_.size());
    for (const Entry& e : memory_) out.push_back(TraceLine(e.microseconds, e.direction, e.report));
    return out;
}

namespace {

class TracingTransport : public Transport {
public:
    TracingTransport(std::unique_ptr<Transport> inner, Tracer& tracer)
        : inner_(std::move(inner)), tracer_(tracer) {}
    bool write(const Report& report) override {
        const bool written = inner_->write(report);
        if (written) tracer_.record(TraceDirection::Out, report);
        return written;
    }
    std::optional<Report> read(int timeoutMs) override {
        std::optional<Report> in = inner_->read(timeoutMs);
        if (in) tracer_.record(TraceDirection::In, *in);
        return in;
    }
    std::optional<std::string> productString() override { return inner_->productString(); }

private:
    std::unique_ptr<Transport> inner_;
    Tracer& tracer_;
};

}  // namespace

OpenResult TracingBus::open(const std::string& path) {
    OpenResult opened = inner_.open(path);
    if (opened.transport)
        opened.transport = std::make_unique<TracingTransport>(std::move(opened.transport), tracer_);
    return opened;
}

}  // namespace zv318
