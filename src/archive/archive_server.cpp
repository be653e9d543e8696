#include "archive/archive_server.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <chrono>
#include <filesystem>

#include "archive/archive_connection.h"
#include "archive/server_deadline.h"
#include "archive/server_password.h"
#include "texts/fields.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

// A value libpq reads whole inside quotes and Qt passes on unchanged (Qt turns ';' into a
// blank between settings).
bool PlainValue(const std::string& v) {
    for (char ch : v)
        if (ch == ';' || ch == '\'' || ch == '\\' || static_cast<unsigned char>(ch) < 0x20)
            return false;
    return true;
}

// The characters of an address that would change its meaning, written %XX when shown.
std::string Encoded(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : text) {
        if (ch == '/' || ch == '@' || ch == ':' || ch == '?' || ch == '&' || ch == '%' ||
            ch == '=') {
            out += '%';
            out += hex[static_cast<unsigned char>(ch) >> 4];
            out += hex[static_cast<unsigned char>(ch) & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

bool IsKey(const std::string& k) {
    return !k.empty() && k.find_first_not_of("abcdefghijklmnopqrstuvwxyz_") == std::string::npos;
}

constexpr int kConnectTimeoutSeconds = 10;
// The server ends a statement itself before the program's own bound cuts the connection.
constexpr int kStatementTimeoutMs = 15000;
static_assert(kStatementTimeoutMs < ServerDeadline::kStatementMs);
// A network that swallows what is sent (TCP_USER_TIMEOUT) or a peer gone quiet (keepalives)
// ends the connection within these.
constexpr int kTcpUserTimeoutMs = 15000;
constexpr int kKeepaliveIdleSeconds = 10, kKeepaliveIntervalSeconds = 3, kKeepaliveCount = 3;
constexpr char kUndefinedTable[] = "42P01";
constexpr char kInsufficientPrivilege[] = "42501";

// Whether the server itself answered the connection and refused it: libpq relays the server's
// message as "SEVERITY:  text" (two blanks, whatever the language), a server it could not reach
// leaves no such part. A server starting, stopping or full answers only for the moment: away.
// A server that asks for a password the program does not have is libpq's own word, and a
// refusal all the same: it will ask again until the password is set.
bool ServerRefused(const std::string& why) {
    if (why.find("no password supplied") != std::string::npos) return true;
    if (why.find(":  ") == std::string::npos) return false;
    for (const char* passing : {"starting up", "shutting down", "in recovery", "too many clients",
                                "remaining connection slots", "not yet accepting connections"})
        if (why.find(passing) != std::string::npos) return false;
    return true;
}

// What the server refuses, in the words a technician acts on, and whom it concerns (the user,
// or the database when it does not exist).
struct Refusal {
    int message = kMessageArchiveRefused;
    std::string subject;
};
Refusal RefusalOf(const std::string& why, const ServerAddress& address) {
    const auto has = [&why](const char* part) { return why.find(part) != std::string::npos; };
    const std::string user = address.user.empty() ? "?" : address.user;
    if (has("no password supplied")) return {kMessageArchiveNoPassword, user};
    if (has("password authentication failed")) return {kMessageArchivePasswordRefused, user};
    if (has("database \"") && has("does not exist"))
        return {kMessageArchiveNoSuchDatabase, address.database};
    if (has("role \"") && has("does not exist")) return {kMessageArchiveNoSuchUser, user};
    if (has("permission denied") || has("not permitted")) return {kMessageArchiveNoRights, user};
    return {kMessageArchiveRefused, user};
}

// The address's own connection time-out, never longer than the program's (0 would wait for
// ever, as would a value libpq cannot read).
std::string ConnectTimeout(const std::string& value) {
    const std::int64_t seconds = DigitsField(value, 999).value_or(0);
    return std::to_string(
        seconds >= 1 && seconds <= kConnectTimeoutSeconds ? seconds : kConnectTimeoutSeconds);
}

}  // namespace

ServerAddress ParseServerAddress(const std::string& url) {
    ServerAddress a;
    const std::size_t scheme = url.find("://");
    if (scheme == std::string::npos) {
        a.problem = kMessageArchiveBadAddress;
        return a;
    }
    a.scheme = url.substr(0, scheme);
    bool password = false;
    std::string rest = url.substr(scheme + 3);
    // The user ends at the last "@": a password may hold "@", "/" or "?", a user name none of
    // them (nor the settings, where an "@" is written %40).
    if (const std::size_t at = rest.rfind('@'); at != std::string::npos) {
        std::string user = rest.substr(0, at);
        rest = rest.substr(at + 1);
        if (const std::size_t colon = user.find(':'); colon != std::string::npos) {
            password = true;
            user.resize(colon);
        }
        if (user.find("password=") != std::string::npos) password = true;
        const std::optional<std::string> u = PercentDecoded(user);
        if (!u || user.find_first_of("/?&=") != std::string::npos) {
            // Not a user name: nothing of the address can be trusted, not even for showing.
            a.problem = password ? kMessageArchivePasswordInAddress : kMessageArchiveBadAddress;
            a.unreadable = true;
            return a;
        }
        a.user = *u;
    }
    std::string query;
    if (const std::size_t mark = rest.find('?'); mark != std::string::npos) {
        query = rest.substr(mark + 1);
        rest.resize(mark);
    }
    std::string path;
    if (const std::size_t slash = rest.find('/'); slash != std::string::npos) {
        path = rest.substr(slash + 1);
        rest.resize(slash);
    }
    // host, host:port, [v6]:port
    std::string host = rest, port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos)
            a.problem = kMessageArchiveBadAddress;
        else {
            host = rest.substr(1, close - 1);
            if (close + 1 < rest.size()) {
                if (rest[close + 1] != ':') a.problem = kMessageArchiveBadAddress;
                port = rest.substr(close + 2);
            }
        }
    } else if (const std::size_t colon = rest.rfind(':'); colon != std::string::npos) {
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
    }
    const std::optional<std::string> h = PercentDecoded(host), db = PercentDecoded(path);
    if (!h || !db) a.problem = kMessageArchiveBadAddress;
    a.host = h.value_or("");
    a.database = db.value_or("");
    if (!port.empty()) {
        const std::optional<std::int64_t> number = DigitsField(port, 65535);
        if (!number || *number < 1)
            a.problem = kMessageArchiveBadAddress;
        else
            a.port = static_cast<int>(*number);
    }
    std::size_t from = 0;
    while (!query.empty() && from <= query.size()) {
        const std::size_t amp = std::min(query.find('&', from), query.size());
        const std::string pair = query.substr(from, amp - from);
        from = amp + 1;
        const std::size_t eq = pair.find('=');
        const std::string key = pair.substr(0, eq);
        const std::optional<std::string> value =
            eq == std::string::npos ? std::nullopt : PercentDecoded(pair.substr(eq + 1));
        if (key == "password" || key == "sslpassword") {
            password = true;
            continue;
        }
        if (!IsKey(key) || !value || !PlainValue(*value)) {
            if (a.problem == 0) a.problem = kMessageArchiveBadAddress;
            continue;
        }
        if (key == "host")
            a.host = *value;
        else if (key == "dbname")
            a.database = *value;
        else if (key == "user")
            a.user = *value;
        else if (key == "connect_timeout")
            a.settings.emplace_back(key, ConnectTimeout(*value));
        else
            a.settings.emplace_back(key, *value);
    }
    for (const std::string* v : {&a.host, &a.database, &a.user})
        if (!PlainValue(*v) && a.problem == 0) a.problem = kMessageArchiveBadAddress;
    if (a.database.empty() && a.problem == 0) a.problem = kMessageArchiveBadAddress;
    if (password) a.problem = kMessageArchivePasswordInAddress;
    return a;
}

