// The site report read back from its PDF with pdftotext: the header fields, every record once
// with its result, the summary counted from the records themselves, "Page k of n" on every
// page; the paper from the locale; the failures and what the settings remember per site.
#include <QImage>
#include <QLocale>
#include <cstdlib>
#include <fstream>
#include <regex>

#include "loggers/logger_fixture.h"
#include "loggers/site_report.h"
#include "texts/language_file.h"
#include "texts/output_path.h"
#include "texts/text_file.h"

namespace zv318::testing {
namespace {

// A logger whose records have powers `from`, `from + step`, …; threshold 45 of `unit`; the
// channel names start with `prefix` so that no two loggers share one.
OpenLogger Measured(const std::string& name, const std::string& prefix, int count, double from,
                    double step, const std::string& unit) {
    OpenLogger lg{"RADIO", name, "TV1", "14/03/2013", "09:15:02", "45 " + unit, {}, {}};
    for (int k = 0; k < count; ++k) {
        char power[32], frequency[16];
        std::snprintf(power, sizeof power, "%.1f %s", from + step * k, unit.c_str());
        std::snprintf(frequency, sizeof frequency, "%.4f", 474.0 + 8 * k);
        lg.records.push_back({prefix + std::to_string(k + 1), frequency, "8.0000", power});
    }
    return lg;
}

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = popen((command + " 2>/dev/null").c_str(), "r")) {
        char buf[4096];
        while (std::size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        pclose(p);
    }
    return out;
}

std::size_t Count(const std::string& text, const std::regex& pattern) {
    return static_cast<std::size_t>(std::distance(
        std::sregex_iterator(text.begin(), text.end(), pattern), std::sregex_iterator()));
}

class loggersReport : public ::testing::Test {
protected:
    loggersReport() {
        (void)ReadLanguageFile(fs::path("Languages") / "English.lng", english);
    }
    LanguageTable english;
    RecordingFeedback feedback;
    TempFolder folder;
};

TEST_F(loggersReport, EveryRecordOnceWithItsResultSummaryAndPageNumbers) {
    const ReportPeople people{"Ana Pérez", "Korvel Telecom", "", "Roof A",
                              "ACME Ltd",  "Av. Diagonal 1, Barcelona", "Amplifier replaced."};
    std::vector<ReportLogger> loggers;
    loggers.push_back({Measured("ROOF1", "C", 5, 57.4, -4.5, "dBuV"), {}});  // 2 below 45
    // 150 dBm records across the threshold, and a marker that is no number: several pages.
    OpenLogger big = Measured("MAST", "M", 150, 30, 0.2, "dBm");
    big.records[7].power = "---- dBm";
    loggers.push_back({big, InstrumentIdentity{"SN004711", "ZV-318", "2.3", "1.9"}});
    const fs::path pdf = folder.path / "report.pdf";
    ASSERT_EQ(WriteSiteReport(loggers, people, english, pdf, feedback,
                              {ReportPageFor(QLocale("en_US")), "2026-12-08"}),
              kReportWritten);
    EXPECT_TRUE(feedback.messages.empty());
    const std::string text = Output("pdftotext -layout '" + pdf.string() + "' -");

    for (const char* field :
         {"Technician: +Ana Pérez", "Company: +Korvel Telecom", "Customer: +ACME Ltd",
          "Site: +Roof A", "Site address: +Av. Diagonal 1, Barcelona",
          "Notes: +Amplifier replaced.",
          "Instrument: +ZV-318, serial number SN004711, IO Interface version 2.3, instrument "
          "version 1.9",
          "Logger ROOF1", "Channel plan TV1 · 14/03/2013 09:15:02 · threshold 45 dBuV"})
        EXPECT_EQ(Count(text, std::regex(field)), 1u) << field << '\n' << text;

    // Each record's row once, with the result the test works out from the record itself.
    for (const ReportLogger& r : loggers) {
        int below = 0;
        for (const LoggerRecordRow& row : r.logger.records) {
            const std::string value = row.power.substr(0, row.power.find(' '));
            const bool number = value != "----";
            const bool isBelow = number && std::stod(value) < 45;
            below += isBelow;
            const std::string result = !number  ? "No result"
                                       : isBelow ? "Below the threshold"
                                                 : "At or above the threshold";
            const std::string line = "\n" + row.channel + " +" + row.frequency + " +8.0000 +" +
                                     value + " +" + r.logger.thresholdText.substr(3) + " +" +
                                     result + "\n";
            EXPECT_EQ(Count(text, std::regex(line)), 1u) << line;
        }
        const std::string summary = "Channels below the threshold: " + std::to_string(below) +
                                    " of " + std::to_string(r.logger.records.size()) + "\n";
        EXPECT_EQ(Count(text, std::regex(summary)), 1u) << summary;
    }
    EXPECT_EQ(Count(text, std::regex("Channels below the threshold: 2 of 5")), 1u);

    // Page k of n, the program and the date at the foot of every page; Letter for en_US.
    const std::string info = Output("pdfinfo '" + pdf.string() + "'");
    std::smatch pages;
    ASSERT_TRUE(std::regex_search(info, pages, std::regex("Pages: +([0-9]+)")));
    const int n = std::stoi(pages[1]);
    EXPECT_GE(n, 4);
    EXPECT_NE(info.find("612 x 792"), std::string::npos) << info;
    std::size_t start = 0;
    for (int k = 1; k <= n; ++k) {
        const std::size_t end = std::min(text.find('\f', start), text.size());
        const std::string page = text.substr(start, end - start);
        EXPECT_TRUE(std::regex_search(page, std::regex("ZV-318 Software v1\\.2 +Report date: "
                                                       "2026-12-08 +Page " +
                                                       std::to_string(k) + " of " +
                                                       std::to_string(n) + "\\s*$")))
            << page;
        start = end + 1;
    }
    // The text is text in embedded fonts.
    const std::string fonts = Output("pdffonts '" + pdf.string() + "'");
    const std::regex font("\n\\S+ +.+ +(yes|no) +(yes|no) +(yes|no) +[0-9]+ +[0-9]+(?=\n)");
    std::size_t embedded = 0, all = 0;
    for (auto it = std::sregex_iterator(fonts.begin(), fonts.end(), font);
         it != std::sregex_iterator(); ++it, ++all)
        embedded += (*it)[1] == "yes";
    EXPECT_GE(all, 1u) << fonts;
    EXPECT_EQ(embedded, all) << fonts;
    EXPECT_EQ(ReportPageFor(QLocale("es_ES")), QPageSize::A4);
}

// Notes of many pages flow on to the next pages: every word once, a word longer than a line
// broken rather than cut, and every page's last line its foot alone.
TEST_F(loggersReport, NotesLongerThanAPageFlowOnAndNeverRunIntoTheFoot) {
    std::string notes;
    for (int k = 1; k <= 20000; ++k) notes += "n" + std::to_string(k) + (k % 997 ? " " : "\r\n");
    notes += std::string(600, 'Y');
    const ReportPeople people{"", "", "", "Roof A", "", "", notes};
    const std::vector<ReportLogger> one{{Measured("L", "C", 3, 50, 1, "dBuV"), {}}};
    const fs::path pdf = folder.path / "notes.pdf";
    ASSERT_EQ(WriteSiteReport(one, people, english, pdf, feedback,
                              {ReportPageFor(QLocale("en_GB")), "2026-12-08"}),
              kReportWritten);
    const std::string text = Output("pdftotext -layout '" + pdf.string() + "' -");

    std::vector<int> seen(20001, 0);
    const std::regex word("\\bn([0-9]+)\\b");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), word);
         it != std::sregex_iterator(); ++it)
        ++seen.at(static_cast<std::size_t>(std::stoi((*it)[1])));
    int once = 0;
    for (int k = 1; k <= 20000; ++k) once += seen[static_cast<std::size_t>(k)] == 1;
    EXPECT_EQ(once, 20000);
    EXPECT_EQ(std::count(text.begin(), text.end(), 'Y'), 600);

    std::size_t start = 0;
    int pages = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\f', start), text.size());
        std::string page = text.substr(start, end - start);
        start = end + 1;
        while (!page.empty() && std::isspace(static_cast<unsigned char>(page.back())))
            page.pop_back();
        if (page.empty()) continue;
        ++pages;
        const std::string last = page.substr(page.rfind('\n') + 1);
        EXPECT_TRUE(std::regex_match(last, std::regex("\\s*ZV-318 Software v1\\.2 +Report date: "
                                                       "2026-12-08 +Page [0-9]+ of [0-9]+")))
            << last;
    }
    EXPECT_GE(pages, 10);
}

