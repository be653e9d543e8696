#include "archive/archive.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>
#include <QUrl>
#include <QVariant>
#include <chrono>
#include <limits>
#include <thread>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "archive/archive_connection.h"
#include "archive/archive_sessions.h"
#include "archive/archive_sql.h"
#include "archive/sqlite_locks.h"
#include "loggers/logger_csv.h"
#include "texts/qt_path.h"
#include "texts/sha256.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

using namespace archive_sql;

constexpr int kBusyTimeoutMs = 10000;

QVariant Variant(const std::optional<std::string>& v) {
    return v ? QVariant(Q(*v)) : QVariant(QMetaType(QMetaType::QString));
}
QVariant Variant(const std::optional<double>& v) {
    return v ? QVariant(*v) : QVariant(QMetaType(QMetaType::Double));
}

bool CanWrite(const std::filesystem::path& p) {
#ifdef _WIN32
    std::error_code ec;
    const auto st = std::filesystem::status(p, ec);
    return !ec &&
           (st.permissions() & std::filesystem::perms::owner_write) != std::filesystem::perms::none;
#else
    return ::access(p.c_str(), W_OK) == 0;
#endif
}

// 0 when the database is the program's archive (or empty, to be made one), else the message
// that refuses it: another program's database (its application_id, or tables of an
// unmarked file that are not the archive's), or the archive holding triggers, views or tables
// the program never makes. An archive of a newer program is left to be read as it is. Nothing
// when the schema cannot be read at all (a damaged file: told as such after).
int SchemaVerdict(QSqlQuery& q);

int ForeignSchema(const QSqlDatabase& db) {
    QSqlQuery q(db);
    // The mark, the version and the tables read as one snapshot: another program making the
    // archive at this moment commits them together, and a verdict taken across its commit
    // would call its new archive another program's file.
    if (!q.exec("BEGIN")) return SchemaVerdict(q);
    const int verdict = SchemaVerdict(q);
    q.finish();
    (void)q.exec("COMMIT");
    return verdict;
}

int SchemaVerdict(QSqlQuery& q) {
    if (!q.exec("PRAGMA application_id") || !q.next()) return 0;
    const qint64 id = q.value(0).toLongLong();
    if (!q.exec("PRAGMA user_version") || !q.next()) return 0;
    const int version = q.value(0).toInt();
    if (id != 0 && id != kArchiveApplicationId) return kMessageArchiveForeign;
    if (!q.exec("SELECT type, name FROM sqlite_master")) return 0;
    static const QStringList tables{"instruments", "loggers", "records", "pending"};
    static const QStringList indexes{"loggers_by_name", "loggers_by_time", "loggers_by_serial",
                                     "loggers_by_plan"};
    bool any = false, strange = false, others = false;
    while (q.next()) {
        const QString type = q.value(0).toString(), name = q.value(1).toString();
        any = true;
        if (name.startsWith("sqlite_")) continue;  // SQLite's own
        if ((type == "table" && !tables.contains(name)) ||
            (type == "index" && !indexes.contains(name)))
            others = true;
        else if (type == "trigger" || type == "view")
            strange = true;
    }
    if (version > kArchiveSchemaVersion) return 0;
    if (id == 0 && (others || (any && version == 0) || (!any && version != 0)))
        return kMessageArchiveForeign;
    return strange || others ? kMessageArchiveForeignObjects : 0;
}

std::string SystemNowUtc() {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
}

ArchiveClock g_clock = SystemNowUtc;

std::string NowUtc() {
    return g_clock();
}

}  // namespace

void SetArchiveClockForTesting(ArchiveClock clock) {
    g_clock = clock ? clock : SystemNowUtc;
}

std::string WithDatabaseWords(const std::string& subject, const std::string& words) {
    return words.empty() ? subject : subject + kDatabaseWordsMark + words;
}

