#include "shell/windows/oculta.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "shell/service.h"

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

    Label1 = new QLabel("Resposta", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 74, 444, 18);

    Edit2 = new QLineEdit("Edit2", this);
    Edit2->setObjectName("Edit2");
    Edit2->setGeometry(8, 98, 444, 22);
}

void TOculta::applyTranslation(const zv318::LanguageTable& table) {
    setWindowTitle(QString::fromStdString(table.entry(34)));
    EnvPregBut->setText(QString::fromStdString(table.entry(35)));
    Label1->setText(QString::fromStdString(table.entry(36)));
    notConnected_ = QString::fromStdString(table.entry(15));
}

void TOculta::EnvPregButClick() {
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
    QString reply = QString::fromLatin1(result.reply.data(), static_cast<qsizetype>(result.reply.size()));
    while (reply.endsWith('\r') || reply.endsWith('\n')) reply.chop(1);
    Edit2->setText(reply);
}
