#pragma once
// The logger table as the main window's grid shows it: 50 logger rows under the grid's own
// header (drawn as the heading row, so it stays in view when the rows scroll), the row numbers
// in the fixed column 0, the columns fitted to the grid; and the mouse releases and
// double-clicks of the grid in the table's own numbering (heading row 0, logger rows 1-50).

#include <QObject>
#include <QStringList>

class QTableWidget;

namespace zv318 {

class LoggerTable;

// Shapes the grid once; `headingEntries` texts come later with SetLoggerHeadings.
void SetUpLoggerGrid(QTableWidget& grid);
// Headings of columns 1 to 4 (column 0 has none).
void SetLoggerHeadings(QTableWidget& grid, const QStringList& headings);
// The words the "Selected" column shows for the table's own marks "YES" and "NO", and their
// language entries.
inline constexpr int kMarkYesEntry = 1890, kMarkNoEntry = 1891;
struct MarkWords {
    QString yes = QStringLiteral("YES"), no = QStringLiteral("NO");
};
// The cells of rows 1-50 from the table, the marks in `marks`' words; only cells the table lets
// be selected can be.
void ShowLoggerTable(QTableWidget& grid, const LoggerTable& table, const MarkWords& marks = {});

class LoggerGridEvents : public QObject {
    Q_OBJECT

public:
    explicit LoggerGridEvents(QTableWidget& grid);

signals:
    // A mouse button released over a cell (row 0: the heading of that column).
    void released(int column, int row, bool leftButton);
    void doubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableWidget& grid_;
    // Kept from the start: events also arrive while the grid is being destroyed, when asking
    // the grid for its header is no longer allowed.
    QObject* headerViewport_;
};

}  // namespace zv318