NoticeParts ArchiveNoticeParts(const LanguageTable& table, int message, const std::string& detail) {
    NoticeParts parts;
    std::string said;
    // Each subject keeps its line; its database words go to the details, one block each.
    std::size_t at = 0;
    while (at <= detail.size()) {
        const std::size_t mark = detail.find(kDatabaseWordsMark, at);
        if (mark == std::string::npos) {
            said += detail.substr(at);
            break;
        }
        said += detail.substr(at, mark - at);
        // The words run on over the lines that continue a database's message (libpq's tab,
        // its DETAIL, HINT, LINE, CONTEXT and QUERY lines) to a subject of its own.
        const auto continues = [&detail](std::size_t line) {
            if (line < detail.size() && detail[line] == '\t') return true;
            for (const std::string_view part : {"DETAIL:", "HINT:", "LINE ", "CONTEXT:", "QUERY:"})
                if (detail.compare(line, part.size(), part) == 0) return true;
            return false;
        };
        std::size_t end = mark + 1;
        for (;;) {
            end = detail.find('\n', end);
            if (end == std::string::npos || !continues(end + 1)) break;
            ++end;
        }
        const std::size_t stop = end == std::string::npos ? detail.size() : end;
        if (!parts.details.empty()) parts.details += '\n';
        parts.details += detail.substr(mark + 1, stop - mark - 1);
        at = stop;
    }
    // A subject left ending in the separator its words followed is said without it.
    parts.text = ArchiveNotice(table, message, said);
    while (!parts.text.empty() && (parts.text.back() == ' ' || parts.text.back() == ':'))
        parts.text.pop_back();
    return parts;
}

std::string ArchiveNotice(const LanguageTable& table, int message, const std::string& detail) {
    std::string rest = detail;
    for (std::size_t mark = rest.find(kDatabaseWordsMark); mark != std::string::npos;
         mark = rest.find(kDatabaseWordsMark, mark))
        rest.replace(mark, 1, ": ");
    std::string text = table.entry(kExtraEntryFirst + message);
    if (text.find("%1") != std::string::npos) {
        const std::size_t line = rest.find('\n');
        text = FillIn(text, {rest.substr(0, line)});
        rest = line == std::string::npos ? std::string() : rest.substr(line + 1);
    }
    if (!rest.empty()) text += (text.empty() ? "" : "\n") + rest;
    return text;
}

std::optional<std::string> MeasuredAt(std::string_view date, std::string_view time) {
    // Day, month and year, in that order, whatever stands between them: "14/03/2013" as the
    // logger index shows it, "14-03-2013" as the clock is set, "14.03.13", "14 03 2013".
    int part[3] = {};
    int digits[3] = {};
    int n = 0;
    bool inNumber = false;
    for (const char ch : date) {
        if (ch >= '0' && ch <= '9') {
            if (!inNumber && n == 3) return std::nullopt;
            if (!inNumber) ++n;
            inNumber = true;
            if (++digits[n - 1] > 4) return std::nullopt;
            part[n - 1] = part[n - 1] * 10 + (ch - '0');
        } else if (ch == '/' || ch == '-' || ch == '.' || ch == ' ') {
            inNumber = false;
        } else {
            return std::nullopt;
        }
    }
    if (n != 3 || digits[0] > 2 || digits[1] > 2 || (digits[2] != 2 && digits[2] != 4))
        return std::nullopt;
    const int year = digits[2] == 2 ? 2000 + part[2] : part[2];
    const QDate d(year, part[1], part[0]);
    const QTime t = QTime::fromString(Q(time).trimmed(), "HH:mm:ss");
    if (!d.isValid() || !t.isValid()) return std::nullopt;
    return QDateTime(d, t).toString("yyyy-MM-ddTHH:mm:ss").toStdString();
}

// ---- the connection ----------------------------------------------------------------------

// The locking is set before any connection of the process exists (the tests' own too).
Archive::Archive() {
    (void)UseDescriptionLocks();
}
Archive::~Archive() = default;

const std::string& Archive::connectionName() const {
    static const std::string none;
    return c_ ? c_->name : none;
}

bool Archive::diskFull() const {
    return c_ && c_->diskFull;
}

bool Archive::Fail(const std::string& what) {
    detail_ = WithDatabaseWords(what, c_ ? c_->error : std::string());
    if (c_ && c_->damaged) NoteDamage();
    return false;
}

