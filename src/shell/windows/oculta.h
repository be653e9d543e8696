#pragma once
// The hidden command window: a command typed in Edit1 goes to the instrument as it stands
// and the reply appears in Edit2.

#include <QDialog>
#include <QString>
#include <functional>

#include "link/link.h"
#include "link/trace.h"
#include "texts/language_table.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TOculta : public QDialog {
    Q_OBJECT

public:
    explicit TOculta(zv318::Link& link, QWidget* parent = nullptr);

    // Caption: entry 34; EnvPregBut: entry 35; Label1: entry 36; SaveTraceBut: entry 1005.
    void applyTranslation(const zv318::LanguageTable& table);
    // The trace whose last reports "Save trace…" writes; the button is disabled without one.
    void setTracer(zv318::Tracer* tracer);
    // Writes the reports the trace keeps to `file` (CR LF, whole or not at all).
    [[nodiscard]] bool SaveTrace(const QString& file) const;

    QLineEdit* Edit1;
    QPushButton* EnvPregBut;
    QLabel* Label1;
    QLineEdit* Edit2;
    QPushButton* SaveTraceBut;

public slots:
    void EnvPregButClick();
    // Asks where, then SaveTrace; says so when the file cannot be written or may not be (the
    // rule of every output: never the archive's files, never anything but a regular file).
    void SaveTraceButClick();

public:
    // Where "Save trace…" writes (a save dialog unless set); empty: cancelled.
    std::function<QString()> chooseTraceFile;

private:
    zv318::Link& link_;
    zv318::Tracer* tracer_ = nullptr;
    const zv318::LanguageTable* table_ = nullptr;  // the last one applied
    // What Edit2 says when the instrument is not connected (entry 15).
    QString notConnected_ = QStringLiteral("ZV-318 not connected");
};
