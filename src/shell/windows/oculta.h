#pragma once
// The hidden command window: a command typed in Edit1 goes to the instrument as it stands
// and the reply appears in Edit2.

#include <QDialog>
#include <QString>

#include "link/link.h"
#include "texts/language_table.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TOculta : public QDialog {
    Q_OBJECT

public:
    explicit TOculta(zv318::Link& link, QWidget* parent = nullptr);

    // Caption: entry 34; EnvPregBut: entry 35; Label1: entry 36.
    void applyTranslation(const zv318::LanguageTable& table);

    QLineEdit* Edit1;
    QPushButton* EnvPregBut;
    QLabel* Label1;
    QLineEdit* Edit2;

public slots:
    void EnvPregButClick();

private:
    zv318::Link& link_;
    // What Edit2 says when the instrument is not connected (entry 15).
    QString notConnected_ = QStringLiteral("ZV-318 not connected");
};