std::string DescribeServerAddress(const std::string& url) {
    const ServerAddress a = ParseServerAddress(url);
    if (a.scheme.empty()) return "?";
    if (a.unreadable) return a.scheme + "://?";
    // Built from what was read, so that no password, wherever it stood, is ever shown.
    std::string out = a.scheme + "://" + (a.user.empty() ? "" : Encoded(a.user) + "@");
    out += a.host.find(':') != std::string::npos ? "[" + a.host + "]" : Encoded(a.host);
    if (a.port > 0) out += ":" + std::to_string(a.port);
    out += "/" + Encoded(a.database);
    std::string settings;
    for (const auto& [key, value] : a.settings)
        settings += (settings.empty() ? "?" : "&") + key + "=" + Encoded(value);
    return out + settings;
}

std::string ServerConnectOptions(const ServerAddress& address) {
    std::string out;
    bool timeout = false;
    for (const auto& [key, value] : address.settings) {
        if (!out.empty()) out += ';';
        out.append(key).append("='").append(value).append("'");
        timeout = timeout || key == "connect_timeout";
    }
    if (!timeout)
        out += (out.empty() ? "" : ";") + std::string("connect_timeout=") +
               std::to_string(kConnectTimeoutSeconds);
    // No statement waits for ever on a server that stopped answering: the server's own
    // time-out, the kernel's limits on the connection, and the program's own deadline
    // (ServerDeadline) for a peer that keeps the connection open and says nothing.
    out += ";options='-c statement_timeout=" + std::to_string(kStatementTimeoutMs) + "'";
    out += ";keepalives=1;keepalives_idle=" + std::to_string(kKeepaliveIdleSeconds) +
           ";keepalives_interval=" + std::to_string(kKeepaliveIntervalSeconds) +
           ";keepalives_count=" + std::to_string(kKeepaliveCount) +
           ";tcp_user_timeout=" + std::to_string(kTcpUserTimeoutMs);
    return out;
}