TEST_F(loggersReport, FailuresKeepWhatWasThereAndSay) {
    const std::vector<ReportLogger> one{{Measured("L", "C", 3, 50, 1, "dBuV"), {}}};
    ReportPeople people;
    const fs::path earlier = folder.path / "earlier.pdf";
    {
        std::ofstream(earlier) << "the report of last week";
    }
    EXPECT_EQ(WriteSiteReport({}, people, english, earlier, feedback), kReportNoLoggers);
    // A folder in the way of the file: nothing written, the message says so.
    const fs::path blocked = folder.path / "blocked.pdf";
    fs::create_directories(blocked / "inside");
    EXPECT_EQ(WriteSiteReport(one, people, english, blocked, feedback), kReportNotWritten);
    EXPECT_TRUE(fs::is_directory(blocked / "inside"));
    // A logo that is no picture: said once, the report made without it.
    people.logoFile = earlier.string();
    ASSERT_EQ(WriteSiteReport(one, people, english, earlier, feedback), kReportWritten);
    EXPECT_EQ(ReadBytes(earlier).substr(0, 5), "%PDF-");
    // The folder in the way is named as the cause: no regular file.
    EXPECT_EQ(feedback.messages,
              (std::vector<int>{kMessageReportWithoutLoggers, kMessageReportNotWritten,
                                kMessageOutputNotAFile, kMessageReportLogoUnreadable}));
    // A real logo: no message, and the PDF holds a picture.
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(Qt::blue);
    ASSERT_TRUE(logo.save(QString::fromStdString((folder.path / "logo.png").string())));
    people.logoFile = (folder.path / "logo.png").string();
    feedback.messages.clear();
    ASSERT_EQ(WriteSiteReport(one, people, english, earlier, feedback), kReportWritten);
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_NE(Output("pdfimages -list '" + earlier.string() + "'").find("40    20"),
              std::string::npos);
}