void Archive::NoteDamage() {
    if (sessions_) sessions_->CheckDue();
}

std::string Archive::Check() {
    if (!c_) return "not open";
    if (c_->dialect != &kSqlite) return {};  // the server keeps its own files sound
    QSqlQuery q(c_->db);
    const bool checked = q.exec("PRAGMA quick_check") && q.next();
    const QString verdict = checked ? q.value(0).toString() : q.lastError().text();
    if (checked && verdict == "ok") {
        if (sessions_) sessions_->Checked();
        checkDue_ = false;
        return {};
    }
    NoteDamage();
    return verdict.isEmpty() ? std::string("damaged") : verdict.toStdString();
}

Archive::State Archive::Open(const ArchiveLocation& where, Schema schema, Integrity integrity,
                             Purpose purpose) {
    c_.reset();
    sessions_.reset();
    checkDue_ = false;
    purpose_ = purpose;
    state_ = State::Failed;
    notice_ = 0;
    version_ = 0;
    offline_ = refused_ = false;
    here_.reset();
    detail_ = where.describe();
    if (where.off()) {
        state_ = State::Closed;
        notice_ = kMessageArchiveOff;
        return state_;
    }
    if (where.kind == ArchiveLocation::PostgreSql) return OpenServer(where, schema, integrity);
    return OpenFile(where.file, integrity);
}

// Two programs (or the window and its archive's worker) opening a new archive at once: while
// one makes the tables, the other's switch to WAL or its first read may find the file locked
// without SQLite waiting for it. That opening is tried again until the busy time-out, never
// reported as an archive that cannot be used.
Archive::State Archive::OpenFile(const std::filesystem::path& file, Integrity integrity) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        bool locked = false;
        const State state = OpenFileOnce(file, integrity, locked);
        const auto waited = std::chrono::steady_clock::now() - start;
        if (state != State::Failed || !locked || waited > std::chrono::milliseconds(kBusyTimeoutMs))
            return state;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        notice_ = 0;
    }
}

