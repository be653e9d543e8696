#pragma once
// The channel plan editor's grid TaulaCanals: every change of the current cell, by the mouse or
// by the keys, passes the editor's selection rule first; a click on a state cell turns it
// rather than choosing it. The editor window (editor.h) owns it and holds the rules.

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "plans/plan_editor.h"
#include "plans/windows/editor.h"

namespace zv318 {

// Row number, name, frequency, bandwidth, state.
inline constexpr int kChannelColumns = 5;

// The grid: every change of the current cell, by the mouse or by the keys, passes the editor's
// selection rule first; a click on a state cell turns it rather than choosing it.
class ChannelTable : public QTableWidget {
public:
    ChannelTable(TEditor& editor, QWidget* parent)
        : QTableWidget(0, kChannelColumns, parent), editor_(editor) {}

    // Hands an open cell editor's text to the grid and closes it, so the row check sees what
    // the person typed.
    void commitOpenEditor() {
        if (state() == EditingState && openEditor_) {
            QWidget* open = openEditor_;
            commitData(open);
            closeEditor(open, QAbstractItemDelegate::NoHint);
        }
    }
    QPointer<QWidget> openEditor_;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (!index.isValid()) return QTableWidget::mousePressEvent(event);
        commitOpenEditor();
        // Only the left button chooses cells; the right one opens the row-number pop-up on
        // its release and leaves the current cell alone.
        if (event->button() != Qt::LeftButton ||
            !editor_.TaulaCanalsSelectCell(index.column(), index.row() + 1)) {
            event->accept();
            return;
        }
        QTableWidget::mousePressEvent(event);
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override {
        // The second click of a double click chooses the cell again (and turns a state cell
        // back); an allowed cell of columns 1 to 3 then opens for editing.
        const QModelIndex index = indexAt(event->position().toPoint());
        if (!index.isValid()) return QTableWidget::mouseDoubleClickEvent(event);
        commitOpenEditor();
        if (event->button() != Qt::LeftButton ||
            !editor_.TaulaCanalsSelectCell(index.column(), index.row() + 1)) {
            event->accept();
            return;
        }
        QTableWidget::mouseDoubleClickEvent(event);
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        // Dragging would move the current cell past the rule: the grid chooses by clicks only.
        if (event->buttons() != Qt::NoButton) {
            event->accept();
            return;
        }
        QTableWidget::mouseMoveEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        QTableWidget::mouseReleaseEvent(event);
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid())
            editor_.TaulaCanalsMouseUp(event->button(), index.row() + 1, index.column(),
                                       viewport()->mapToGlobal(event->position().toPoint()));
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (state() == EditingState) return QTableWidget::keyPressEvent(event);
        const QModelIndex current = currentIndex();
        const int row = current.isValid() ? current.row() + 1 : 0;
        switch (event->key()) {
            case Qt::Key_Insert:
                if (row > 0) editor_.InsertChannel(row);
                return;
            case Qt::Key_Delete:
                if (row > 0) editor_.DeleteChannel(row);
                return;
            case Qt::Key_Space:
                if (row > 0 && current.column() == PlanGrid::kStateColumn) {
                    editor_.ToggleStateCell(row);
                    return;
                }
                break;
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
                move(event->key() == Qt::Key_Tab ? MoveNext : MovePrevious, event->modifiers());
                return;
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Home:
            case Qt::Key_End:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
                move(ActionFor(event->key()), event->modifiers());
                return;
            default:
                break;
        }
        QTableWidget::keyPressEvent(event);
    }

    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override {
        // Tab in an open cell moves on through the rule like Tab outside it.
        const bool next = hint == QAbstractItemDelegate::EditNextItem;
        const bool previous = hint == QAbstractItemDelegate::EditPreviousItem;
        QTableWidget::closeEditor(editor, next || previous ? QAbstractItemDelegate::NoHint : hint);
        if (next || previous) move(next ? MoveNext : MovePrevious, Qt::NoModifier);
    }

private:
    static CursorAction ActionFor(int key) {
        switch (key) {
            case Qt::Key_Up:
                return MoveUp;
            case Qt::Key_Down:
                return MoveDown;
            case Qt::Key_Left:
                return MoveLeft;
            case Qt::Key_Right:
                return MoveRight;
            case Qt::Key_Home:
                return MoveHome;
            case Qt::Key_End:
                return MoveEnd;
            case Qt::Key_PageUp:
                return MovePageUp;
            default:
                return MovePageDown;
        }
    }

    // Moves the current cell; Tab and Shift+Tab run along the rows over columns 1 to 4.
    void move(CursorAction action, Qt::KeyboardModifiers modifiers) {
        const QModelIndex current = currentIndex();
        if (!current.isValid() || rowCount() == 0) {
            if (rowCount() > 0 && editor_.KeyboardSelectCell(1, 1)) setCurrentCell(0, 1);
            return;
        }
        int row = current.row(), column = current.column();
        if (action == MoveNext || action == MovePrevious) {
            const bool forward = action == MoveNext;
            column += forward ? 1 : -1;
            if (column > PlanGrid::kStateColumn) {
                column = PlanGrid::kNameColumn;
                ++row;
            } else if (column < PlanGrid::kNameColumn) {
                column = PlanGrid::kStateColumn;
                --row;
            }
            if (row < 0 || row >= rowCount()) return;
        } else {
            const QModelIndex target = moveCursor(action, modifiers);
            if (!target.isValid()) return;
            row = target.row();
            column = target.column();
        }
        if (row == current.row() && column == current.column()) return;
        if (editor_.KeyboardSelectCell(column, row + 1)) setCurrentCell(row, column);
    }

    TEditor& editor_;
};

// Keeps the editor of the open cell known to the grid.
class ChannelDelegate : public QStyledItemDelegate {
public:
    ChannelDelegate(ChannelTable& table) : QStyledItemDelegate(&table), table_(table) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        table_.openEditor_ = editor;
        return editor;
    }

private:
    ChannelTable& table_;
};

}  // namespace zv318
