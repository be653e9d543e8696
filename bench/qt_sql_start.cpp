// The least a Qt SQL program costs as a whole process: Qt Core and Qt SQL loaded, the SQLite
// driver found, one file opened and the statements given run, their rows written out. Beside
// the sqlite3 tool running the same statements it shows how much of a zv318ctl archive
// command's time is the libraries' start, which no work of the program's own can take away.
//
//   qt_sql_start FILE "SELECT ...; SELECT ..."

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: qt_sql_start FILE \"SQL; SQL...\"\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(QString::fromLocal8Bit(argv[1]));
        if (!db.open()) return 1;
        for (const QString& sql : QString::fromUtf8(argv[2]).split(';', Qt::SkipEmptyParts)) {
            if (sql.trimmed().isEmpty()) continue;
            QSqlQuery q(db);
            if (!q.exec(sql)) {
                status = 1;
                continue;
            }
            while (q.next()) {
                const QSqlRecord row = q.record();
                for (int c = 0; c < row.count(); ++c)
                    std::printf(c ? "|%s" : "%s", q.value(c).toString().toUtf8().constData());
                std::putchar('\n');
            }
        }
    }
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    return status;
}