Archive::State Archive::OpenFileOnce(const std::filesystem::path& file, Integrity integrity,
                                     bool& locked) {
    const auto isLocked = [this] { return c_->sqlState == "5" || c_->sqlState == "6"; };
    c_.reset();
    sessions_.reset();
    state_ = State::Failed;
    if (!QSqlDatabase::isDriverAvailable("QSQLITE")) {
        notice_ = kMessageArchiveUnavailable;
        detail_ += ": the Qt SQLite driver (QSQLITE) is not installed";
        return state_;
    }
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    // A place this program cannot write: what is there is read, nothing is made beside it (a
    // -shm made now would take the file's read-only mode and stop every later writer).
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    const bool exists = std::filesystem::exists(file, ec);
    if (!exists && !CanWrite(folder)) {
        notice_ = kMessageArchiveFolderReadOnly;
        detail_ = PathToText(folder);
        return state_;
    }
    const bool readOnlyPlace = exists && (!CanWrite(file) || !CanWrite(folder));
    std::filesystem::path shm = file;
    shm += "-shm";
    // Without a -shm, nobody uses the file now: read as it stands, without the shared memory.
    const bool immutable = readOnlyPlace && !std::filesystem::exists(shm, ec);
    auto open = [&](bool readOnly) {
        c_ = std::make_unique<ArchiveConnection>("QSQLITE");
        c_->db.setDatabaseName(
            immutable ? QUrl::fromLocalFile(QStringFromPath(file)).toString(QUrl::FullyEncoded) +
                            "?immutable=1"
                      : QStringFromPath(file));
        c_->db.setConnectOptions(QString("QSQLITE_BUSY_TIMEOUT=%1%2%3")
                                     .arg(kBusyTimeoutMs)
                                     .arg(readOnly ? ";QSQLITE_OPEN_READONLY" : "")
                                     .arg(immutable ? ";QSQLITE_OPEN_URI" : ""));
        if (!c_->db.open()) {
            c_->failed(c_->db.lastError());
            return false;
        }
        // Nothing of the file's own schema runs a function with side effects.
        (void)c_->run("PRAGMA trusted_schema = OFF");
        return true;
    };
    const std::string place = PathToText(file);
    detail_ = place;
    if (!open(readOnlyPlace)) {
        notice_ = kMessageArchiveUnavailable;
        c_.reset();
        return state_;
    }
    // Only the program's own archive is used: another program's database is not converted, and
    // one holding what the program did not put there (a trigger would run inside its changes)
    // is not opened; both are left as they are.
    if (const int foreign = ForeignSchema(c_->db); foreign != 0) {
        notice_ = foreign;
        detail_ = place;
        c_.reset();
        return state_;
    }
    // The whole file is read only when the last run did not end cleanly or damage was seen:
    // then nothing is written before it is known to be sound, and a damaged archive stays as
    // it is, for the person (or a tool) to rescue.
    sessions_ = std::make_unique<ArchiveSessions>(file);
    checkDue_ = sessions_->Begin(purpose_ == Purpose::Change);
    if (checkDue_ && integrity == Integrity::CheckWhenDue) {
        const std::string damage = Check();
        if (!damage.empty()) {
            notice_ = kMessageArchiveDamaged;
            detail_ = WithDatabaseWords(place, damage);
            c_.reset();
            return state_;
        }
    }
    {
        QSqlQuery q(c_->db);
        if (!q.exec("PRAGMA user_version") || !q.next()) {
            c_->failed(q.lastError());
            if (c_->damaged) {
                // Not even the header reads: the file is no archive, or damaged.
                NoteDamage();
                notice_ = kMessageArchiveDamaged;
                detail_ = WithDatabaseWords(place, c_->error);
                c_.reset();
                return state_;
            }
            notice_ = kMessageArchiveUnavailable;
            locked = isLocked();
            (void)Fail(place);
            c_.reset();
            return state_;
        }
        version_ = q.value(0).toInt();
    }
    if (version_ > kArchiveSchemaVersion || readOnlyPlace) {
        // Written by a newer program, or in a place this one cannot write: read what it
        // holds, change nothing.
        c_.reset();
        if (!open(true)) {
            notice_ = kMessageArchiveUnavailable;
            c_.reset();
            return state_;
        }
        notice_ =
            version_ > kArchiveSchemaVersion ? kMessageArchiveNewer : kMessageArchiveOpenedReadOnly;
        state_ = State::ReadOnly;
        return state_;
    }
    if (!c_->run("PRAGMA journal_mode=WAL") || !c_->run("PRAGMA synchronous=NORMAL") ||
        !c_->run("PRAGMA foreign_keys=ON") || !Migrate()) {
        notice_ = kMessageArchiveUnavailable;
        locked = isLocked();
        (void)Fail(place);
        c_.reset();
        return state_;
    }
    detail_ = place;
    state_ = State::Ready;
    return state_;
}

