#pragma once
// The socket-folder bus: every Unix socket in one folder stands for one HID interface, listed
// in the order of the socket names. Any instrument emulator can serve one.
//
// Protocol (SOCK_SEQPACKET): after connecting, the peer first sends one message holding the
// interface's product string (UTF-8, at most 64 bytes); from then on every message is one
// 65-byte report, byte 0 being the report ID, in either direction. A peer that closes the
// connection is an unplugged interface.

#include <optional>
#include <string>

#include "link/link.h"
#include "link/transport.h"

namespace zv318 {

inline constexpr const char* kSocketFolderVariable = "ZV318_HID_SOCKETS";
inline constexpr std::size_t kMaxProductBytes = 64;

class SocketBus : public Bus {
public:
    // `productTimeoutMs`: how long an open waits for the peer's product message.
    explicit SocketBus(std::string folder, int productTimeoutMs = TimeoutFromEnvironment());

    [[nodiscard]] const std::string& folder() const { return folder_; }

    // The sockets in the folder, sorted by name. The product string is known only after
    // opening, so the listing leaves it empty.
    [[nodiscard]] std::vector<InterfaceInfo> enumerate() override;
    // NotFound for a missing socket or one nobody listens on; PermissionDenied when the
    // socket may not be connected to.
    [[nodiscard]] OpenResult open(const std::string& path) override;
    // A socket cannot be opened as a file, so the folder that lists it is locked: whoever may
    // not read the folder cannot find the instrument in it either. Named with every link
    // resolved: one folder, one lock, however it is reached.
    [[nodiscard]] std::string lockName(const std::string& path) override;
    [[nodiscard]] LockAttempt takeLock(const std::string& path, const std::string& program,
                                       int waitMs) override;

private:
    std::string folder_;
    int productTimeoutMs_;
};

// The folder named by ZV318_HID_SOCKETS, or nothing when it is unset or empty.
[[nodiscard]] std::optional<std::string> SocketFolderFromEnvironment();

}  // namespace zv318
