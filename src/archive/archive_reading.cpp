#include "archive/archive.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <limits>

#include "archive/archive_connection.h"
#include "archive/archive_sql.h"

namespace zv318 {

using namespace archive_sql;

// ---- reading -------------------------------------------------------------------------------

namespace {

// The WHERE clause of a filter, its values in `values`.
QString FilterSql(const ArchiveFilter& f, QVariantList& values) {
    QString sql = " WHERE 1 = 1";
    if (!f.name.empty()) {
        // Found on the name index, far smaller than the loggers' rows with their files.
        sql += " AND id IN (SELECT id FROM loggers WHERE lower(name) LIKE ? ESCAPE '\\')";
        values << LikePattern(f.name);
    }
    if (!f.text.empty()) {
        // Alone, the text is looked for in the name and plan indexes; within a date range the
        // loggers of those days are fewer than any text's.
        sql += f.since.empty() && f.until.empty()
                   ? " AND id IN (SELECT id FROM loggers WHERE lower(name) LIKE ? ESCAPE '\\' "
                     "UNION SELECT id FROM loggers WHERE lower(plan) LIKE ? ESCAPE '\\')"
                   : " AND (lower(name) LIKE ? ESCAPE '\\' OR lower(plan) LIKE ? ESCAPE '\\')";
        values << LikePattern(f.text) << LikePattern(f.text);
    }
    if (!f.type.empty()) {
        sql += " AND type = ?";
        values << Q(f.type);
    }
    if (!f.since.empty()) {
        sql += " AND measured_at >= ?";
        values << Q(f.since);
    }
    if (!f.until.empty()) {
        // Up to the end of that day: before the next one.
        const QDate day = QDate::fromString(Q(f.until), Qt::ISODate);
        sql += " AND measured_at < ?";
        values << (day.isValid() ? day.addDays(1).toString(Qt::ISODate) : Q(f.until));
    }
    if (!f.serial.empty()) {
        sql += " AND serial = ?";
        values << Q(f.serial);
    }
    return sql;
}

QString OrderSql(ArchiveOrder order) {
    static const char* const columns[] = {"id",           "name",         "type",
                                          "plan",         "measured_at",  "record_count",
                                          "below_threshold", "serial"};
    const char* way = order.descending ? " DESC" : "";
    const QString by = columns[static_cast<int>(order.by)];
    return " ORDER BY " + by + way + (order.by == ArchiveSort::Id ? "" : QString(", id") + way);
}

}  // namespace

std::vector<ArchivedLogger> Archive::List(const ArchiveFilter& f) { return List(f, {}, 0, -1); }

std::vector<ArchivedLogger> Archive::List(const ArchiveFilter& f, ArchiveOrder order, int offset,
                                          int limit) {
    std::vector<ArchivedLogger> out;
    failed_ = !usable();
    if (failed_) return out;
    QVariantList values;
    QString sql = QString("SELECT %1 FROM loggers").arg(kLoggerColumns) + FilterSql(f, values) +
                  OrderSql(order);
    if (limit >= 0 || offset > 0) {
        sql += " LIMIT ? OFFSET ?";
        values << (limit >= 0 ? limit : std::numeric_limits<int>::max()) << std::max(0, offset);
    }
    QSqlQuery q = c_->prepared(sql);
    for (const QVariant& v : values) q.addBindValue(v);
    if (!c_->exec(q)) {
        failed_ = true;
        (void)Fail("list");
        return out;
    }
    if (limit > 0) out.reserve(static_cast<std::size_t>(limit));
    while (q.next()) out.push_back(LoggerFrom(q));
    return out;
}

bool Archive::ForEach(const ArchiveFilter& f,
                      const std::function<void(const ArchivedLogger&)>& each) {
    if (!usable()) return false;
    QVariantList values;
    QSqlQuery q = c_->prepared(QString("SELECT %1 FROM loggers").arg(kLoggerColumns) +
                               FilterSql(f, values) + OrderSql({}));
    for (const QVariant& v : values) q.addBindValue(v);
    if (!c_->exec(q)) return Fail("list");
    while (q.next()) each(LoggerFrom(q));
    return true;
}

std::optional<std::int64_t> Archive::Count(const ArchiveFilter& f) {
    if (!usable()) return std::nullopt;
    QVariantList values;
    QSqlQuery q = c_->prepared("SELECT COUNT(*) FROM loggers" + FilterSql(f, values));
    for (const QVariant& v : values) q.addBindValue(v);
    if (!c_->exec(q) || !q.next()) {
        (void)Fail("count");
        return std::nullopt;
    }
    return q.value(0).toLongLong();
}

std::optional<ArchivedLogger> Archive::Find(std::int64_t id) {
    if (!usable()) return std::nullopt;
    QSqlQuery q = c_->prepared(QString("SELECT %1 FROM loggers WHERE id = ?").arg(kLoggerColumns));
    q.addBindValue(static_cast<qlonglong>(id));
    if (!c_->exec(q) || !q.next()) return std::nullopt;
    return LoggerFrom(q);
}

std::vector<ArchivedRecord> Archive::Records(std::int64_t id) {
    std::vector<ArchivedRecord> out;
    if (!usable()) return out;
    QSqlQuery q = c_->prepared(
        "SELECT idx, channel, frequency_hz, bandwidth_hz, power_text, power FROM records "
        "WHERE logger_id = ? ORDER BY idx");
    q.addBindValue(static_cast<qlonglong>(id));
    if (!c_->exec(q)) return out;
    while (q.next())
        out.push_back({q.value(0).toInt(), S(q.value(1)), q.value(2).toLongLong(),
                       q.value(3).toLongLong(), S(q.value(4)), OptionalNumber(q.value(5))});
    return out;
}

std::optional<std::string> Archive::Bytes(std::int64_t id) {
    if (!usable()) return std::nullopt;
    QSqlQuery q = c_->prepared("SELECT bytes FROM loggers WHERE id = ?");
    q.addBindValue(static_cast<qlonglong>(id));
    if (!c_->exec(q) || !q.next()) return std::nullopt;
    return q.value(0).toByteArray().toStdString();
}

std::optional<OpenLogger> Archive::Logger(std::int64_t id) {
    std::optional<std::string> bytes = Bytes(id);
    if (!bytes) return std::nullopt;
    OpenLogger logger;
    if (ParseLoggerText(*bytes, logger) != kLoggerFileRead) return std::nullopt;
    return logger;
}

std::vector<InstrumentIdentity> Archive::Instruments() {
    std::vector<InstrumentIdentity> out;
    if (!usable()) return out;
    QSqlQuery q = c_->prepared(
        "SELECT serial, model, io_version, instrument_version FROM instruments ORDER BY serial");
    if (!c_->exec(q)) return out;
    while (q.next()) out.push_back({S(q.value(0)), S(q.value(1)), S(q.value(2)), S(q.value(3))});
    return out;
}

std::vector<Archive::TrendRow> Archive::TrendRows(const std::string& name, const std::string& type,
                                                  const std::vector<std::string>& channels) {
    std::vector<TrendRow> out;
    if (!usable()) return out;
    QString sql =
        "SELECT l.id, l.measured_at, r.channel, r.frequency_hz, r.power_text, r.power "
        "FROM loggers l JOIN records r ON r.logger_id = l.id "
        "WHERE l.name = ? AND l.type = ? AND l.measured_at IS NOT NULL";
    if (!channels.empty()) {
        QStringList marks;
        for (std::size_t k = 0; k < channels.size(); ++k) marks << "?";
        sql += " AND r.channel IN (" + marks.join(", ") + ")";
    }
    sql += " ORDER BY l.measured_at, l.id, r.idx";
    QSqlQuery q = c_->prepared(sql);
    q.addBindValue(Q(name));
    q.addBindValue(Q(type));
    for (const std::string& ch : channels) q.addBindValue(Q(ch));
    if (!c_->exec(q)) {
        (void)Fail("trend");
        return out;
    }
    while (q.next())
        out.push_back({q.value(0).toLongLong(), S(q.value(1)), S(q.value(2)),
                       q.value(3).toLongLong(), S(q.value(4)), OptionalNumber(q.value(5))});
    return out;
}

}  // namespace zv318
