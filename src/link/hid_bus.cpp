#include "link/hid_bus.h"

#include <hidapi.h>

#include <algorithm>
#include <cerrno>
#include <cwchar>
#include <set>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace zv318 {

namespace {

std::string Utf8FromWide(const wchar_t* text) {
    std::string out;
    if (!text) return out;
    for (; *text; ++text) {
        auto c = static_cast<char32_t>(*text);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

class HidTransport : public Transport {
public:
    explicit HidTransport(hid_device* device) : device_(device) {}
    ~HidTransport() override { hid_close(device_); }

    bool write(const Report& report) override {
        int written = hid_write(device_, report.data(), report.size());
#if defined(_WIN32) || defined(ZV318_HID_WRITE_SUCCESS_QUIRK)
        // hidapi on Windows may report -1 for a write that went through ("Success").
        if (written < 0) {
            const wchar_t* error = hid_error(device_);
            if (error && std::wcscmp(error, L"Success") == 0) return true;
        }
#endif
        return written == static_cast<int>(report.size());
    }

    std::optional<Report> read(int timeoutMs) override {
        // hidapi hands back the 64 data bytes without the report ID: put the 0 in front.
        Report in{};
        int got = hid_read_timeout(device_, in.data() + 1, in.size() - 1, timeoutMs);
        if (got <= 0) return std::nullopt;
        in[0] = 0;
        return in;
    }

    std::optional<std::string> productString() override {
        wchar_t buffer[50] = {};
        if (hid_get_product_string(device_, buffer, 50) != 0) return std::nullopt;
        return Utf8FromWide(buffer);
    }

private:
    hid_device* device_;
};

}  // namespace

HidBus::HidBus() {
    hid_init();
}

HidBus::~HidBus() {
    hid_exit();
}

std::vector<InterfaceInfo> HidBus::enumerate() {
    std::vector<InterfaceInfo> list;
    std::set<std::string> seen;  // one device may be listed several times
    hid_device_info* all = hid_enumerate(0, 0);
    for (hid_device_info* d = all; d; d = d->next) {
        if (!d->path || !seen.insert(d->path).second) continue;
        list.push_back({d->path, Utf8FromWide(d->product_string)});
    }
    hid_free_enumeration(all);
    return list;
}

OpenResult HidBus::open(const std::string& path) {
    errno = 0;
    hid_device* device = hid_open_path(path.c_str());
    if (device) return {std::make_unique<HidTransport>(device), OpenError::None};
    int error = errno;
#if defined(__unix__) || defined(__APPLE__)
    if (error != EACCES && error != EPERM && access(path.c_str(), R_OK | W_OK) != 0) error = errno;
#endif
    if (error == EACCES || error == EPERM) return {nullptr, OpenError::PermissionDenied};
    if (error == ENOENT) return {nullptr, OpenError::NotFound};
    return {nullptr, OpenError::Other};
}

#if defined(__linux__) || defined(_WIN32)
std::string HidBus::lockName(const std::string& path) {
    return path;
}

LockAttempt HidBus::takeLock(const std::string& path, const std::string&, int waitMs) {
    return TakeNodeLock(path, LockNode::Device, waitMs);
}
#else
// The interface's path names no node a descriptor can be opened on: nothing to lock.
std::string HidBus::lockName(const std::string&) {
    return {};
}

LockAttempt HidBus::takeLock(const std::string&, const std::string&, int) {
    return {};
}
#endif

}  // namespace zv318
