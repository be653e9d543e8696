#include "shell/windows/oculta.h"
#include "texts/menu_caption.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "shell/service.h"
#include "shell/startup.h"
#include "shell/windows/window_feedback.h"
#include "texts/output_path.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"

TOculta::TOculta(zv318::Link& link, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      link_(link) {
    setObjectName("Oculta");
    setWindowTitle("Finestra oculta");
    setModal(true);
    setFixedSize(460, 132);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::red);
    setPalette(palette);
    setAutoFillBackground(true);

    Edit1 = new QLineEdit("Edit1", this);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(8, 8, 444, 22);

    EnvPregBut = new QPushButton("Enviar pregunta", this);
    EnvPregBut->setObjectName("EnvPregBut");
    EnvPregBut->setGeometry(8, 38, 130, 25);
    // Enter in Edit1 sends through returnPressed; the button must not fire a second time.
    EnvPregBut->setAutoDefault(false);
    EnvPregBut->setDefault(false);
    connect(EnvPregBut, &QPushButton::clicked, this, &TOculta::EnvPregButClick);
    connect(Edit1, &QLineEdit::returnPressed, this, &TOculta::EnvPregButClick);

    // What went over the wire lately, for whoever supports the technician.
    SaveTraceBut = new QPushButton("Save trace...", this);
    SaveTraceBut->setObjectName("SaveTraceBut");
    SaveTraceBut->setGeometry(322, 38, 130, 25);
    SaveTraceBut->setAutoDefault(false);
    SaveTraceBut->setEnabled(false);
    connect(SaveTraceBut, &QPushButton::clicked, this, &TOculta::SaveTraceButClick);

    Label1 = new QLabel("Resposta", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 74, 444, 18);

    Edit2 = new QLineEdit("Edit2", this);
    Edit2->setObjectName("Edit2");
    Edit2->setGeometry(8, 98, 444, 22);
}

void TOculta::applyTranslation(const zv318::LanguageTable& table) {
    table_ = &table;
    setWindowTitle(QString::fromStdString(table.entry(34)));
    Label1->setText(QString::fromStdString(table.entry(36)));
    notConnected_ = QString::fromStdString(table.entry(15));
    QString taken;
    zv318::SetButtonCaptions<QPushButton>(
        taken, {{EnvPregBut, QString::fromStdString(table.entry(35))},
                {SaveTraceBut, table.entry(1005).empty() ? zv318::WithoutMnemonic(SaveTraceBut->text())
                                                         : QString::fromStdString(table.entry(1005))}});
}

void TOculta::setTracer(zv318::Tracer* tracer) {
    tracer_ = tracer;
    SaveTraceBut->setEnabled(tracer != nullptr);
}

bool TOculta::SaveTrace(const QString& file) const {
    if (!tracer_) return false;
    return zv318::WriteFileAtomically(zv318::PathFromQString(file),
                                      zv318::JoinCrLf(tracer_->lines(), true));
}

void TOculta::SaveTraceButClick() {
    const QString file = chooseTraceFile
                             ? chooseTraceFile()
                             : QFileDialog::getSaveFileName(this, SaveTraceBut->text(),
                                                            QStringLiteral("zv318-trace.txt"));
    if (file.isEmpty()) return;
    // The dialog asked before replacing a file; the rule of every output decides the rest.
    const zv318::LanguageTable none;
    if (!zv318::MayWriteOutput(
            zv318::PathFromQString(file), {}, true, [] { return true; },
            [this, &file, &none](int message) {
                zv318::ShowMessageNumber(table_ ? *table_ : none, message, this,
                                         zv318::PathToText(zv318::PathFromQString(file)));
            }))
        return;
    if (!SaveTrace(file))
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("%1\n%2").arg(SaveTraceBut->text(), file));
}

void TOculta::EnvPregButClick() {
    // The command goes to the handle open now, as it stands: no search.
    const zv318::InstrumentHold hold(link_, /*search=*/false);
    if (hold.refused()) {
        const zv318::LanguageTable none;
        Edit2->setText(QString::fromStdString(
            zv318::InstrumentInUseText(*link_.Refusal(), table_ ? *table_ : none)));
        return;
    }
    const zv318::RawCommandResult result = zv318::RawCommand(link_, Edit1->text().toStdString());
    if (!result.sent) {
        Edit2->setText(QString::fromStdString(result.reason));
        return;
    }
    if (!result.connected) {
        // An unplugged instrument gives no reply at all: say why rather than show nothing.
        Edit2->setText(notConnected_);
        return;
    }
    // The reply ends with the instrument's carriage return, which a line edit cannot show.
    QString reply =
        QString::fromLatin1(result.reply.data(), static_cast<qsizetype>(result.reply.size()));
    while (reply.endsWith('\r') || reply.endsWith('\n')) reply.chop(1);
    Edit2->setText(reply);
}
