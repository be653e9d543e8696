#pragma once
// The "Archive" page of the main window: the archived loggers as a sortable table with a filter
// line (name or plan), the type, a date range and the instrument; double click opens a logger
// in the viewer; Compare, Trend, Export…, Report…, Delete, Import files… and Check on the
// selected loggers; and the check item that switches the keeping of loggers on and off.
//
// The page is built the first time it shows. Every read and change of the archive runs on the
// archive's worker (a thread with its own connection), so the window never waits: the table's
// rows come a page at a time as it scrolls, the count from COUNT(*), the filter line runs once
// typing pauses, and the page shows that it is busy meanwhile.

#include <QDateTime>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "archive/archive.h"
#include "link/feedback.h"
#include "texts/language_table.h"

class QAction;
class QComboBox;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;

namespace zv318 {

class ArchiveKeeper;
class ArchiveTableModel;
class ArchiveWorker;
class DateField;
class TeamArchiveControls;

// Entries of the page's busy mark and its Check button; the check's verdict (message 622).
inline constexpr int kArchiveBusyEntry = 1620;
inline constexpr int kArchiveCheckEntry = 1621;
inline constexpr int kMessageArchiveSound = 622;

class ArchivePage : public QWidget {
    Q_OBJECT
public:
    // `keeper` keeps the loggers the program downloads and says where the archive is (not
    // owned); `userFolder` holds the settings file with the on/off switch.
    ArchivePage(ArchiveKeeper& keeper, std::filesystem::path userFolder,
                QWidget* parent = nullptr);
    ~ArchivePage() override;

    void applyTranslation(const LanguageTable& table);
    // Reads the archive again with the filters as they stand (on the worker; at the first
    // show when the page has not shown yet).
    void Refresh();
    // Makes the page's widgets (the first show does it).
    void ensureBuilt();
    // "Keep loggers in the archive": a check item for the main window's menu.
    [[nodiscard]] QAction* keepAction() const { return keep_; }

    // Work queued on the archive's worker or under way, or a filter run waiting for typing to
    // pause, or another program's writes waiting to be read.
    [[nodiscard]] bool busy() const;
    // Runs `then` once the worker has done everything queued so far (at once when idle).
    void whenIdle(std::function<void()> then);

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
    // "Check": the archive's integrity check, on the worker; its verdict in a box.
    void CheckClick();
    // "Clear filters": every filter back to none.
    void ClearFiltersClick();

public:
    QLineEdit* FilterEdit = nullptr;
    QComboBox* TypeBox = nullptr;
    DateField* FromEdit = nullptr;  // typed or picked; empty: no bound
    DateField* ToEdit = nullptr;
    QComboBox* SerialBox = nullptr;
    QTableView* Table = nullptr;
    ArchiveTableModel* Model = nullptr;
    QPushButton* CompareButton = nullptr;
    QPushButton* TrendButton = nullptr;
    QPushButton* ExportButton = nullptr;
    QPushButton* DeleteButton = nullptr;
    QPushButton* ImportButton = nullptr;
    QPushButton* ReportButton = nullptr;
    QPushButton* CheckButton = nullptr;
    QPushButton* ClearFiltersButton = nullptr;
    QLabel* CountLabel = nullptr;
    QProgressBar* BusyBar = nullptr;
    // The team archive's "Server..." setting and the loggers waiting for it.
    TeamArchiveControls* Team;

protected:
    void showEvent(QShowEvent* event) override;
    // The team archive has no file to watch: it is read again when the window comes to the
    // front.
    void changeEvent(QEvent* event) override;
    // The Delete key on the table deletes as the button does.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] QString text(int entry) const;
    void tell(int message, const QString& detail = {});
    void setKeeping(bool on);
    void applyTexts();
    void fitColumns(const QStringList& headings);
    void showCount();
    void setBusy(bool busy);
    void openRow(int row);
    // The program's notice of a file written, with "Open" and "Show in folder".
    void tellWritten(const std::string& file);
    // Watches this PC's archive file (and its journal) for another program's writes.
    void watchArchive();

    ArchiveKeeper& keeper_;
    std::filesystem::path userFolder_;
    const LanguageTable* table_ = nullptr;
    QAction* keep_;
    ArchiveWorker* worker_;
    QTimer* typing_ = nullptr;
    QFileSystemWatcher* files_ = nullptr;
    QTimer* settle_ = nullptr;  // a burst of writes is read once
    QDateTime lastRead_;        // when the page last read the archive
    QLabel* labels_[5] = {};
    bool stale_ = true;
    bool usable_ = false, writable_ = false;
    std::int64_t shown_ = -1;  // the count of the filter, -1 before it is known
    int waiting_ = 0;          // loggers waiting for the team archive
    bool away_ = false;        // the team server does not answer
    std::vector<std::function<void()>> whenIdle_;
};

}  // namespace zv318
