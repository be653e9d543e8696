#pragma once
// A database of the test's own on the throwaway PostgreSQL cluster scripts/test starts (its
// socket folder in ZV318_TEST_POSTGRES), made and dropped by the cluster's superuser.

#include <unistd.h>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "archive/archive.h"

namespace zv318::testing {

inline std::string SocketFolder() {
    const char* dir = std::getenv("ZV318_TEST_POSTGRES");
    return dir ? dir : "";
}

inline std::string Encoded(const std::string& path) {
    std::string out;
    for (char ch : path) out += ch == '/' ? std::string("%2F") : std::string(1, ch);
    return out;
}

// A database of its own on the throwaway cluster, dropped at the end.
class ServerDatabase {
public:
    ServerDatabase() {
        static int serial = 0;
        name_ = "zv318_t" + std::to_string(getpid()) + "_" + std::to_string(++serial);
        admin("postgres", "CREATE DATABASE " + name_);
    }
    ~ServerDatabase() { admin("postgres", "DROP DATABASE " + name_ + " WITH (FORCE)"); }
    // Runs statements as the cluster's superuser; the first error, empty when none.
    std::string admin(const std::string& database, const std::string& sql) const {
        std::string error;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "zv318-test-admin");
            db.setHostName(QString::fromStdString(SocketFolder()));
            db.setUserName("zv318");
            db.setDatabaseName(QString::fromStdString(database));
            if (!db.open()) error = db.lastError().text().toStdString();
            QSqlQuery q(db);
            (void)q.exec("SET client_min_messages = warning");
            if (error.empty() && !q.exec(QString::fromStdString(sql)))
                error = q.lastError().text().toStdString();
        }
        QSqlDatabase::removeDatabase("zv318-test-admin");
        return error;
    }
    std::string run(const std::string& sql) const { return admin(name_, sql); }
    // A role that logs in with `password` (members of zv318_password must give one: the
    // throwaway cluster's rule) and has `rights` ("SELECT", "SELECT, INSERT") on the tables;
    // the server's error, empty when made.
    std::string passwordRole(const std::string& role, const std::string& password,
                             const std::string& rights) const {
        (void)run("CREATE ROLE zv318_password NOLOGIN");
        return run("CREATE ROLE " + role + " LOGIN PASSWORD '" + password +
                   "' IN ROLE zv318_password; GRANT " + rights +
                   " ON ALL TABLES IN SCHEMA public TO " + role);
    }
    const std::string& name() const { return name_; }
    // The server's own count, not the program's.
    int count(const std::string& table) const {
        int n = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "zv318-test-count");
            db.setHostName(QString::fromStdString(SocketFolder()));
            db.setUserName("zv318");
            db.setDatabaseName(QString::fromStdString(name_));
            QSqlQuery q(db);
            if (db.open() && q.exec(QString::fromStdString("SELECT COUNT(*) FROM " + table)) &&
                q.next())
                n = q.value(0).toInt();
        }
        QSqlDatabase::removeDatabase("zv318-test-count");
        return n;
    }
    ArchiveLocation location(const std::filesystem::path& userFolder,
                             const std::string& user = "zv318",
                             const std::string& folder = SocketFolder()) const {
        return ArchiveLocationFor("postgresql://" + user + "@" + Encoded(folder) + "/" + name_,
                                  userFolder);
    }
    ArchiveLocation initialised(const std::filesystem::path& userFolder) const {
        Archive owner;
        EXPECT_EQ(owner.Open(location(userFolder), Archive::Schema::Create), Archive::State::Ready)
            << owner.detail();
        return location(userFolder);
    }

private:
    std::string name_;
};

#define NEEDS_SERVER()                                                                 \
    if (SocketFolder().empty())                                                        \
    GTEST_SKIP() << "no PostgreSQL server for the test run (scripts/test starts one; " \
                    "ZV318_TEST_POSTGRES names its socket folder)"

}  // namespace zv318::testing
