#pragma once
// The channel-plan editor window: one plan in the grid TaulaCanals, its name, file and type,
// the File / Edit / Help menus and the pop-up menu of the row-number column.

#include <QDialog>
#include <QStringList>

#include "texts/language_table.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QTableWidget;

namespace zv318 {
class ClickableLabel;
}

class TEditor : public QDialog {
    Q_OBJECT

public:
    explicit TEditor(QWidget* parent = nullptr);

    // Caption 100; menus 1, 27, 7 and their items 94, 91, 96, 107, 95, 2, 99, 90, 108;
    // pop-up items 97, 98; GroupBox1 132; ChPlanNameLabel hint 133; column titles 80, 81, 82,
    // 83, 86; the version label; the grid's 5 columns and 30-pixel header row.
    void applyTranslation(const zv318::LanguageTable& table);

    // The five column titles from the language table (entries 80, 81, 82, 83, 86).
    [[nodiscard]] const QStringList& columnTitles() const { return columnTitles_; }

    QMenuBar* MainMenu1;
    QMenu* File1;
    QAction* NewRADIOchannelplan1;
    QAction* Newchannelplan1;
    QAction* Savechannelplan1;
    QAction* Savechannelplanas1;
    QAction* Loadchannelplan1;
    QAction* Exit1;
    QMenu* Edit1;
    QAction* Sortchannels1;
    QAction* Activeall1;
    QAction* Unactiveall1;
    QMenu* Help1;

    QTableWidget* TaulaCanals;
    zv318::ClickableLabel* ChPlanNameLabel;
    QLabel* FileNameLabel;
    QGroupBox* GroupBox1;
    QLabel* Tipus;
    QMenu* popupchannel;
    QAction* INSERTACANAL;
    QAction* ESBORRACANAL;
    QLabel* VersioControllerLabel;

private:
    QStringList columnTitles_;
};