// Each step takes the schema from version n to n + 1 inside one transaction; a program that
// finds an older archive brings it up to date, one that finds a newer one only reads it.
bool Archive::Migrate() {
    if (!c_->begin()) return false;
    const Dialect& d = *c_->dialect;
    if (d.schemaLock) {
        const QString prelude[] = {
            d.schemaLock, "CREATE TABLE IF NOT EXISTS archive_schema (version INTEGER NOT NULL)",
            "INSERT INTO archive_schema (version) SELECT 0 WHERE NOT EXISTS "
            "(SELECT 1 FROM archive_schema)"};
        for (const QString& sql : prelude)
            if (!c_->run(sql)) {
                c_->rollback();
                return false;
            }
    }
    QSqlQuery q(c_->db);
    // Another program may have migrated between the check and the lock.
    if (!q.exec(d.readVersion) || !q.next()) {
        c_->failed(q.lastError());
        c_->rollback();
        return false;
    }
    version_ = q.value(0).toInt();
    q.finish();
    auto step = [&](int to, std::initializer_list<QString> statements,
                    bool (Archive::*then)() = nullptr) {
        if (version_ >= to) return true;
        for (const QString& sql : statements)
            if (!c_->run(sql)) return false;
        if (then && !(this->*then)()) return false;
        if (!c_->run(QString(d.setVersion).arg(to))) return false;
        version_ = to;
        return true;
    };
    const bool done =
        step(1,
             {
                 // Each element is one statement; adjacent literals make one statement's text.
                 // NOLINTNEXTLINE(bugprone-suspicious-missing-comma)
                 "CREATE TABLE instruments (serial TEXT PRIMARY KEY, model TEXT NOT NULL, "
                 "io_version TEXT NOT NULL, instrument_version TEXT NOT NULL, "
                 "first_seen TEXT NOT NULL, last_seen TEXT NOT NULL)",
                 QString("CREATE TABLE loggers (%1, sha256 TEXT NOT NULL UNIQUE, "
                         "serial TEXT REFERENCES instruments(serial), "
                         "type TEXT NOT NULL CHECK (type IN ('RADIO', 'PLC')), slot INTEGER, "
                         "name TEXT NOT NULL, plan TEXT NOT NULL, measured_at TEXT, "
                         "unit TEXT NOT NULL, threshold DOUBLE PRECISION, "
                         "record_count INTEGER NOT NULL, below_threshold INTEGER NOT NULL, "
                         "archived_at TEXT NOT NULL, "
                         "source TEXT NOT NULL CHECK (source IN ('instrument', 'file')), "
                         "bytes %2 NOT NULL)")
                     .arg(d.idColumn, d.bytesType),
                 "CREATE INDEX loggers_by_name ON loggers (name, type, measured_at)",
                 "CREATE INDEX loggers_by_time ON loggers (measured_at)",
                 "CREATE INDEX loggers_by_serial ON loggers (serial)",
                 "CREATE INDEX loggers_by_plan ON loggers (plan)",
                 QString("CREATE TABLE records (logger_id INTEGER NOT NULL "
                         "REFERENCES loggers(id) ON DELETE CASCADE, idx INTEGER NOT NULL, "
                         "channel TEXT NOT NULL, frequency_hz BIGINT NOT NULL, "
                         "bandwidth_hz BIGINT NOT NULL, power_text TEXT NOT NULL, "
                         "power DOUBLE PRECISION, PRIMARY KEY (logger_id, idx))%1")
                     .arg(d.recordsEnd),
             }) &&
        step(2, {"CREATE TABLE pending (logger_id INTEGER PRIMARY KEY "
                 "REFERENCES loggers(id) ON DELETE CASCADE)"}) &&
        step(3, {}, &Archive::FillMeasuredAt) &&
        step(4, {d.markApplication ? QString(d.markApplication).arg(kArchiveApplicationId)
                                   : QString("SELECT 1")});
    if (!done) {
        c_->rollback();
        return false;
    }
    return c_->commit();
}

// The loggers kept without a date (read before in one form only) get it from their bytes.
bool Archive::FillMeasuredAt() {
    std::vector<std::pair<qlonglong, std::string>> found;
    {
        QSqlQuery q = c_->prepared("SELECT id, bytes FROM loggers WHERE measured_at IS NULL");
        if (!c_->exec(q)) return false;
        while (q.next()) {
            OpenLogger logger;
            if (ParseLoggerText(q.value(1).toByteArray().toStdString(), logger) != kLoggerFileRead)
                continue;
            if (std::optional<std::string> at = MeasuredAt(logger.date, logger.time))
                found.emplace_back(q.value(0).toLongLong(), std::move(*at));
        }
    }
    QSqlQuery set = c_->prepared("UPDATE loggers SET measured_at = ? WHERE id = ?");
    for (const auto& [id, at] : found) {
        set.bindValue(0, Q(at));
        set.bindValue(1, id);
        if (!c_->exec(set)) return false;
    }
    return true;
}

bool Archive::WriteAllowed() {
    if (state_ == State::Ready) return true;
    detail_ = state_ == State::ReadOnly ? "read-only" : "not open";
    return false;
}

// ---- keeping loggers -----------------------------------------------------------------------

std::optional<Archive::Kept> Archive::Keep(std::string_view fileBytes, const OpenLogger& logger,
                                           const std::optional<InstrumentIdentity>& instrument,
                                           int slot) {
    std::optional<std::vector<Kept>> kept = KeepAll({{fileBytes, &logger, instrument, slot, {}}});
    if (!kept) return std::nullopt;
    return kept->front();
}

