#pragma once
// The team archive on a PostgreSQL server (Qt's QPSQL driver): its address, and the loggers
// kept on this PC while the server could not be reached, sent to it later.
//
// The address is postgresql://USER@HOST[:PORT]/DBNAME[?sslmode=…&…]; HOST may be a socket
// folder written %2F… (or ?host=/folder). The password never goes in the address: it is kept in
// the system's keyring (server_password.h), else libpq finds it in PGPASSWORD, ~/.pgpass or the
// service file; the program never writes it to a file nor shows it.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive/archive.h"

namespace zv318 {

struct ServerAddress {
    std::string scheme;  // "postgresql" or "postgres"
    std::string host, database, user;
    int port = -1;  // -1: libpq's default
    // Further libpq settings of the address (sslmode, connect_timeout, …), in its order.
    std::vector<std::pair<std::string, std::string>> settings;
    // 0, or the message that tells what is wrong with the address (522, 523).
    int problem = 0;
    // Nothing of it can be shown safely (the part before the last "@" is no user name).
    bool unreadable = false;
};
// The address is split at its last "@"; a password, before it or as `password=` or
// `sslpassword=` among the settings, is refused (522); `connect_timeout` is at most 10 s.
[[nodiscard]] ServerAddress ParseServerAddress(const std::string& url);
// The address as a person may see it: rebuilt from what was read, without any password.
[[nodiscard]] std::string DescribeServerAddress(const std::string& url);
// The settings as Qt's QPSQL driver takes them ("key='value';…"), with the program's time
// limits unless the address gives its own.
[[nodiscard]] std::string ServerConnectOptions(const ServerAddress& address);

// What `archive sync` did: `notice` 0 when the server took every pending logger.
struct SyncResult {
    int notice = 0;
    std::string detail;
    Archive::Sent sent;
    int left = 0;  // still pending
};
[[nodiscard]] SyncResult SyncPending(const ArchiveLocation& where);
// The loggers of this PC's archive waiting for the team archive (0 when the archive is not on
// a server, or nothing is kept here yet).
[[nodiscard]] int PendingLoggers(const ArchiveLocation& where);

}  // namespace zv318
