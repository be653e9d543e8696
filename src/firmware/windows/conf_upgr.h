#pragma once
// The update confirmation dialog: the version installed now, the image about to be
// installed (the one the asking update names), and SI / NO. Shown modally; SI accepts, NO and the
// close box reject.

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

    // The image the asking update is about to install.
    void setImage(const QString& path);
    // VersionTo shows the image readably, however long its path: the file name whole on the
    // first line, its folder elided in the middle on the second, the whole path as a tooltip.
    // The dialog grows with its texts; the buttons stay below them.
    void FormShow();

    QLabel* Confirm;
    QPushButton* SI;
    QPushButton* NO;
    QLabel* VersioActual;
    QLabel* VersionTo;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString image_;
};
