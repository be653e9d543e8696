#include "firmware/windows/conf_upgr.h"
#include "texts/menu_caption.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "firmware/windows/updating_form.h"

namespace {

constexpr int kDesignWidth = 627, kDesignHeight = 160;
constexpr int kMargin = 8, kTextWidth = 606, kButtonsY = 96;

}  // namespace

TConfUpgr::TConfUpgr(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("ConfUpgr");
    setWindowTitle("Confirm Update");
    setModal(true);
    resize(kDesignWidth, kDesignHeight);
    setSizeGripEnabled(false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(112, 208, 112));
    palette.setColor(QPalette::WindowText, Qt::black);
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
    // Red as the design has it, dark enough to be read on the green (contrast above 4.5:1;
    // bright red on this green is 2:1, and the same grey to a red-green colour-blind eye).
    QPalette red = VersioActual->palette();
    red.setColor(QPalette::WindowText, QColor(139, 0, 0));
    VersioActual->setPalette(red);
    VersioActual->move(8, 8);
    VersioActual->adjustSize();

    VersionTo = new QLabel(this);
    VersionTo->setObjectName("VersionTo");
    VersionTo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    VersionTo->setTextFormat(Qt::PlainText);  // a file name is never markup
    VersionTo->setGeometry(kMargin, 56, kTextWidth, 34);
}

void TConfUpgr::applyTranslation(const zv318::LanguageTable& table) {
    setWindowTitle(QString::fromStdString(table.entry(33)));
    QString taken;
    zv318::SetButtonCaptions<QPushButton>(taken, {{SI, QString::fromStdString(table.entry(51))},
                                                  {NO, QString::fromStdString(table.entry(52))}});
}

void TConfUpgr::setImage(const QString& path) {
    image_ = path;
}

void TConfUpgr::FormShow() {
    // The question and the version are set by the caller just before showing: size them to
    // their texts, never narrower than the design.
    Confirm->adjustSize();
    Confirm->resize(std::max(Confirm->width(), 350), std::max(Confirm->height(), 17));
    VersioActual->adjustSize();

    // As wide as the file name, the question and the version need, within the screen.
    const QFontMetrics metrics = VersionTo->fontMetrics();
    const QFileInfo file(image_);
    const QString name = file.fileName();
    const QString folder =
        image_.isEmpty() ? QString() : QDir::toNativeSeparators(file.absolutePath());
    const QScreen* screen = this->screen();
    const int widest = (screen ? screen->availableGeometry().width() : 1024) - 40;
    const int width = std::min(widest, std::max({kTextWidth, metrics.horizontalAdvance(name) + 2,
                                                 Confirm->width(), VersioActual->width()}));
    VersionTo->setText(metrics.elidedText(name, Qt::ElideMiddle, width) + '\n' +
                       metrics.elidedText(folder, Qt::ElideMiddle, width));
    VersionTo->setToolTip(QDir::toNativeSeparators(image_));
    VersionTo->setGeometry(kMargin, VersionTo->y(), width, VersionTo->sizeHint().height());

    const int buttonsY = std::max(kButtonsY, VersionTo->geometry().bottom() + kMargin);
    SI->move(SI->x(), buttonsY);
    NO->move(NO->x(), buttonsY);
    resize(std::max(kDesignWidth, width + kMargin + 13), buttonsY + (kDesignHeight - kButtonsY));
}

void TConfUpgr::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
    zv318::CentreOnScreen(this);
    NO->setFocus();
}
