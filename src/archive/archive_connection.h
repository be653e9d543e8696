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
#include <string>

namespace zv318 {

struct Dialect {
    const char* idColumn;     // the loggers' own key, numbered by the database
    const char* bytesType;    // the file's bytes
    const char* recordsEnd;   // after the records table's columns
    const char* beginWrite;   // a transaction that takes the write lock at once
    const char* schemaLock;   // run first in a migration's transaction (nothing: none needed)
    const char* readVersion;  // the schema's version, one row
    const char* setVersion;   // %1: the new version
};
inline constexpr Dialect kSqlite{"id INTEGER PRIMARY KEY", "BLOB", " WITHOUT ROWID",
                                 "BEGIN IMMEDIATE", nullptr, "PRAGMA user_version",
                                 "PRAGMA user_version = %1"};
// The server keeps the version in a one-row table; concurrent migrations wait on a lock of
// the transaction's own, so that two `archive init` never both create the tables.
inline constexpr Dialect kPostgreSql{
    "id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY", "BYTEA", "", "BEGIN",
    "SELECT pg_advisory_xact_lock(3180026)",
    "SELECT COALESCE((SELECT version FROM archive_schema), 0)",
    "UPDATE archive_schema SET version = %1"};

struct ArchiveConnection {
    explicit ArchiveConnection(const QString& driver) {
        static std::atomic<int> serial{0};
        name = "zv318-archive-" + std::to_string(++serial);
        db = QSqlDatabase::addDatabase(driver, QString::fromStdString(name));
    }
    ~ArchiveConnection() {
        statements.clear();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QString::fromStdString(name));
    }
    ArchiveConnection(const ArchiveConnection&) = delete;
    ArchiveConnection& operator=(const ArchiveConnection&) = delete;

    // Keeps a failure's words, and whether SQLite said the file is damaged (SQLITE_CORRUPT,
    // SQLITE_NOTADB).
    void note(const QSqlError& e) {
        error = e.text().toStdString();
        const QString code = e.nativeErrorCode();
        damaged = damaged || (dialect == &kSqlite && (code == "11" || code == "26"));
    }
    // One statement run at once; false after a failure (error says it).
    bool run(const QString& sql) {
        QSqlQuery q(db);
        if (!q.exec(sql)) {
            note(q.lastError());
            return false;
        }
        return true;
    }
    bool exec(QSqlQuery& q) {
        if (!q.exec()) {
            note(q.lastError());
            return false;
        }
        return true;
    }
    QSqlQuery prepared(const QString& sql) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.prepare(sql)) error = q.lastError().text().toStdString();
        return q;
    }
    // The same statement prepared once for the connection's life (each keep runs the same few).
    QSqlQuery& statement(const QString& sql) {
        auto it = statements.find(sql);
        if (it == statements.end()) it = statements.emplace(sql, prepared(sql)).first;
        return it->second;
    }
    bool begin() { return run(dialect->beginWrite); }
    bool commit() { return run("COMMIT"); }
    void rollback() { (void)run("ROLLBACK"); }

    std::string name;
    QSqlDatabase db;
    std::map<QString, QSqlQuery> statements;
    const Dialect* dialect = &kSqlite;
    std::string error;
    bool damaged = false;
};

}  // namespace zv318
