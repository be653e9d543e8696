#pragma once
// The logger viewer: the open logger's name, plan, date, time, type, threshold, file and
// records, with the File menu (save, print, exit).

#include <QDialog>

#include "texts/language_table.h"

class QAction;
class TDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QTabWidget;
class QTableWidget;

namespace zv318 {
class ClickableLabel;
class LoggerChart;
class LoggerPrinter;
class LoggerProcedures;
struct OpenLogger;
}  // namespace zv318

class TZVLoggerWindow : public QDialog {
    Q_OBJECT

public:
    explicit TZVLoggerWindow(QWidget* parent = nullptr);

    // Menu 1 with items 121, 122, 2; labels 22, 21, 110, 111; headings 81, 82, 83, 131;
    // LoggerNameLabel hint 134; the version label; the grid's column widths.
    void applyTranslation(const zv318::LanguageTable& table);

    // The procedures whose open logger the window shows, saves and prints, the rename dialog
    // and the language table (none owned).
    void setProcedures(zv318::LoggerProcedures* procedures, TDialog* dialog,
                       const zv318::LanguageTable* table);
    // Fills the controls from the open logger.
    void ShowLogger(const zv318::OpenLogger& logger);
    // What prints "Print logger" and the preview's pages; a printer on paper when none is set.
    void setPrinter(zv318::LoggerPrinter* printer) { printer_ = printer; }

public slots:
    void Savelogger1Click();
    void Printlogger1Click();
    void Previewlogger1Click();
    // "Export CSV…": the open logger as CSV, to a file chosen through the feedback.
    void ExportCSV1Click();
    // "Save chart as…": the chart as a PNG or a PDF (message 144 when it cannot be written).
    void SaveChart1Click();
    // "Report…": the site report of the open logger (the report dialog, then a PDF).
    void Report1Click();
    // Renames the open logger through the rename dialog: at most 12 characters; a name with
    // blanks or path separators is refused and asked for again.
    void LoggerNameLabelClick();

public:
    QMenuBar* MainMenu1;
    QMenu* Archivo1;
    QAction* Savelogger1;
    QAction* Printlogger1;
    QAction* Previewlogger1;
    QAction* ExportCSV1;
    QAction* SaveChart1;
    QAction* Report1;
    QAction* Exit1;

    zv318::ClickableLabel* LoggerNameLabel;
    QLabel* ChPNameLabel;
    QLabel* FileNameLabel;
    QLabel* DataLabel;
    QLineEdit* DataEdit;
    QLabel* HoraLabel;
    QLineEdit* HoraEdit;
    QLabel* ModeLabel;
    QLineEdit* ModeEdit;
    QLabel* LlindarLabel;
    QLineEdit* LlindarEdit;
    QTableWidget* TaulaRegistre;
    // The records as the grid ("Table") and as a bar chart ("Chart"), one tab each.
    QTabWidget* Vistes;
    zv318::LoggerChart* Grafic;
    QLabel* VersioControllerLabel;

protected:
    // The grid and the chart grow with the window.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void nameTitle(const std::string& name, const std::string& type);
    zv318::LoggerProcedures* procedures_ = nullptr;
    TDialog* dialog_ = nullptr;
    const zv318::LanguageTable* table_ = nullptr;
    zv318::LoggerPrinter* printer_ = nullptr;
};
