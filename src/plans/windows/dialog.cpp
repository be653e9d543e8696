#include "plans/windows/dialog.h"

#include <QLineEdit>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <utility>

#include "link/feedback.h"

namespace zv318 {

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    // Tab reaches it; Enter or Space does what a click does.
    setFocusPolicy(Qt::StrongFocus);
}

void ClickableLabel::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        emit clicked(event->modifiers());
        return;
    }
    QLabel::keyPressEvent(event);
}

void ClickableLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QStylePainter painter(this);
    QStyleOptionFocusRect frame;
    frame.initFrom(this);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, frame);
}

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    // The modifiers travel with the event: they are the keys held at the click itself.
    if (click) emit clicked(event->modifiers());
}

}  // namespace zv318

TDialog::TDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName("Dialog");
    setWindowTitle("Rename");
    setModal(true);
    setFixedSize(420, 150);

    Label1 = new QLabel("Enter the new name for the channel plan (max. 5 characters)", this);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(12, 10, 396, 34);

    Edit1 = new QLineEdit("nom", this);
    Edit1->setObjectName("Edit1");
    QFont large = Edit1->font();
    large.setPixelSize(24);
    Edit1->setFont(large);
    Edit1->setGeometry(12, 50, 396, 38);

    OKBut = new QPushButton("OK", this);
    OKBut->setObjectName("OKBut");
    OKBut->setGeometry(172, 112, 75, 25);
    OKBut->setDefault(true);
    connect(OKBut, &QPushButton::clicked, this, &QDialog::accept);
}

std::optional<QString> TDialog::AskText(Request request) {
    request_ = std::move(request);
    taken_.reset();
    setWindowTitle(request_.caption);
    Label1->setText(request_.prompt);
    Edit1->setText(request_.text);
    Edit1->selectAll();
    Edit1->setFocus();
    exec();
    request_ = Request{};
    return std::exchange(taken_, std::nullopt);
}

void TDialog::accept() {
    QString text = Edit1->text();
    if (request_.maxLength > 0) text = text.left(request_.maxLength);
    if (request_.refusal) {
        if (const int message = request_.refusal(text.toStdString())) {
            if (request_.feedback) request_.feedback->showMessage(message);
            Edit1->setFocus();
            Edit1->selectAll();
            return;  // the dialog stays open
        }
    }
    taken_ = text;
    QDialog::accept();
}