std::optional<std::vector<Archive::Kept>> Archive::KeepAll(const std::vector<ToKeep>& loggers) {
    if (state_ == State::Ready && c_->dialect == &kPostgreSql) return KeepOnServer(loggers);
    return KeepHere(loggers);
}

std::optional<std::vector<Archive::Kept>> Archive::KeepHere(const std::vector<ToKeep>& loggers) {
    if (!WriteAllowed()) return std::nullopt;
    c_->error.clear();
    const std::string now = NowUtc();
    if (!c_->begin()) {
        (void)Fail("begin");
        return std::nullopt;
    }
    std::vector<Kept> out;
    out.reserve(loggers.size());
    for (const ToKeep& k : loggers) {
        const std::optional<Kept> kept = KeepOne(k, now);
        if (!kept) {
            const std::string why = c_->error;
            c_->rollback();
            c_->error = why;
            (void)Fail(k.logger->name);
            return std::nullopt;
        }
        out.push_back(*kept);
    }
    if (!c_->commit()) {
        c_->rollback();
        (void)Fail("commit");
        return std::nullopt;
    }
    return out;
}

// Inside the caller's transaction.
std::optional<Archive::Kept> Archive::KeepOne(const ToKeep& k, const std::string& now) {
    const OpenLogger& logger = *k.logger;
    const std::string sha = Sha256Hex(k.fileBytes);
    // The logger's texts as numbers, read once: the unit, the threshold, each record's power.
    const LoggerReadings readings = ReadingsOf(logger);
    const std::optional<InstrumentIdentity>& instrument = k.instrument;
    // The instrument's row exists before its logger refers to it; its facts are brought up to
    // date last (below), so that programs archiving at once on a server wait on that one row
    // only for the moment before each commit.
    if (instrument) {
        QSqlQuery& q = c_->statement(
            "INSERT INTO instruments (serial, model, io_version, instrument_version, first_seen, "
            "last_seen) VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (serial) DO NOTHING");
        int at = 0;
        for (const std::string* v :
             {&instrument->serial, &instrument->model, &instrument->ioVersion,
              &instrument->instrumentVersion, &now, &now})
            q.bindValue(at++, Q(*v));
        if (!c_->exec(q)) return std::nullopt;
    }
    auto finish = [&](const Kept& kept) -> std::optional<Kept> {
        if (instrument) {
            QSqlQuery& q = c_->statement(
                "UPDATE instruments SET model = ?, io_version = ?, instrument_version = ?, "
                "last_seen = ? WHERE serial = ?");
            int at = 0;
            for (const std::string* v : {&instrument->model, &instrument->ioVersion,
                                         &instrument->instrumentVersion, &now, &instrument->serial})
                q.bindValue(at++, Q(*v));
            if (!c_->exec(q)) return std::nullopt;
        }
        return MarkPending(kept);
    };
    QSqlQuery& add = c_->statement(
        "INSERT INTO loggers (sha256, serial, type, slot, name, plan, measured_at, unit, "
        "threshold, record_count, below_threshold, archived_at, source, bytes) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
        "ON CONFLICT (sha256) DO NOTHING RETURNING id");
    add.bindValue(0, Q(sha));
    add.bindValue(
        1, instrument ? QVariant(Q(instrument->serial)) : QVariant(QMetaType(QMetaType::QString)));
    add.bindValue(2, Q(logger.typeText));
    add.bindValue(3, k.slot >= 0 ? QVariant(k.slot) : QVariant(QMetaType(QMetaType::Int)));
    add.bindValue(4, Q(logger.name));
    add.bindValue(5, Q(logger.planName));
    add.bindValue(6, Variant(MeasuredAt(logger.date, logger.time)));
    add.bindValue(7, Q(readings.unit));
    add.bindValue(8, Variant(readings.threshold));
    add.bindValue(9, static_cast<int>(logger.records.size()));
    add.bindValue(10, readings.belowThreshold);
    add.bindValue(11, Q(k.archivedAt.empty() ? now : k.archivedAt));
    add.bindValue(12, instrument ? "instrument" : "file");
    add.bindValue(13, QByteArray(k.fileBytes.data(), static_cast<qsizetype>(k.fileBytes.size())));
    if (!c_->exec(add)) return std::nullopt;
    if (!add.next()) {
        // Kept before: nothing is added.
        add.finish();
        QSqlQuery& old = c_->statement("SELECT id FROM loggers WHERE sha256 = ?");
        old.bindValue(0, Q(sha));
        if (!c_->exec(old) || !old.next()) return std::nullopt;
        const Kept kept{old.value(0).toLongLong(), false};
        old.finish();
        return finish(kept);
    }
    const std::int64_t id = add.value(0).toLongLong();
    add.finish();
    // The records in statements of many rows: one round trip to a server for a whole logger
    // (a logger holds at most 150), not one a record.
    constexpr std::size_t kRowsAStatement = kMaxLoggerRecords;
    for (std::size_t from = 0; from < readings.records.size(); from += kRowsAStatement) {
        const std::size_t rows = std::min(kRowsAStatement, readings.records.size() - from);
        QString sql =
            "INSERT INTO records (logger_id, idx, channel, frequency_hz, bandwidth_hz, "
            "power_text, power) VALUES ";
        sql.reserve(sql.size() + static_cast<qsizetype>(rows) * 24);
        for (std::size_t k = 0; k < rows; ++k)
            sql += k == 0 ? "(?,?,?,?,?,?,?)" : ",(?,?,?,?,?,?,?)";
        QSqlQuery& rec = c_->statement(sql);
        int at = 0;
        for (std::size_t k = from; k < from + rows; ++k) {
            const LoggerReadings::Record& r = readings.records[k];
            rec.bindValue(at++, static_cast<qlonglong>(id));
            rec.bindValue(at++, static_cast<int>(k));
            rec.bindValue(at++, Q(logger.records[k].channel));
            rec.bindValue(at++, static_cast<qlonglong>(r.frequencyHz));
            rec.bindValue(at++, static_cast<qlonglong>(r.bandwidthHz));
            rec.bindValue(at++, Q(r.powerValue));
            rec.bindValue(at++, Variant(r.power));
        }
        if (!c_->exec(rec)) return std::nullopt;
        rec.finish();
    }
    return finish(Kept{id, true});
}

