#pragma once
// The site report: the PDF a technician hands to the customer after measuring. A header (the
// report's title, the company's logo, technician, company, customer, site, its address, notes,
// the instruments when known, the report's date), then per logger its name, plan, date, time
// and threshold, its chart as the viewer draws it, a table of its records (channel, frequency
// and bandwidth in MHz, power, unit, result against the threshold) and the line
// "Channels below the threshold: N of M". Every page's foot holds the program's name and
// version and "Page k of n". A4 or Letter as the locale has it; text is text (selectable), the
// fonts are embedded. Qt Gui only (a PDF writer and a painter), no widgets.

#include <QDate>
#include <QPageSize>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "link/feedback.h"
#include "link/instrument_identity.h"
#include "loggers/logger_file.h"
#include "texts/language_table.h"
#include "texts/user_settings.h"

class QLocale;

namespace zv318 {

class Link;

// The program's own messages of the report (message n reads entry 1000 + n).
inline constexpr int kMessageReportNotWritten = 400;
inline constexpr int kMessageReportWithoutLoggers = 401;
inline constexpr int kMessageReportLogoUnreadable = 402;

// The report's texts: labels 1410-1429, the chart's legend and axes 1151-1157.
inline constexpr int kReportTitleEntry = 1410;
inline constexpr int kReportSummaryEntry = 1426;  // "Channels below the threshold: %1 of %2"
inline constexpr int kReportPageEntry = 1428;     // "Page %1 of %2"

inline constexpr std::size_t kLogoFileMaxBytes = std::size_t{4} * 1024 * 1024;

struct ReportLogger {
    OpenLogger logger;
    // The instrument it was measured with, when the download or the archive knows it.
    std::optional<InstrumentIdentity> instrument;
};

// Who measured where, for whom. The technician, the company and the logo are the person's own
// settings; the rest is remembered per site name.
struct ReportPeople {
    std::string technician, company, logoFile;
    std::string site, customer, siteAddress, notes;
};

// The settings' keys.
inline constexpr char kTechnicianKey[] = "report.technician";
inline constexpr char kCompanyKey[] = "report.company";
inline constexpr char kLogoKey[] = "report.logo";
inline constexpr char kLastSiteKey[] = "report.last-site";
// The key of one field of a site ("customer", "address", "notes").
[[nodiscard]] std::string SiteKey(const std::string& site, const char* field);

// The people of a report from the settings: the person's own fields, and those remembered for
// `site` (the site last reported on when `site` is empty).
[[nodiscard]] ReportPeople ReportPeopleFrom(const UserSettings& settings, std::string site = {});
// The site names the settings remember, in order.
[[nodiscard]] std::vector<std::string> RememberedSites(const UserSettings& settings);
// Keeps the person's fields and the site's fields (under its name) in the settings.
void RememberReportPeople(UserSettings& settings, const ReportPeople& people);

struct ReportOptions {
    QPageSize::PageSizeId page = QPageSize::A4;
    std::string date;  // the report's date as printed; today (ReportDate) when empty
};
// The date as the language writes it (its date format, in its locale's month names).
[[nodiscard]] std::string ReportDate(const QDate& date, const LanguageTable& table);
// Letter where the locale's country uses it (the Americas that do), A4 everywhere else.
[[nodiscard]] QPageSize::PageSizeId ReportPageFor(const QLocale& locale);

// Result codes of WriteSiteReport.
inline constexpr int kReportWritten = 0;
inline constexpr int kReportNotWritten = -1;
inline constexpr int kReportNoLoggers = -2;

// Writes the report of `loggers` to `output` (through a temporary file renamed over it, so a
// failure leaves any earlier file whole): 0; -2 after message 401 when there is no logger;
// -1 after message 400 when the file cannot be written. A logo that cannot be read is left out
// after message 402. Needs a Qt Gui application (fonts).
int WriteSiteReport(const std::vector<ReportLogger>& loggers, const ReportPeople& people,
                    const LanguageTable& table, const std::filesystem::path& output,
                    Feedback& feedback, const ReportOptions& options = {});
// The same, into memory: the PDF's bytes (empty when painting failed), and the page count.
[[nodiscard]] std::string SiteReportPdf(const std::vector<ReportLogger>& loggers,
                                        const ReportPeople& people, const LanguageTable& table,
                                        const ReportOptions& options, int* pages = nullptr,
                                        bool* logoUnreadable = nullptr);

}  // namespace zv318
