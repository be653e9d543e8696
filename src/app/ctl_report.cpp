#include "app/ctl_report.h"

#include <QLocale>
#include <charconv>
#include <iostream>

#include "app/gui_application.h"
#include "archive/archive_report.h"
#include "texts/output_path.h"
#include "texts/text_file.h"
#include "texts/user_settings.h"

namespace zv318 {

namespace {

constexpr int kDone = 0, kFailed = 1, kUsage = 2;

}  // namespace

ReportArguments ParseReportArguments(const std::vector<std::string>& args, std::size_t first,
                                     const std::filesystem::path& userFolder) {
    ReportArguments a;
    std::string site;
    std::vector<std::pair<std::string, std::string>> given;
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (w.starts_with("--") && i + 1 < args.size()) {
            if (w == "--pdf")
                a.pdf = args[++i];
            else if (w == "--site")
                site = args[++i];
            else if (w == "--customer" || w == "--address" || w == "--notes" ||
                     w == "--technician" || w == "--company" || w == "--logo")
                given.emplace_back(w, args[++i]);
            else
                a.why = "unknown option " + w;
        } else if (w.starts_with("--")) {
            a.why = w + " needs a value";
        } else {
            a.subjects.push_back(w);
        }
    }
    if (a.why.empty() && a.pdf.empty()) a.why = "--pdf OUT expected";
    a.bad = !a.why.empty();
    a.people = ReportPeopleFrom(UserSettings::Load(UserSettings::FileIn(userFolder)), site);
    for (const auto& [option, value] : given) {
        std::string& field = option == "--customer"     ? a.people.customer
                             : option == "--address"    ? a.people.siteAddress
                             : option == "--notes"      ? a.people.notes
                             : option == "--technician" ? a.people.technician
                             : option == "--company"    ? a.people.company
                                                        : a.people.logoFile;
        field = value;
    }
    return a;
}

int WriteReportCommand(const std::vector<ReportLogger>& loggers, const ReportArguments& a,
                       TerminalFeedback& feedback, const LanguageTable& table,
                       std::vector<std::string> read) {
    read.push_back(a.people.logoFile);
    for (const ReportLogger& l : loggers) read.push_back(l.logger.fileName);
    if (!MayWriteOutputAsking(feedback, PathFromText(a.pdf), read)) return kFailed;
    GuiApplication gui;
    ReportOptions options;
    options.page = ReportPageFor(QLocale::system());
    if (WriteSiteReport(loggers, a.people, table, a.pdf, feedback, options) != kReportWritten)
        return kFailed;
    std::cout << "report of " << loggers.size() << " logger(s) written to " << TerminalText(a.pdf)
              << '\n';
    return kDone;
}

int LoggersReportCommand(TerminalFeedback& feedback, const LanguageTable& table,
                         const std::filesystem::path& userFolder,
                         const std::vector<std::string>& args) {
    const ReportArguments a = ParseReportArguments(args, 2, userFolder);
    if (a.bad || a.subjects.empty()) {
        std::cerr << (a.bad ? a.why : "FILE... expected") << '\n' << kReportUsage;
        return kUsage;
    }
    std::vector<ReportLogger> loggers;
    for (const std::string& file : a.subjects) {
        ReportLogger entry;
        const int read = ReadLoggerFileAt(PathFromText(file), entry.logger, feedback);
        if (read != kLoggerFileRead) {
            feedback.showMessage(read == kNotALoggerFile ? 11 : 26);
            std::cerr << "the logger file " << TerminalText(file) << " cannot be read\n";
            return kFailed;
        }
        loggers.push_back(std::move(entry));
    }
    return WriteReportCommand(loggers, a, feedback, table);
}

int ArchiveReportCommand(TerminalFeedback& feedback, const LanguageTable& table,
                         const std::filesystem::path& userFolder,
                         const std::vector<std::string>& args) {
    const ReportArguments a = ParseReportArguments(args, 2, userFolder);
    std::vector<std::int64_t> ids;
    for (const std::string& s : a.subjects) {
        std::int64_t id = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), id);
        if (ec != std::errc{} || end != s.data() + s.size() || id <= 0) {
            std::cerr << "not an archive id: " << s << '\n' << kReportUsage;
            return kUsage;
        }
        ids.push_back(id);
    }
    if (a.bad || ids.empty()) {
        std::cerr << (a.bad ? a.why : "ID... expected") << '\n' << kReportUsage;
        return kUsage;
    }
    const ArchiveLocation where = ArchiveLocationFromEnvironment(userFolder);
    Archive archive;
    archive.Open(where, Archive::Schema::Use, Archive::Integrity::CheckWhenDue,
                 Archive::Purpose::Read);
    if (archive.notice() != 0)
        feedback.showNotice(ArchiveNotice(table, archive.notice(), archive.detail()));
    if (!archive.usable()) return kFailed;
    std::int64_t missing = 0;
    const auto loggers = ReportLoggersFromArchive(archive, ids, &missing);
    if (!loggers) {
        feedback.showMessage(kMessageArchiveNoSuchLogger);
        std::cerr << "archive id " << missing << '\n';
        return kFailed;
    }
    return WriteReportCommand(*loggers, a, feedback, table, where.localFiles());
}

}  // namespace zv318
