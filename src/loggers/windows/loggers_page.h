#pragma once
// The main window's "Loggers" page: the instrument's logger index `LoggerIndex` and the buttons
// that receive, open, print and save loggers. Its commands run through the PageHost of the
// window that shows it; an opened logger shows in the viewer.

#include <QSize>
#include <QWidget>
#include <memory>

#include "link/page_host.h"
#include "loggers/windows/logger_table_widget.h"
#include "texts/language_table.h"

class QFrame;
class QLabel;
class QPushButton;
class QTableWidget;
class TDialog;
class TZVLoggerWindow;

namespace zv318 {
class LoggerPrinter;
class LoggerProcedures;
}  // namespace zv318

class TLoggersPage : public QWidget {
    Q_OBJECT

public:
    explicit TLoggersPage(zv318::PageHost& host, QWidget* parent = nullptr);
    ~TLoggersPage() override;

    // The viewer an opened logger shows in (and the dialog it asks names with); may be null.
    void setWindows(TZVLoggerWindow* viewer, TDialog* dialog);
    // The procedures are made again for the host's next Feedback.
    void resetProcedures();
    // The logger procedures behind the page (the index, the open logger); null before the
    // host has a Feedback.
    [[nodiscard]] zv318::LoggerProcedures* loggerProcedures();
    // What "Print selected loggers" prints on; the system printer when none is set.
    zv318::LoggerPrinter* loggerPrinter = nullptr;

    // The page's controls follow what `reference` (the main window's client area) grows
    // beyond `design`, its designed size: the list or grid takes the room.
    void growWith(QWidget* reference, QSize design);
    void applyTranslation(const zv318::LanguageTable& table);
    // The page's controls in the order the Tab key visits them.
    [[nodiscard]] QWidgetList tabChain() const;

    QLabel* Label3;
    QFrame* Panel3;
    QTableWidget* LoggerIndex;
    QPushButton* ReceiveRLogBut;
    QPushButton* ReceivePLogBut;
    QPushButton* PrintSelBut;
    QPushButton* OpenLogBut;
    QPushButton* SaveLogAsBut;
    QPushButton* SaveLogBut;
    QLabel* VersioControllerLabel2;

public slots:
    void ReceiveRLogButClick();
    void ReceivePLogButClick();
    void OpenLogButClick();
    void SaveLogButClick();
    void SaveLogAsButClick();
    void PrintSelButClick();
    void LoggerIndexMouseUp(int column, int row, bool leftButton);
    void LoggerIndexDblClick();
    // Empties the logger rows (and forgets what they showed); shows the table as listed.
    void ClearLoggerList();
    void ListLoggers();

private:
    void receiveLoggers(int type);
    // Shows the open logger in the viewer, modally.
    void showLoggerViewer();

    zv318::PageHost& host_;
    TZVLoggerWindow* viewer_ = nullptr;
    TDialog* dialog_ = nullptr;
    std::unique_ptr<zv318::LoggerProcedures> loggerProcedures_;
    zv318::MarkWords marks_;
};
