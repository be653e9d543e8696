#pragma once
// Inside the archive: what its source files share to turn rows into values and back.

#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <optional>
#include <string>
#include <string_view>

#include "archive/archive.h"

namespace zv318::archive_sql {

inline QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string S(const QVariant& v) { return v.toString().toStdString(); }
inline std::optional<std::string> OptionalText(const QVariant& v) {
    if (v.isNull()) return std::nullopt;
    return S(v);
}
inline std::optional<double> OptionalNumber(const QVariant& v) {
    if (v.isNull()) return std::nullopt;
    return v.toDouble();
}
// "%part%" for LIKE, with the wildcards of the part taken literally.
inline QString LikePattern(const std::string& part) {
    QString p = Q(part).toLower();
    p.replace('\\', "\\\\").replace('%', "\\%").replace('_', "\\_");
    return '%' + p + '%';
}

inline constexpr char kLoggerColumns[] =
    "id, sha256, serial, type, slot, name, plan, measured_at, unit, threshold, record_count, "
    "below_threshold, archived_at, source, "
    "EXISTS (SELECT 1 FROM pending WHERE pending.logger_id = loggers.id)";

inline ArchivedLogger LoggerFrom(const QSqlQuery& q) {
    ArchivedLogger a;
    a.id = q.value(0).toLongLong();
    a.sha256 = S(q.value(1));
    a.serial = OptionalText(q.value(2));
    a.type = S(q.value(3));
    a.slot = q.value(4).isNull() ? -1 : q.value(4).toInt();
    a.name = S(q.value(5));
    a.plan = S(q.value(6));
    a.measuredAt = OptionalText(q.value(7));
    a.unit = S(q.value(8));
    a.threshold = OptionalNumber(q.value(9));
    a.records = q.value(10).toInt();
    a.belowThreshold = q.value(11).toInt();
    a.archivedAt = S(q.value(12));
    a.source = S(q.value(13));
    a.pending = q.value(14).toBool();
    return a;
}

}  // namespace zv318::archive_sql
