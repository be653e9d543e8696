#pragma once
// The channel-plan editor window: one plan in the grid TaulaCanals, its name, file and type,
// the File / Edit / Help menus and the pop-up menu of the row-number column. The rules and
// commands themselves are the plan editor session's (plans/plan_editor.h); the window shows
// the plan, routes the mouse, the keys and the menus to them and shows what they report.

#include <QDialog>
#include <QStringList>
#include <filesystem>
#include <memory>

#include "plans/plan_editor.h"
#include "texts/language_table.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QTableWidget;
class TDialog;

namespace zv318 {
class ClickableLabel;
class ChannelTable;
}  // namespace zv318

class TEditor : public QDialog {
    Q_OBJECT

public:
    explicit TEditor(QWidget* parent = nullptr);
    ~TEditor() override;

    // Caption 100; menus 1, 27, 7 and their items 94, 91, 96, 107, 95, 2, 99, 90, 108;
    // pop-up items 97, 98; GroupBox1 132; ChPlanNameLabel hint 133; column titles 80, 81, 82,
    // 83, 86; the version label; the grid's 5 columns and 30-pixel header row. The table is
    // kept for the rename dialog's texts.
    void applyTranslation(const zv318::LanguageTable& table);

    // The five column titles from the language table (entries 80, 81, 82, 83, 86).
    [[nodiscard]] const QStringList& columnTitles() const { return columnTitles_; }

    // Gives the editor its plan session: the person it talks to, the files it opens (the main
    // window's open dialog and the instrument list's copies) and the rename dialog (one of its
    // own when null). Until then the menus do nothing.
    void attach(zv318::Feedback& feedback, zv318::PlanFiles& files, TDialog* dialog = nullptr);
    [[nodiscard]] zv318::PlanEditorSession* session() { return session_.get(); }

    // ---- entry points --------------------------------------------------------------------
    // A new plan; from the main window (not askFirst) the editor is then shown modally.
    // False when the question was declined.
    bool NewChannelPlan(bool askFirst, bool radio);
    // Reads a plan into the editor (source < 0: the open dialog, else the list's copy) and
    // shows it in the window; the reader's result code.
    int OpenChannelPlanFile(int source);
    // Reads a ".c318" file named by the caller into the editor; the reader's result code.
    int OpenPlanFile(const std::filesystem::path& file);
    // Shows the plan and the window modally.
    void ShowModally();

    // ---- the grid --------------------------------------------------------------------------
    // Shows the session's plan: the labels and one grid row per channel.
    void Actualitzar();
    // Column widths from the header texts.
    void FormShow();
    void InsertChannel(int row);
    void DeleteChannel(int row);
    // Whether the person confirms removing a channel from the keyboard.
    [[nodiscard]] bool AskDeleteChannel();
    // Shows a rule's message and selects the cell at fault.
    void Marca(const zv318::GridFault& fault);
    // The choice of a cell by the mouse (grid row 1 to N, column 0 to 4): true when allowed.
    bool TaulaCanalsSelectCell(int column, int row);
    // The choice of a cell by the keyboard from the current cell: the same row check, state
    // cells may be chosen (Space toggles them).
    bool KeyboardSelectCell(int column, int row);
    // A mouse release over grid cell (row, column) at `globalPos`.
    void TaulaCanalsMouseUp(Qt::MouseButton button, int row, int column, const QPoint& globalPos);
    // A click on the window outside the grid: the row check alone.
    void FormClick();
    // Space on a state cell.
    void ToggleStateCell(int row);
    [[nodiscard]] int clickedRow() const { return clickedRow_; }
    [[nodiscard]] int clickedColumn() const { return clickedColumn_; }

    QMenuBar* MainMenu1;
    QMenu* File1;
    QAction* NewRADIOchannelplan1;
    QAction* Newchannelplan1;
    QAction* Savechannelplan1;
    QAction* Savechannelplanas1;
    QAction* Loadchannelplan1;
    QAction* ExportCSV1;  // the plan as CSV, for a spreadsheet
    QAction* ImportCSV1;  // a plan from a CSV file
    QAction* Exit1;
    QMenu* Edit1;
    QAction* Sortchannels1;
    QAction* Activeall1;
    QAction* Unactiveall1;
    QMenu* Help1;
    QAction* Contents1;

    QTableWidget* TaulaCanals;
    zv318::ClickableLabel* ChPlanNameLabel;
    QLabel* FileNameLabel;
    QGroupBox* GroupBox1;
    QLabel* Tipus;
    QMenu* popupchannel;
    QAction* INSERTACANAL;
    QAction* ESBORRACANAL;
    QLabel* VersioControllerLabel;

public slots:
    void INSERTACANALClick();
    void ESBORRACANALClick();
    void Sortchannels1Click();
    void Activeall1Click();
    void Unactiveall1Click();
    void NewRADIOchannelplan1Click();
    void Newchannelplan1Click();
    void Savechannelplan1Click();
    void Savechannelplanas1Click();
    void Loadchannelplan1Click();
    void ExportCSV1Click();
    void ImportCSV1Click();
    void Exit1Click();
    void ChPlanNameLabelClick();
    // Escape, the close button and "Exit" all pass through the close question.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void selectCell(const zv318::GridFault& fault);
    void storeEdit(int tableRow, int column);
    [[nodiscard]] QString entry(int n, const char* fallback) const;

    zv318::ChannelTable* table_;
    QStringList columnTitles_;
    const zv318::LanguageTable* language_ = nullptr;
    zv318::Feedback* feedback_ = nullptr;
    std::unique_ptr<zv318::PlanEditorSession> session_;
    TDialog* dialog_ = nullptr;
    TDialog* ownDialog_ = nullptr;
    int clickedRow_ = 0;
    int clickedColumn_ = 0;
    bool showing_ = false;        // Actualitzar fills the grid: its changes are not edits
    bool closeApproved_ = false;  // the close question was answered
};
