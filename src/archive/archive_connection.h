#pragma once
// Inside the archive: one Qt SQL connection and what differs between the two databases the
// archive runs on. The rest of the SQL is written so that SQLite and PostgreSQL both take it
// (RETURNING, ON CONFLICT … DO NOTHING, "?" parameters).

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <atomic>
#include <map>
#include <set>
#include <memory>
#include <string>

#include "archive/server_deadline.h"

namespace zv318 {

struct Dialect {
    const char* idColumn;     // the loggers' own key, numbered by the database
    const char* bytesType;    // the file's bytes
    const char* recordsEnd;   // after the records table's columns
    const char* beginWrite;   // a transaction that takes the write lock at once
    const char* schemaLock;   // run first in a migration's transaction (nothing: none needed)
    const char* readVersion;  // the schema's version, one row
    const char* setVersion;   // %1: the new version
    const char* markApplication;  // %1: the program's application id (nothing: none kept)
};
inline constexpr Dialect kSqlite{"id INTEGER PRIMARY KEY", "BLOB", " WITHOUT ROWID",
                                 "BEGIN IMMEDIATE", nullptr, "PRAGMA user_version",
                                 "PRAGMA user_version = %1", "PRAGMA application_id = %1"};
// The server keeps the version in a one-row table; concurrent migrations wait on a lock of
// the transaction's own, so that two `archive init` never both create the tables.
inline constexpr Dialect kPostgreSql{
    "id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY", "BYTEA", "", "BEGIN",
    "SELECT pg_advisory_xact_lock(3180026)",
    "SELECT COALESCE((SELECT version FROM archive_schema), 0)",
    "UPDATE archive_schema SET version = %1", nullptr};

struct ArchiveConnection {
    explicit ArchiveConnection(const QString& driver)
        : name(NextName()), db(QSqlDatabase::addDatabase(driver, QString::fromStdString(name))) {}
    ~ArchiveConnection() {
        deadline.reset();  // before the socket it watches is closed
        statements.clear();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QString::fromStdString(name));
    }
    ArchiveConnection(const ArchiveConnection&) = delete;
    ArchiveConnection& operator=(const ArchiveConnection&) = delete;

    // What failed, in the database's own words (the server's message, not Qt's wrapping of
    // it), its SQLSTATE on a server, and whether SQLite said the file is damaged
    // (SQLITE_CORRUPT, SQLITE_NOTADB).
    void failed(const QSqlError& e) {
        const QString own = e.databaseText().trimmed();
        error = (own.isEmpty() ? e.text() : own).toStdString();
        if (deadline && deadline->cut())
            error = "no answer from the server within " +
                    std::to_string(ServerDeadline::kStatementMs / 1000) + " s (" + error + ")";
        sqlState = e.nativeErrorCode().toStdString();
        // SQLITE_FULL, or PostgreSQL's disk_full: every later write fails alike.
        diskFull = diskFull || sqlState == "13" || sqlState == "53100" ||
                   e.text().contains(QLatin1String("disk is full"));
        damaged = damaged || (dialect == &kSqlite && (sqlState == "11" || sqlState == "26"));
    }
    // One statement run at once; false after a failure (error says it).
    bool run(const QString& sql) {
        QSqlQuery q(db);
        const Exchange bounded(*this);
        if (!q.exec(sql)) {
            failed(q.lastError());
            return false;
        }
        return true;
    }
    bool exec(QSqlQuery& q) {
        // A statement the database did not prepare is not run: Qt would send it without its
        // name and report its own syntax error instead of the database's reason (kept).
        if (unprepared.contains(q.lastQuery().trimmed())) return false;
        const Exchange bounded(*this);
        if (!q.exec()) {
            failed(q.lastError());
            return false;
        }
        return true;
    }
    QSqlQuery prepared(const QString& sql) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        const Exchange bounded(*this);
        if (q.prepare(sql)) {
            unprepared.erase(sql.trimmed());
        } else {
            failed(q.lastError());
            unprepared.insert(sql.trimmed());
        }
        return q;
    }
    // The same statement prepared once for the connection's life (each keep runs the same few);
    // one the database refused is prepared again at its next use.
    QSqlQuery& statement(const QString& sql) {
        auto it = statements.find(sql);
        if (it != statements.end() && unprepared.contains(sql.trimmed())) {
            statements.erase(it);
            it = statements.end();
        }
        if (it == statements.end()) it = statements.emplace(sql, prepared(sql)).first;
        return it->second;
    }
    bool begin() { return run(dialect->beginWrite); }
    bool commit() { return run("COMMIT"); }
    // The failure that made the rollback needed stays the one told: a rollback after a failed
    // commit finds no transaction, and that is no news.
    void rollback() {
        const std::string why = error, state = sqlState;
        (void)run("ROLLBACK");
        error = why;
        sqlState = state;
    }

    // A stretch of exchanges with a server, each bounded by the deadline, and the rows
    // fetched after them too while it lasts (the driver may fetch them as they are read).
    struct Exchange {
        explicit Exchange(ArchiveConnection& c) : c(c) {
            ++c.exchanges;
            if (c.deadline) c.deadline->arm();
        }
        ~Exchange() {
            if (--c.exchanges == 0 && c.deadline) c.deadline->disarm();
        }
        Exchange(const Exchange&) = delete;
        Exchange& operator=(const Exchange&) = delete;
        ArchiveConnection& c;
    };

    // Qt names each connection; a name is never used twice in a process.
    static std::string NextName() {
        static std::atomic<int> serial{0};
        return "zv318-archive-" + std::to_string(++serial);
    }

    std::string name;  // before db, which is made under this name
    QSqlDatabase db;
    std::map<QString, QSqlQuery> statements;
    std::set<QString> unprepared;  // the statements the database refused to prepare
    const Dialect* dialect = &kSqlite;
    std::string error;
    std::string sqlState;
    bool diskFull = false;  // a statement failed because the disk is full
    bool damaged = false;
    // On a server: the program's own bound on each exchange (nothing for SQLite).
    std::unique_ptr<ServerDeadline> deadline;
    int exchanges = 0;
};

}  // namespace zv318
