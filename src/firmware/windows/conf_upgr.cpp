#include "firmware/windows/conf_upgr.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "firmware/windows/updating_form.h"

TConfUpgr::TConfUpgr(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("ConfUpgr");
    setWindowTitle("Confirm Update");
    setModal(true);
    resize(627, 160);
    setSizeGripEnabled(false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(112, 208, 112));
    setPalette(palette);
    setAutoFillBackground(true);

    QFont tahoma("Tahoma");
    tahoma.setPixelSize(11);
    QFont tahomaBold = tahoma;
    tahomaBold.setBold(true);

    Confirm = new QLabel("Esteu segurs que voleu actualitzar el firmware amb la versió: ", this);
    Confirm->setObjectName("Confirm");
    Confirm->setFont(tahomaBold);
    Confirm->setGeometry(8, 32, 350, 17);

    SI = new QPushButton("SI", this);
    SI->setObjectName("SI");
    SI->setGeometry(224, 96, 75, 25);
    connect(SI, &QPushButton::clicked, this, &QDialog::accept);

    NO = new QPushButton("NO", this);
    NO->setObjectName("NO");
    NO->setGeometry(336, 96, 75, 25);
    connect(NO, &QPushButton::clicked, this, &QDialog::reject);
    // An update erases the firmware: Enter answers No, only a deliberate SI goes on.
    SI->setAutoDefault(false);
    NO->setDefault(true);

    VersioActual = new QLabel("Versió actual: ", this);
    VersioActual->setObjectName("VersioActual");
    VersioActual->setFont(tahoma);
    QPalette red = VersioActual->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    VersioActual->setPalette(red);
    VersioActual->move(8, 8);
    VersioActual->adjustSize();

    VersionTo = new QLabel(this);
    VersionTo->setObjectName("VersionTo");
    VersionTo->setWordWrap(true);
    VersionTo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    VersionTo->setGeometry(8, 56, 606, 34);
}

void TConfUpgr::applyTranslation(const zv318::LanguageTable& table) {
    setWindowTitle(QString::fromStdString(table.entry(33)));
    SI->setText(QString::fromStdString(table.entry(51)));
    NO->setText(QString::fromStdString(table.entry(52)));
}

void TConfUpgr::setStartupArgument(const QString& path) { startupArgument_ = path; }

void TConfUpgr::setDialogFile(const QString& path) { dialogFile_ = path; }

void TConfUpgr::FormShow() {
    VersionTo->setText(startupArgument_.isEmpty() ? dialogFile_ : startupArgument_);
    // The question and the version are set by the caller just before showing: size them to
    // their texts, never narrower than the design.
    Confirm->adjustSize();
    Confirm->resize(std::max(Confirm->width(), 350), std::max(Confirm->height(), 17));
    VersioActual->adjustSize();
}

void TConfUpgr::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
    zv318::CentreOnScreen(this);
    NO->setFocus();
}
