#include "app/ctl_pull.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <iostream>

#include "archive/archive.h"
#include "archive/logger_pull.h"
#include "plans/plan_model.h"

namespace zv318 {

namespace {

constexpr int kDone = 0, kFailed = 1, kUsage = 2, kNotConnected = 3;
// "%1 new loggers from ZV-318 %2 kept in the archive", the same for one logger.
constexpr int kKeptEntry = 1774, kKeptOneEntry = 1775;
// The instrument left during the run: what was kept.
constexpr int kLostEntry = 1776;

QJsonValue Json(const std::optional<std::string>& v) {
    return v ? QJsonValue(QString::fromStdString(*v)) : QJsonValue(QJsonValue::Null);
}

}  // namespace

bool IsArchivePullCommand(const std::vector<std::string>& args) {
    return args.size() >= 2 && args[0] == "archive" && args[1] == "pull";
}

int ArchivePullCommand(Link& link, TerminalFeedback& feedback, const LanguageTable& table,
                       const std::filesystem::path& userFolder,
                       const std::vector<std::string>& args) {
    const bool json = args.size() == 3 && args[2] == "--json";
    if (args.size() > 3 || (args.size() == 3 && !json)) {
        std::cerr << "usage: zv318ctl archive pull [--json]\n";
        return kUsage;
    }
    Archive archive;
    archive.Open(ArchiveLocationFromEnvironment(userFolder));
    if (archive.notice() != 0)
        feedback.showNotice(ArchiveNotice(table, archive.notice(), archive.detail()));
    if (archive.state() != Archive::State::Ready) return kFailed;

    LoggerPull pull(link, feedback, table);
    LoggerPull::Step last = LoggerPull::Step::Read;
    while (!pull.finished()) last = pull.Next(archive);
    if (last == LoggerPull::Step::NotKept)
        feedback.showNotice(ArchiveNotice(table, kMessageArchiveNotKept, pull.refusal()));
    if (!pull.prepared()) {
        if (last == LoggerPull::Step::NoSerial) {
            feedback.showMessage(26);
            return kFailed;
        }
        feedback.showMessage(7);
        return kNotConnected;
    }

    const int kept = static_cast<int>(pull.keptIds().size());
    const std::string serial = pull.serial();
    if (json) {
        QJsonArray loggers;
        for (const std::int64_t id : pull.keptIds()) {
            const std::optional<ArchivedLogger> a = archive.Find(id);
            if (!a) continue;
            loggers.append(QJsonObject{{"id", static_cast<qint64>(a->id)},
                                       {"name", QString::fromStdString(a->name)},
                                       {"type", QString::fromStdString(a->type)},
                                       {"slot", a->slot},
                                       {"plan", QString::fromStdString(a->plan)},
                                       {"measured_at", Json(a->measuredAt)},
                                       {"records", a->records}});
        }
        QJsonArray skipped;
        for (const PullSkip& skip : pull.skipped())
            skipped.append(
                QJsonObject{{"type", QString::fromStdString(TypeLabelFor(skip.type))},
                            {"slot", skip.slot},
                            {"name", QString::fromStdString(skip.name)},
                            {"reason", QString::fromStdString(SkipReason(table, skip))}});
        const QJsonObject result{{"serial", QString::fromStdString(serial)},
                                 {"kept", loggers},
                                 {"already_kept", pull.alreadyKept()},
                                 {"skipped", skipped},
                                 {"complete", pull.complete()}};
        std::cout << QJsonDocument(result).toJson(QJsonDocument::Indented).toStdString();
    } else {
        for (const std::int64_t id : pull.keptIds())
            if (const std::optional<ArchivedLogger> a = archive.Find(id))
                std::cout << "kept " << TerminalText(a->name) << " (" << a->type << " " << a->slot
                          << ", " << TerminalText(a->measuredAt.value_or("-")) << ", " << a->records
                          << " records) as " << a->id << '\n';
        std::cout << FillIn(table.entry(kept == 1 ? kKeptOneEntry : kKeptEntry),
                            {std::to_string(kept), TerminalText(serial)})
                  << '\n';
    }
    // Every logger left out is named, and the pull did not do all it was for.
    if (!pull.skipped().empty()) feedback.showNotice(SkippedNotice(table, pull.skipped()));
    if (last == LoggerPull::Step::Lost) {
        feedback.showNotice(
            FillIn(table.entry(kLostEntry),
                   {serial, std::to_string(kept), std::to_string(pull.missing().size())}));
        return kFailed;
    }
    return last == LoggerPull::Step::NotKept || !pull.skipped().empty() ? kFailed : kDone;
}

}  // namespace zv318
