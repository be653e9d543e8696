#pragma once
// The rename dialog shared by the channel-plan editor and the logger viewer, and the
// clickable label that the windows use for names and address lines.

#include <QDialog>
#include <QLabel>
#include <functional>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

namespace zv318 {

class Feedback;

// A label that reports a left click with the keyboard modifiers held at that click.
class ClickableLabel : public QLabel {
    Q_OBJECT

public:
    explicit ClickableLabel(const QString& text = {}, QWidget* parent = nullptr);

signals:
    void clicked(Qt::KeyboardModifiers modifiers);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool pressed_ = false;
};

}  // namespace zv318

class TDialog : public QDialog {
    Q_OBJECT

public:
    explicit TDialog(QWidget* parent = nullptr);

    // What one use of the dialog asks for.
    struct Request {
        QString caption;    // the window title
        QString prompt;     // Label1
        QString text;       // Edit1 at the start
        int maxLength = 0;  // the accepted text is cut to this many characters (0: no cut)
        // The message number that refuses a (cut) text, 0 to take it; empty: every text taken.
        std::function<int(const std::string&)> refusal;
        zv318::Feedback* feedback = nullptr;  // shows a refusal's message
    };
    // Shows the dialog modally. OK takes the text of Edit1 cut to maxLength characters unless
    // `refusal` names a message for it: the message is shown and the dialog stays open. The
    // taken text, or nothing when the dialog was closed without OK.
    std::optional<QString> AskText(Request request);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* OKBut;  // accepts (modal result OK)

public slots:
    void accept() override;

private:
    Request request_;
    std::optional<QString> taken_;
};