std::optional<Archive::Kept> Archive::ImportFile(const std::filesystem::path& file, int* readResult,
                                                 ReadRefusal* refusal) {
    int result = kNotALoggerFile;
    std::optional<std::string> bytes;
    OpenLogger logger;
    if (LoggerTypeOfPath(PathToText(file)) != 0) {
        bytes = ReadWholeFile(file, kLoggerFileMaxBytes, refusal);
        result = bytes ? ParseLoggerText(*bytes, logger) : kLoggerFileUnreadable;
    }
    if (readResult) *readResult = result;
    if (result != kLoggerFileRead) {
        detail_ = PathToText(file);
        return std::nullopt;
    }
    return Keep(*bytes, logger, std::nullopt);
}

std::optional<int> Archive::Delete(const std::vector<std::int64_t>& ids) {
    if (!WriteAllowed()) return std::nullopt;
    if (!c_->begin()) {
        (void)Fail("begin");
        return std::nullopt;
    }
    int removed = 0;
    QSqlQuery records = c_->prepared("DELETE FROM records WHERE logger_id = ?");
    QSqlQuery loggers = c_->prepared("DELETE FROM loggers WHERE id = ?");
    for (std::int64_t id : ids) {
        records.bindValue(0, static_cast<qlonglong>(id));
        loggers.bindValue(0, static_cast<qlonglong>(id));
        if (!c_->exec(records) || !c_->exec(loggers)) {
            c_->rollback();
            (void)Fail("delete");
            return std::nullopt;
        }
        removed += loggers.numRowsAffected() > 0 ? 1 : 0;
    }
    if (!c_->commit()) {
        c_->rollback();
        (void)Fail("commit");
        return std::nullopt;
    }
    return removed;
}

}  // namespace zv318