Archive::State Archive::OpenServer(const ArchiveLocation& where, Schema schema,
                                   Integrity integrity) {
    const ServerAddress address = ParseServerAddress(where.url);
    if (address.problem != 0) {
        notice_ = address.problem;
        return state_;
    }
    if (!QSqlDatabase::isDriverAvailable("QPSQL")) {
        notice_ = kMessageArchiveNoPsqlDriver;
        return state_;
    }
    const std::string server = detail_;
    localFile_ = where.file;
    c_ = std::make_unique<ArchiveConnection>("QPSQL");
    c_->dialect = &kPostgreSql;
    c_->db.setHostName(QString::fromStdString(address.host));
    c_->db.setDatabaseName(QString::fromStdString(address.database));
    c_->db.setUserName(QString::fromStdString(address.user));
    if (address.port > 0) c_->db.setPort(address.port);
    c_->db.setConnectOptions(QString::fromStdString(ServerConnectOptions(address)));
    // The password kept in the keyring goes to libpq as its own option (never into the
    // address, a message or the trace); without one libpq reads PGPASSWORD and ~/.pgpass.
    const KeyringAnswer kept = ReadServerPassword(PasswordEntry(address));
    if (kept.outcome == KeyringAnswer::Done)
        c_->db.setPassword(QString::fromStdString(kept.password));
    // Refused or away, the loggers go into this PC's archive, marked to be sent, and the
    // notice says why they wait; only the owner's `init` fails on it.
    const auto here = [&](int message, const std::string& subject, const std::string& why) {
        c_.reset();
        if (schema == Schema::Create) {
            notice_ = message;
            detail_ = subject + "\n" + WithDatabaseWords(server, why);
            return state_;
        }
        offline_ = true;
        refused_ = message != kMessageArchiveOffline;
        if (OpenFile(where.file, integrity) == State::Ready) {
            notice_ = message;
            detail_ = (refused_ ? subject + "\n" : std::string()) + WithDatabaseWords(server, why);
        }
        return state_;
    };
    if (!c_->db.open()) {
        c_->failed(c_->db.lastError());
        const std::string why = c_->error;
        if (ServerRefused(why)) {
            Refusal r = RefusalOf(why, address);
            // No keyring to keep the password in: the way left is ~/.pgpass.
            if (r.message == kMessageArchiveNoPassword && kept.outcome == KeyringAnswer::NoKeyring)
                r.message = kMessageArchiveNoKeyring;
            return here(r.message, r.subject, why);
        }
        if (schema == Schema::Create) {
            c_.reset();
            notice_ = kMessageArchiveUnavailable;
            detail_ = WithDatabaseWords(server, why);
            return state_;
        }
        return here(kMessageArchiveOffline, {}, why);
    }
    c_->deadline = std::make_unique<ServerDeadline>(c_->db);
    // The server's notices (a table that exists already) are not the person's business.
    (void)c_->run("SET client_min_messages = warning");
    {
        QSqlQuery q(c_->db);
        const ArchiveConnection::Exchange bounded(*c_);
        if (q.exec(kPostgreSql.readVersion) && q.next()) {
            version_ = q.value(0).toInt();
        } else {
            c_->failed(q.lastError());
            if (c_->sqlState != kUndefinedTable) {
                // The tables are there but this user may not read them (insufficient
                // privilege); else the server went quiet or the connection was lost.
                const std::string why = c_->error;
                if (c_->sqlState == kInsufficientPrivilege)
                    return here(kMessageArchiveNoRights, address.user, why);
                return here(kMessageArchiveOffline, {}, why);
            }
            version_ = 0;
        }
    }
    // Only an archive older than this program needs the owner's rights.
    if (schema == Schema::Create && version_ < kArchiveSchemaVersion) {
        if (!Migrate()) {
            notice_ = kMessageArchiveUnavailable;
            (void)Fail(server);
            c_.reset();
            return state_;
        }
    }
    detail_ = server;
    if (version_ > kArchiveSchemaVersion) {
        notice_ = kMessageArchiveNewer;
        state_ = State::ReadOnly;
    } else if (version_ < kArchiveSchemaVersion) {
        notice_ = kMessageArchiveNotInitialised;
        c_.reset();
    } else {
        state_ = State::Ready;
    }
    return state_;
}

