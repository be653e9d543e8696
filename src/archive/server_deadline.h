#pragma once
// A bound of the program's own on each exchange with the team archive's server. The server's
// statement time-out cannot fire when the server, or the network to it, is what stopped
// answering, and TCP keepalives do not fire while a proxy or the peer's kernel still
// acknowledges: a statement that is not answered by its deadline has its connection's socket
// shut down, so that the driver's wait ends at once with a lost connection. Nothing is closed
// under the driver (the descriptor stays its own); the connection is of no further use.

#include <QSqlDatabase>
#include <memory>

namespace zv318 {

class ServerDeadline {
public:
    // The bound on one statement: the server's own time-out (the statement_timeout asked in
    // the connection's options) fires first when the server still answers.
    static constexpr int kStatementMs = 20000;

    // `db`: an open connection of Qt's PostgreSQL driver (anything else is never cut).
    explicit ServerDeadline(const QSqlDatabase& db);
    ~ServerDeadline();
    ServerDeadline(const ServerDeadline&) = delete;
    ServerDeadline& operator=(const ServerDeadline&) = delete;

    // From now on the connection is cut when it is still armed after `ms`.
    void arm(int ms = kStatementMs);
    void disarm();
    // Cuts every connection to a server now, from any thread: the program is ending, and
    // what waits on a server is given up (what it had not sent stays pending).
    static void CutAll();
    // The connection was cut by its deadline (or cutNow).
    [[nodiscard]] bool cut() const;

    struct Watch;

private:
    std::shared_ptr<Watch> watch_;
};

}  // namespace zv318
