// Printing loggers: the print text's exact bytes, its pages on a PDF read back with
// pdftotext, and the print commands' dialogs and messages.
#include <QPdfWriter>
#include <cstdlib>

#include "loggers/logger_fixture.h"
#include "loggers/print_text.h"
#include "loggers/windows/paper_printer.h"

namespace zv318::testing {
namespace {

OpenLogger Records(int count, const std::string& type = "RADIO") {
    OpenLogger lg;
    lg.typeText = type;
    lg.name = "L1";
    lg.planName = "TV1";
    lg.date = "01/02/2013";
    lg.time = "10:20:30";
    lg.thresholdText = "-50 dBm";
    for (int k = 1; k <= count; ++k) {
        char channel[8];
        std::snprintf(channel, sizeof channel, "K%02d", k);
        lg.records.push_back({channel, "474.0000", "8.0000", "-45.2 dBm"});
    }
    return lg;
}

const char kHeader[] =
    "RADIO LOGGER\r\n\r\nLogger name:       L1\r\nChannel plan name: TV1\r\n"
    "Logger date:       01/02/2013\r\nLogger time:       10:20:30\r\n"
    "Threshold:         -50 dBm\r\n";
const char kHeading[] = "CHANNEL      FREQUENCY      BANDWITH      POWER";

TEST(loggersPrint, PrintTextLaysOutHeaderHeadingsAndFixedFields) {
    OpenLogger three = Records(3);
    three.records[1].channel = "LONGNAME9";    // 9 characters: cut to 7
    three.records[2].power = "-123.4567 dBm";  // the field holds 16 characters
    // Fields of 7, 15, 14 and up to 16 characters.
    const std::string line1 =
        "K01    "
        "      474.0000 "
        "      8.0000  "
        "      -45.2 dBm";
    EXPECT_EQ(LoggerPrintText(three),
              std::string(kHeader) + "\r\n\r\n" + kHeading + "\r\n" + line1 + "\r\n" +
                  "LONGNAM      474.0000       8.0000        -45.2 dBm\r\n" +
                  "K03          474.0000       8.0000        -123.4567 #");
    // Column by column, under the heading's words.
    EXPECT_EQ(line1.find("474"), 13u);
    EXPECT_EQ(line1.find("8.0000"), 28u);
    EXPECT_EQ(line1.find("-45.2"), 42u);

    EXPECT_EQ(LoggerPrintText(Records(0)), std::string(kHeader) + "#");

    // 80 records: headings before records 1 and 72 only, whatever the pages.
    const std::string eighty = LoggerPrintText(Records(80));
    std::vector<std::size_t> headings;
    for (std::size_t at = eighty.find(kHeading); at != std::string::npos;
         at = eighty.find(kHeading, at + 1))
        headings.push_back(at);
    ASSERT_EQ(headings.size(), 2u);
    EXPECT_EQ(eighty.substr(headings[1] - 7, 7), "dBm\r\n\r\n");  // one empty line
    EXPECT_EQ(eighty.substr(headings[1] + sizeof kHeading - 1, 5), "\r\nK72");
    EXPECT_TRUE(eighty.ends_with("\r\nK80          474.0000       8.0000        -45.2 dBm#"));
}

// Runs pdftotext -layout on a PDF: its text, pages ended by form feeds.
std::string PdfText(const fs::path& pdf) {
    const fs::path text = pdf.string() + ".txt";
    const std::string command =
        "pdftotext -layout '" + pdf.string() + "' '" + text.string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) return "<pdftotext failed>";
    return ReadBytes(text);
}

TEST_F(loggersScenario, PagesBreakWhereThePageHeightSays) {
    procedures.logger() = Records(80);
    ASSERT_EQ(procedures.WriteLogger(1), kLoggerWritten);
    const fs::path pdf = folder.path / "eighty.pdf";
    int linesPerPage = 0;
    {
        PdfLoggerPrinter printer(pdf);
        printer.SetPrintTitle("L1");
        ASSERT_EQ(printer.PrintTextFile(procedures.PrintTextPath()), 1);
        ASSERT_TRUE(printer.finish());
        // The same page: A4 at 300 dpi, 10-point lines.
        QPdfWriter probe((folder.path / "probe.pdf").string().c_str());
        probe.setResolution(300);
        probe.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        const int lineHeight = static_cast<int>(std::lround(10 * 300 / 72.0));
        const int bottom = probe.height() - kPrintBottomMargin;
        while (linesPerPage * lineHeight + kPrintTop <= bottom) ++linesPerPage;
    }
    const std::string text = PdfText(pdf);
    // Print-text line 9 is the first heading; record k (k < 72) is line 9 + k.
    ASSERT_GT(linesPerPage, 11);
    ASSERT_LT(linesPerPage, 80);
    const std::size_t pageEnd = text.find('\f');
    char last[16], next[16];
    std::snprintf(last, sizeof last, "K%02d", linesPerPage - 10);
    std::snprintf(next, sizeof next, "K%02d", linesPerPage - 9);
    EXPECT_LT(text.find(last), pageEnd) << text;
    EXPECT_GT(text.find(next), pageEnd) << text;
    for (int k = 1; k <= 80; ++k) {
        char line[64];
        std::snprintf(line, sizeof line, "K%02d", k);
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(text.find('#'), std::string::npos);
    EXPECT_NE(text.find("Threshold:         -50 dBm"), std::string::npos) << text;
}

// A printer that answers the print dialog from a script and keeps what it was asked to print.
class ScriptedPrinter : public LoggerPrinter {
public:
    bool choosePrinter() override {
        ++dialogs;
        return accept;
    }
    void SetPrintTitle(const std::string& title) override { titles.push_back(title); }
    int PrintTextFile(const std::filesystem::path& file) override {
        std::optional<std::string> text = ReadWholeFile(file);
        if (!text) return 0;
        printed.push_back(*text);
        return 1;
    }
    bool accept = true;
    int dialogs = 0;
    std::vector<std::string> titles, printed;
};

TEST_F(loggersScenario, PrintCommandsAskOnceAndReportEveryFailure) {
    ReceiveRadio({{1, SimLogger("A", 2)}, {2, SimLogger("B", 1)}, {3, SimLogger("C", 0)}});
    ScriptedPrinter printer;
    // Nothing marked: message 30 and no dialog.
    EXPECT_EQ(procedures.PrintSelButClick(printer), LoggerOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{30});
    EXPECT_EQ(printer.dialogs, 0);

    // Rows 1 and 3 marked: one dialog, two jobs titled with their names.
    procedures.table().LoggerIndexMouseUp(4, 1, true);
    procedures.table().LoggerIndexMouseUp(4, 3, true);
    feedback.messages.clear();
    EXPECT_EQ(procedures.PrintSelButClick(printer), LoggerOutcome::Done);
    EXPECT_EQ(printer.dialogs, 1);
    EXPECT_EQ(printer.titles, (std::vector<std::string>{"A", "C"}));
    ASSERT_EQ(printer.printed.size(), 2u);
    EXPECT_TRUE(printer.printed[1].ends_with("Threshold:         -50 dBm\r\n#"));
    EXPECT_EQ(ReadBytes(procedures.PrintTextPath()), printer.printed[1]);  // left in place
    EXPECT_TRUE(feedback.messages.empty());

    // The dialog cancelled: nothing downloaded, no message.
    printer.accept = false;
    instrument.clearReceived();
    EXPECT_EQ(procedures.PrintSelButClick(printer), LoggerOutcome::Cancelled);
    EXPECT_TRUE(commands().empty());
    EXPECT_TRUE(feedback.messages.empty());

    // A file where the "Loggers" folder would be: message 18 from the writer, then 26; from the
    // viewer the same.
    printer.accept = true;
    fs::remove_all(loggers());
    WriteBytes(loggers(), "a file where the folder would be");
    EXPECT_EQ(procedures.PrintSelButClick(printer), LoggerOutcome::Failed);
    EXPECT_EQ(feedback.messages, (std::vector<int>{18, 26}));
    feedback.messages.clear();
    EXPECT_EQ(procedures.Printlogger1Click(printer), LoggerOutcome::Failed);
    EXPECT_EQ(feedback.messages, (std::vector<int>{18, 26}));
    EXPECT_EQ(printer.printed.size(), 2u);
}

// Printing into a file: the PDF of zv318ctl takes the old file's place only when the run has
// finished; the print dialog's "Print to file" keeps every logger of the run, each from a
// page of its own.
TEST_F(loggersScenario, PrintingToAFileKeepsEveryLoggerAndNeverHalfAFile) {
    ReceiveRadio({{1, SimLogger("AAA", 2)}, {2, SimLogger("BBB", 30)}});
    procedures.table().LoggerIndexMouseUp(4, 1, true);
    procedures.table().LoggerIndexMouseUp(4, 2, true);
    const fs::path out = WriteBytes(folder.path / "out.pdf", "old");
    link.setTimeoutMs(200);
    instrument.silentFrom = 10;  // lost during the second logger
    {
        PdfLoggerPrinter pdf(out);
        EXPECT_EQ(procedures.PrintSelButClick(pdf), LoggerOutcome::NotConnected);
        EXPECT_FALSE(pdf.finish(false));
    }
    EXPECT_EQ(ReadBytes(out), "old");
    instrument.silentFrom.reset();
    {
        PdfLoggerPrinter pdf(out);
        EXPECT_EQ(procedures.PrintSelButClick(pdf), LoggerOutcome::Done);
        EXPECT_EQ(ReadBytes(out), "old");  // not before the end
        EXPECT_TRUE(pdf.finish());
    }
    const std::string text = PdfText(out);
    EXPECT_NE(text.find("Logger name:       AAA"), std::string::npos);
    EXPECT_NE(text.find("Logger name:       BBB"), std::string::npos);

    // "Print to file" of the print dialog: both loggers in the one file.
    const fs::path file = folder.path / "paper.pdf";
    {
        PaperLoggerPrinter paper(nullptr);
        paper.printer().setOutputFormat(QPrinter::PdfFormat);
        paper.printer().setOutputFileName(QString::fromStdString(file.string()));
        for (int row : {1, 2}) {
            ASSERT_EQ(procedures.LoadLogger(row), kLoggerLoaded);
            ASSERT_EQ(procedures.WriteLogger(1), kLoggerWritten);
            EXPECT_EQ(paper.PrintTextFile(procedures.PrintTextPath()), 1);
        }
    }
    const std::string paperText = PdfText(file);
    const std::size_t second = paperText.find("Logger name:       BBB");
    ASSERT_NE(second, std::string::npos);
    EXPECT_NE(paperText.rfind('\f', second), std::string::npos);  // on a page of its own
    EXPECT_LT(paperText.find("Logger name:       AAA"), paperText.rfind('\f', second));
}

}  // namespace
}  // namespace zv318::testing