Archive* Archive::Here() {
    if (!here_) {
        here_ = std::make_unique<Archive>();
        here_->offline_ = true;
        here_->detail_ = PathToText(localFile_);
        (void)here_->OpenFile(localFile_, Integrity::Defer);
    }
    return here_->state_ == State::Ready ? here_.get() : nullptr;
}

// This PC's archive first: each logger is kept there, marked to be sent, before the server is
// asked; the server's answer then only clears the marks. Whatever the server does (refuses,
// goes quiet, loses the connection, lacks its tables), the logger is here.
std::optional<std::vector<Archive::Kept>> Archive::KeepOnServer(
    const std::vector<ToKeep>& loggers) {
    Archive* here = Here();
    if (!here) return KeepHere(loggers);  // no place on this PC: the server alone
    std::optional<std::vector<Kept>> kept = here->KeepHere(loggers);
    if (!kept) {
        detail_ = here->detail();
        return std::nullopt;
    }
    std::vector<std::int64_t> ids;
    for (const Kept& k : *kept) ids.push_back(k.id);
    if (std::optional<std::vector<Kept>> sent = here->SendLoggers(ids, *this)) return sent;
    detail_ = here->detail();
    const int notice = c_ && c_->sqlState == kUndefinedTable ? kMessageArchiveNotInitialised
                                                             : kMessageArchiveKeptHere;
    for (Kept& k : *kept) k.notice = notice;
    return kept;
}

std::optional<Archive::Kept> Archive::MarkPending(const Kept& kept) {
    if (!offline_) return kept;
    QSqlQuery& q =
        c_->statement("INSERT INTO pending (logger_id) VALUES (?) ON CONFLICT DO NOTHING");
    q.bindValue(0, static_cast<qlonglong>(kept.id));
    if (!c_->exec(q)) return std::nullopt;
    q.finish();
    return kept;
}

std::optional<int> Archive::PendingCount() {
    if (!usable() || c_->dialect != &kSqlite)
        return usable() ? std::optional<int>(0) : std::nullopt;
    QSqlQuery q(c_->db);
    if (!q.exec("SELECT COUNT(*) FROM pending") || !q.next()) return std::nullopt;
    return q.value(0).toInt();
}

