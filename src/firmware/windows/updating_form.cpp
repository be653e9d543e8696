#include "firmware/windows/updating_form.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace zv318 {

void CentreOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QRect frame = window->frameGeometry();
    window->move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

}  // namespace zv318

namespace {

void Paint(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

constexpr int kNoteWidth = 295;

}  // namespace

TUpdatingFORM::TUpdatingFORM(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName("UpdatingFORM");
    setWindowTitle("Update window");
    setModal(false);
    setFixedSize(325, 144);
    Paint(this, QColor(187, 238, 187));

    Status = new QLabel("Updating....", this);
    Status->setObjectName("Status");
    QFont bold("Tahoma");
    bold.setPixelSize(13);
    bold.setBold(true);
    Status->setFont(bold);
    Status->setWordWrap(true);  // "Update failed…" takes two lines in some languages
    Status->setGeometry(8, 8, 313, 16);

    Progres = new QProgressBar(this);
    Progres->setObjectName("Progres");
    Progres->setGeometry(8, 88, 313, 17);
    Progres->setRange(0, 100);
    Progres->setValue(0);
    Progres->setTextVisible(false);

    OutUpd = new QPushButton("OK", this);
    OutUpd->setObjectName("OutUpd");
    OutUpd->setGeometry(128, 112, 75, 25);
    connect(OutUpd, &QPushButton::clicked, this, &TUpdatingFORM::OutUpdClick);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(8, 24, 313, 57);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Paint(Panel1, QColor(221, 255, 187));

    DoNotDisconnect = new QLabel(Panel1);
    DoNotDisconnect->setObjectName("DoNotDisconnect");
    DoNotDisconnect->setWordWrap(true);
    DoNotDisconnect->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    DoNotDisconnect->setGeometry(8, 8, kNoteWidth, 57 - 12);
}

void TUpdatingFORM::applyTranslation(const zv318::LanguageTable& table) {
    setWindowTitle(QString::fromStdString(table.entry(56)));
    setNoteWidth(kNoteWidth);
    DoNotDisconnect->setText(QString::fromStdString(table.entry(57)));
}

void TUpdatingFORM::setCaption(const std::string& text) {
    setWindowTitle(QString::fromStdString(text));
}

void TUpdatingFORM::setStatus(const std::string& text) {
    Status->setText(QString::fromStdString(text));
    fitNote();
}

void TUpdatingFORM::setNote(const std::string& text) {
    DoNotDisconnect->setText(QString::fromStdString(text));
    fitNote();
}

void TUpdatingFORM::setNoteWidth(int pixels) {
    DoNotDisconnect->resize(pixels, DoNotDisconnect->height());
    fitNote();
}

void TUpdatingFORM::fitNote() {
    // The status line and the panel as designed, taller when their texts need it (a failure
    // says what happened and what to do next); what is below moves down with them, and the
    // window grows to hold it.
    constexpr int kStatusTop = 8, kStatusHeight = 16, kPanelHeight = 57, kPad = 12, kGap = 7;
    const int status = std::max(kStatusHeight, Status->heightForWidth(Status->width()));
    Status->resize(Status->width(), status);
    const int kPanelTop = kStatusTop + status;
    Panel1->move(Panel1->x(), kPanelTop);
    const int needed = DoNotDisconnect->heightForWidth(DoNotDisconnect->width()) + kPad;
    const int panel = std::max(kPanelHeight, needed);
    Panel1->resize(Panel1->width(), panel);
    DoNotDisconnect->resize(DoNotDisconnect->width(), panel - kPad);
    const int below = kPanelTop + panel + kGap;
    const int barY = std::max(88 + status - kStatusHeight, below);
    Progres->move(Progres->x(), barY);
    // A hidden bar leaves its place to the note.
    const int okY = Progres->isHidden() ? std::max(112, below) : barY + 24;
    OutUpd->move(OutUpd->x(), okY);
    setFixedSize(325, std::max(144, okY + 32));
}

void TUpdatingFORM::setRange(int minimum, int maximum) {
    // QProgressBar forgets a value outside a new range; keep it, moved into the range.
    const int value = Progres->value();
    Progres->setRange(minimum, std::max(minimum, maximum));
    Progres->setValue(std::clamp(value, Progres->minimum(), Progres->maximum()));
}

void TUpdatingFORM::setPosition(int position) {
    // QProgressBar ignores a value outside its range; the bar stops at its ends instead.
    Progres->setValue(std::clamp(position, Progres->minimum(), Progres->maximum()));
}

int TUpdatingFORM::position() const { return Progres->value(); }

int TUpdatingFORM::maximum() const { return Progres->maximum(); }

void TUpdatingFORM::setBarVisible(bool visible) {
    Progres->setVisible(visible);
    fitNote();
}

void TUpdatingFORM::setOkEnabled(bool enabled) { OutUpd->setEnabled(enabled); }

void TUpdatingFORM::show() {
    QDialog::show();
    raise();
}

void TUpdatingFORM::OutUpdClick() { hide(); }

void TUpdatingFORM::closeEvent(QCloseEvent* event) {
    // No close box; a close request from elsewhere (Alt+F4) waits for the end of the work too.
    if (OutUpd->isEnabled())
        event->accept();
    else
        event->ignore();
}

void TUpdatingFORM::reject() {
    if (OutUpd->isEnabled()) hide();
}

void TUpdatingFORM::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    zv318::CentreOnScreen(this);
}
