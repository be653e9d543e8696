#pragma once
// zv318ctl's site report:
//   loggers report FILE... --pdf OUT [--site NAME] [--customer TEXT] [--address TEXT]
//                  [--notes TEXT] [--technician TEXT] [--company TEXT] [--logo FILE]
//   archive report ID... --pdf OUT [the same options]
// The technician, company and logo come from the person's settings, the customer, address and
// notes from those remembered for the site (the site last reported on without --site); each
// option given stands instead. The settings file is only read. They paint with Qt Gui, so only
// the zv318ctl that writes PDFs has them (ctl_pdf_program.h); kReportUsage is in zv318ctl.cpp.

#include <filesystem>
#include <string>
#include <vector>

#include "app/terminal_feedback.h"
#include "loggers/site_report.h"
#include "texts/language_table.h"

namespace zv318 {

// The options every report command takes, parsed from `args` from `first` on; the rest (the
// files or archive numbers) go to `subjects`. False and `why` on a usage error.
struct ReportArguments {
    std::vector<std::string> subjects;
    std::string pdf;
    ReportPeople people;
    bool bad = false;
    std::string why;
};
[[nodiscard]] ReportArguments ParseReportArguments(const std::vector<std::string>& args,
                                                   std::size_t first,
                                                   const std::filesystem::path& userFolder);

// Writes the report of `loggers` as the arguments say (a Qt Gui application is made when there
// is none); the exit status. Never over the loggers' files, the logo or the files in `read`
// (the archive's), never over another file without the question.
int WriteReportCommand(const std::vector<ReportLogger>& loggers, const ReportArguments& a,
                       TerminalFeedback& feedback, const LanguageTable& table,
                       std::vector<std::string> read = {});

// `args` starts with "loggers", "report".
int LoggersReportCommand(TerminalFeedback& feedback, const LanguageTable& table,
                         const std::filesystem::path& userFolder,
                         const std::vector<std::string>& args);

// `args` starts with "archive", "report": the archived loggers ID... (the archive ZV318_ARCHIVE
// names), each with its instrument.
int ArchiveReportCommand(TerminalFeedback& feedback, const LanguageTable& table,
                         const std::filesystem::path& userFolder,
                         const std::vector<std::string>& args);

extern const char kReportUsage[];

}  // namespace zv318
