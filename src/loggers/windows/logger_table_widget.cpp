#include "loggers/windows/logger_table_widget.h"

#include "texts/windows/window_growth.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "loggers/logger_index.h"

namespace zv318 {

namespace {

constexpr int kRowHeight = 20;
// The design widths, scaled to fill the grid beside its scroll bar.
constexpr int kDesignWidths[LoggerTable::kColumns] = {32, 99, 85, 86, 89};

// The fixed column 0 looks like a grid header: the row numbers on the button face.
class FixedColumnDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() != 0) return;
        option->backgroundBrush = option->palette.brush(QPalette::Button);
        option->palette.setColor(QPalette::Text, option->palette.color(QPalette::ButtonText));
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    }
};

}  // namespace

void SetUpLoggerGrid(QTableWidget& grid) {
    grid.clear();
    grid.setItemDelegate(new FixedColumnDelegate(&grid));
    grid.setRowCount(LoggerTable::kRows - 1);
    grid.setColumnCount(LoggerTable::kColumns);
    grid.horizontalHeader()->show();
    grid.horizontalHeader()->setFixedHeight(kRowHeight + 2);
    grid.horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid.horizontalHeader()->setHighlightSections(false);
    grid.horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont bold = grid.horizontalHeader()->font();
    bold.setBold(true);
    grid.horizontalHeader()->setFont(bold);
    grid.verticalHeader()->hide();
    grid.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid.verticalHeader()->setDefaultSectionSize(kRowHeight);
    grid.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // The columns share the grid's width in their designed proportions, as it grows too.
    zv318::StretchColumns(&grid, {std::begin(kDesignWidths), std::end(kDesignWidths)});
    for (int r = 0; r < grid.rowCount(); ++r) {
        for (int c = 0; c < LoggerTable::kColumns; ++c) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled);
            grid.setItem(r, c, item);
        }
    }
    SetLoggerHeadings(grid, {});
}

void SetLoggerHeadings(QTableWidget& grid, const QStringList& headings) {
    QStringList labels{QString()};
    for (int c = 0; c < LoggerTable::kColumns - 1; ++c) labels << headings.value(c);
    grid.setHorizontalHeaderLabels(labels);
}

void ShowLoggerTable(QTableWidget& grid, const LoggerTable& table, const MarkWords& marks) {
    for (int row = 1; row < LoggerTable::kRows; ++row) {
        for (int c = 0; c < LoggerTable::kColumns; ++c) {
            QTableWidgetItem* item = grid.item(row - 1, c);
            if (!item) continue;
            QString shown = QString::fromStdString(table.cell(row, c));
            // The table keeps "YES" and "NO" (its procedures and zv318ctl read them); the grid
            // says them in the person's language.
            if (c == LoggerTable::kMarkColumn && shown == QLatin1String("YES")) shown = marks.yes;
            if (c == LoggerTable::kMarkColumn && shown == QLatin1String("NO")) shown = marks.no;
            item->setText(shown);
            item->setFlags(table.LoggerIndexSelectCell(c, row)
                               ? Qt::ItemIsEnabled | Qt::ItemIsSelectable
                               : Qt::ItemIsEnabled);
        }
    }
}

LoggerGridEvents::LoggerGridEvents(QTableWidget& grid)
    : QObject(&grid), grid_(grid), headerViewport_(grid.horizontalHeader()->viewport()) {
    grid.viewport()->installEventFilter(this);
    headerViewport_->installEventFilter(this);
    grid.installEventFilter(this);
}

bool LoggerGridEvents::eventFilter(QObject* watched, QEvent* event) {
    const bool header = watched == headerViewport_;
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        const bool left = mouse->button() == Qt::LeftButton;
        if (header) {
            const int column = grid_.horizontalHeader()->logicalIndexAt(at);
            if (column >= 0) emit released(column, 0, left);
        } else {
            const int column = grid_.columnAt(at.x());
            const int row = grid_.rowAt(at.y());
            if (column >= 0 && row >= 0) emit released(column, row + 1, left);
        }
    } else if (event->type() == QEvent::MouseButtonDblClick && !header) {
        emit doubleClicked();
    } else if (event->type() == QEvent::KeyPress && watched == &grid_ && grid_.currentRow() >= 0) {
        // From the keyboard: Space turns the current row's mark, Enter opens its logger (as a
        // click on the mark cell and a double click on the row do).
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int row = grid_.currentRow() + 1;
        if (key == Qt::Key_Space) {
            emit released(LoggerTable::kMarkColumn, row, true);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit released(1, row, true);
            emit doubleClicked();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace zv318
