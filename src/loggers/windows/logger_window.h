#pragma once
// The logger viewer: the open logger's name, plan, date, time, type, threshold, file and
// records, with the File menu (save, print, exit).

#include <QDialog>

#include "texts/language_table.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QTableWidget;

namespace zv318 {
class ClickableLabel;
}

class TZVLoggerWindow : public QDialog {
    Q_OBJECT

public:
    explicit TZVLoggerWindow(QWidget* parent = nullptr);

    // Menu 1 with items 121, 122, 2; labels 22, 21, 110, 111; headings 81, 82, 83, 131;
    // LoggerNameLabel hint 134; the version label; the grid's column widths.
    void applyTranslation(const zv318::LanguageTable& table);

    QMenuBar* MainMenu1;
    QMenu* Archivo1;
    QAction* Savelogger1;
    QAction* Printlogger1;
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
    QLabel* VersioControllerLabel;
};
