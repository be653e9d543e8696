#pragma once
// The update confirmation dialog: the version installed now, the image about to be
// installed, and SI / NO. Shown modally; SI accepts, NO and the close box reject.

#include <QDialog>
#include <QString>

#include "texts/language_table.h"

class QLabel;
class QPushButton;

class TConfUpgr : public QDialog {
    Q_OBJECT

public:
    explicit TConfUpgr(QWidget* parent = nullptr);

    // Caption: entry 33; SI: entry 51; NO: entry 52.
    void applyTranslation(const zv318::LanguageTable& table);

    // The image path given at start-up (empty when none).
    void setStartupArgument(const QString& path);
    // The file name last chosen in the main window's image dialog.
    void setDialogFile(const QString& path);
    // VersionTo := the start-up argument when set, else the dialog's file.
    void FormShow();

    QLabel* Confirm;
    QPushButton* SI;
    QPushButton* NO;
    QLabel* VersioActual;
    QLabel* VersionTo;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString startupArgument_;
    QString dialogFile_;
};