// Read here, sent, then unmarked here in a short transaction of its own: no lock of this PC's
// archive is held while the server is asked, so a logger kept here meanwhile never waits on
// the network. A send cut anywhere leaves the loggers pending; one cut after the server's
// commit sends them again, and the server skips them as duplicates.
std::optional<std::vector<Archive::Kept>> Archive::SendLoggers(const std::vector<std::int64_t>& ids,
                                                               Archive& server) {
    std::vector<QByteArray> files;
    std::vector<OpenLogger> loggers(ids.size());
    std::vector<ToKeep> batch;
    files.reserve(ids.size());
    for (std::size_t k = 0; k < ids.size(); ++k) {
        const std::int64_t id = ids[k];
        QSqlQuery& q = c_->statement(
            "SELECT l.bytes, l.slot, l.archived_at, l.name, i.serial, i.model, i.io_version, "
            "i.instrument_version FROM loggers l LEFT JOIN instruments i ON i.serial = l.serial "
            "WHERE l.id = ?");
        q.bindValue(0, static_cast<qlonglong>(id));
        const std::string unreadable =
            "pending logger " + std::to_string(id) + " cannot be read back";
        if (!c_->exec(q) || !q.next()) {
            q.finish();
            detail_ = unreadable;
            return std::nullopt;
        }
        files.push_back(q.value(0).toByteArray());
        const int slot = q.value(1).isNull() ? -1 : q.value(1).toInt();
        const std::string archivedAt = q.value(2).toString().toStdString();
        std::optional<InstrumentIdentity> instrument;
        if (!q.value(4).isNull())
            instrument = InstrumentIdentity{
                q.value(4).toString().toStdString(), q.value(5).toString().toStdString(),
                q.value(6).toString().toStdString(), q.value(7).toString().toStdString()};
        q.finish();
        const std::string_view file(files.back().constData(),
                                    static_cast<std::size_t>(files.back().size()));
        if (ParseLoggerText(std::string(file), loggers[k]) != kLoggerFileRead) {
            detail_ = unreadable;
            return std::nullopt;
        }
        batch.push_back({file, &loggers[k], instrument, slot, archivedAt});
    }
    std::optional<std::vector<Kept>> kept = server.KeepHere(batch);
    if (!kept) {
        detail_ = server.detail();
        return std::nullopt;
    }
    // The server has them: a mark left by a failure here only sends them once more.
    if (c_->begin()) {
        bool cleared = true;
        for (const std::int64_t id : ids) {
            QSqlQuery& done = c_->statement("DELETE FROM pending WHERE logger_id = ?");
            done.bindValue(0, static_cast<qlonglong>(id));
            cleared = cleared && c_->exec(done);
        }
        if (!cleared || !c_->commit()) c_->rollback();
    }
    return kept;
}

std::optional<Archive::Sent> Archive::SendPendingTo(Archive& server) {
    if (!WriteAllowed()) return std::nullopt;
    std::vector<std::int64_t> ids;
    {
        QSqlQuery q = c_->prepared("SELECT logger_id FROM pending ORDER BY logger_id");
        if (!c_->exec(q)) {
            (void)Fail("pending");
            return std::nullopt;
        }
        while (q.next()) ids.push_back(q.value(0).toLongLong());
    }
    // A few loggers a transaction on the server: its commit waits for its disk.
    Sent sent;
    for (std::size_t first = 0; first < ids.size(); first += kSendBatch) {
        const std::vector<std::int64_t> batch(
            ids.begin() + static_cast<std::ptrdiff_t>(first),
            ids.begin() + static_cast<std::ptrdiff_t>(std::min(ids.size(), first + kSendBatch)));
        const std::optional<std::vector<Kept>> kept = SendLoggers(batch, server);
        if (!kept) return std::nullopt;
        for (const Kept& k : *kept) ++(k.added ? sent.added : sent.alreadyThere);
    }
    return sent;
}

SyncResult SyncPending(const ArchiveLocation& where) {
    SyncResult r;
    if (where.kind != ArchiveLocation::PostgreSql) {
        r.notice = kMessageArchiveServerOnly;
        return r;
    }
    Archive server;
    server.Open(where);
    if (server.offline() || server.state() != Archive::State::Ready) {
        // A server that answered and refused says why: not "cannot be reached".
        r.notice = server.offline() && !server.refused() ? kMessageArchiveOffline : server.notice();
        if (r.notice == 0) r.notice = kMessageArchiveUnavailable;
        r.detail = server.detail();
        r.left = PendingLoggers(where);
        return r;
    }
    std::error_code ec;
    if (!std::filesystem::exists(where.file, ec)) return r;
    Archive local;
    if (local.Open(ArchiveLocationFor(PathToText(where.file), {})) != Archive::State::Ready) {
        r.notice = local.notice() ? local.notice() : kMessageArchiveUnavailable;
        r.detail = local.detail();
        return r;
    }
    const std::optional<Archive::Sent> sent = local.SendPendingTo(server);
    if (sent)
        r.sent = *sent;
    else {
        r.notice = kMessageArchiveNotKept;
        r.detail = local.detail();
    }
    r.left = local.PendingCount().value_or(0);
    return r;
}

int PendingLoggers(const ArchiveLocation& where) {
    std::error_code ec;
    if (where.kind != ArchiveLocation::PostgreSql || !std::filesystem::exists(where.file, ec))
        return 0;
    Archive local;
    local.Open(ArchiveLocationFor(PathToText(where.file), {}));
    return local.PendingCount().value_or(0);
}

}  // namespace zv318
