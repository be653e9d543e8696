#pragma once
// The report dialog: the site (its name chosen from the sites reported on before, or typed),
// the customer, the site's address and notes, remembered per site name; the technician, the
// company and the company's logo, kept for every report. "Make report" asks where the PDF goes
// and writes it. The viewer's "Report…" and the archive's use it alike.

#include <QDialog>
#include <filesystem>
#include <functional>
#include <vector>

#include "link/feedback.h"
#include "loggers/site_report.h"
#include "texts/language_table.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace zv318 {

class ReportDialog : public QDialog {
    Q_OBJECT

public:
    ReportDialog(const LanguageTable& table, const UserSettings& settings,
                 QWidget* parent = nullptr);
    // What the fields hold.
    [[nodiscard]] ReportPeople people() const;

    QComboBox* SiteName;
    QLineEdit* Customer;
    QLineEdit* SiteAddress;
    QPlainTextEdit* Notes;
    QLineEdit* Technician;
    QLineEdit* Company;
    QLineEdit* Logo;
    QPushButton* ChooseLogo;
    QPushButton* MakeReport;
    QPushButton* CancelButton;
    QPushButton* PreviewButton;
    // What "Preview" does with the fields as they stand.
    std::function<void(const ReportPeople&)> preview;

private:
    void fillSite(const QString& site);
    const LanguageTable& table_;
    const UserSettings& settings_;
};

// The report of `loggers` as it would be written, in a temporary PDF the desktop's viewer opens.
void PreviewSiteReport(const std::vector<ReportLogger>& loggers, const ReportPeople& people,
                       const LanguageTable& table, Feedback& feedback);

// The whole "Report…": the dialog on the settings of `userFolder`, the fields kept, the PDF's
// path asked through the feedback (proposed: the site's or the first logger's name), the
// report written (A4 or Letter from the locale). True when a report was written.
bool MakeSiteReport(QWidget* parent, const std::vector<ReportLogger>& loggers,
                    Feedback& feedback, const LanguageTable& table,
                    const std::filesystem::path& userFolder);

}  // namespace zv318
