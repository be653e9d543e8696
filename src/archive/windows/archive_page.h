#pragma once
// The "Archive" page of the main window: the archived loggers as a sortable table with a filter
// line (name or plan), the type, a date range and the instrument; double click opens a logger
// in the viewer; Compare, Trend, Export…, Delete and Import files… on the selected loggers; and
// the check item that switches the keeping of loggers on and off.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "archive/archive.h"
#include "link/feedback.h"
#include "texts/language_table.h"

class QAction;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace zv318 {

class ArchiveKeeper;
class TeamArchiveControls;

class ArchivePage : public QWidget {
    Q_OBJECT
public:
    // `keeper` opens the archive and keeps the loggers the program downloads (not owned);
    // `userFolder` holds the settings file with the on/off switch.
    ArchivePage(ArchiveKeeper& keeper, std::filesystem::path userFolder,
                QWidget* parent = nullptr);

    void applyTranslation(const LanguageTable& table);
    // Reads the archive again with the filters as they stand.
    void Refresh();
    // "Keep loggers in the archive": a check item for the main window's menu.
    [[nodiscard]] QAction* keepAction() const { return keep_; }

    // The ids of the selected rows, in the table's order.
    [[nodiscard]] std::vector<std::int64_t> SelectedIds() const;
    void selectIds(const std::vector<std::int64_t>& ids);
    // Every logger of the instrument `serial`, whatever the other filters held, with `ids`
    // selected (the loggers a plug-in kept).
    void ShowLoggers(const QString& serial, const std::vector<std::int64_t>& ids);

    // How the page asks for files (a dialog; the tests and the pictures answer themselves).
    std::function<QStringList(const QString& caption, const QString& filter)> chooseOpenFiles;
    std::function<QString(const QString& caption, const QString& proposed)> chooseSaveFile;
    // The program's Feedback, through which "Report…" asks for its PDF and tells its messages
    // (the main window's, set once it has one).
    std::function<Feedback*()> reportFeedback;

signals:
    // A logger to show in the viewer.
    void openLogger(const zv318::OpenLogger& logger);

public slots:
    void CompareClick();
    void TrendClick();
    void ExportClick();
    void DeleteClick();
    void ImportClick();
    // "Report…": the site report of the selected loggers, each with its instrument.
    void ReportClick();

public:
    QLineEdit* FilterEdit;
    QComboBox* TypeBox;
    QDateEdit* FromEdit;
    QDateEdit* ToEdit;
    QComboBox* SerialBox;
    QTableWidget* Table;
    QPushButton* CompareButton;
    QPushButton* TrendButton;
    QPushButton* ExportButton;
    QPushButton* DeleteButton;
    QPushButton* ImportButton;
    QPushButton* ReportButton;
    QLabel* CountLabel;
    // The team archive's "Server..." setting and the loggers waiting for it.
    TeamArchiveControls* Team;

private:
    [[nodiscard]] Archive* archive();
    [[nodiscard]] QString text(int entry) const;
    void tell(int message, const QString& detail = {});
    void setKeeping(bool on);

    ArchiveKeeper& keeper_;
    std::filesystem::path userFolder_;
    const LanguageTable* table_ = nullptr;
    QAction* keep_;
    QLabel* labels_[5] = {};
};

}  // namespace zv318