TEST_F(loggersReport, SettingsRememberThePersonOnceAndEachSiteApart) {
    UserSettings settings;
    RememberReportPeople(settings, {"Ana", "Korvel", "/logo.png", "Roof A", "ACME", "Street 1",
                                    "line 1\nline 2"});
    RememberReportPeople(settings, {"Ana", "Korvel", "/logo.png", "Mast=B", "Globex", "", ""});
    const UserSettings read = UserSettings::Parse(settings.serialise());
    const ReportPeople a = ReportPeopleFrom(read, "Roof A");
    EXPECT_EQ(a.customer, "ACME");
    EXPECT_EQ(a.notes, "line 1\nline 2");
    EXPECT_EQ(a.technician, "Ana");
    const ReportPeople last = ReportPeopleFrom(read);  // the site reported on last
    EXPECT_EQ(last.site, "Mast=B");
    EXPECT_EQ(last.customer, "Globex");
    EXPECT_EQ(last.siteAddress, "");
    EXPECT_EQ(last.logoFile, "/logo.png");
    EXPECT_EQ(ReportPeopleFrom(read, "New site").customer, "");
}

// Each language dates the report its own way and prints its own words; the paper follows the
// country of the system's locale.
TEST_F(loggersReport, EachLanguageDatesAndWordsTheReportItsWay) {
    struct Case {
        const char* language;
        const char* date;
        const char* foot;  // the page's foot as pdftotext reads it (a no-break space may come out plain)
    };
    const Case cases[] = {
        {"English", "2026-12-08", "Report date: 2026-12-08 +Page 1 of 1"},
        {"French", "08/12/2026", "Date du rapport(\u00A0| ): 08/12/2026 +Page 1 sur 1"},
        {"German", "08.12.2026", "Berichtsdatum: 08.12.2026 +Seite 1 von 1"},
        {"Italian", "08/12/2026", "Data del rapporto: 08/12/2026 +Pagina 1 di 1"},
        {"Portuguese", "08/12/2026", "Data do relatório: 08/12/2026 +Página 1 de 1"},
    };
    const std::vector<ReportLogger> one{{Measured("ROOF1", "C", 3, 50, -4, "dBuV"), {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        LanguageTable table = english;
        (void)ReadLanguageFile(fs::path("Languages") / PathFromText(std::string(c.language) + ".lng"),
                               table);
        const std::string date = ReportDate(QDate(2026, 12, 8), table);
        EXPECT_EQ(date, c.date);
        const fs::path pdf = folder.path / "report.pdf";
        ASSERT_EQ(WriteSiteReport(one, ReportPeople{}, table, pdf, feedback, {QPageSize::A4, date}),
                  kReportWritten);
        const std::string text = Output("pdftotext -layout '" + pdf.string() + "' -");
        EXPECT_TRUE(std::regex_search(text, std::regex(c.foot))) << text;
    }
    // Without a date format (a language file of an older version): YYYY-MM-DD.
    LanguageTable older;
    EXPECT_EQ(ReportDate(QDate(2026, 1, 31), older), "2026-01-31");

    for (const char* locale : {"fr_FR", "de_DE", "it_IT", "pt_PT", "pt_BR", "de_CH", "fr_BE"})
        EXPECT_EQ(ReportPageFor(QLocale(locale)), QPageSize::A4) << locale;
    EXPECT_EQ(ReportPageFor(QLocale("fr_CA")), QPageSize::Letter);
}

}  // namespace
}  // namespace zv318::testing
