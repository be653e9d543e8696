#pragma once
// The rename dialog shared by the channel-plan editor and the logger viewer, and the
// clickable label that the windows use for names and address lines.

#include <QDialog>
#include <QLabel>

class QLineEdit;
class QPushButton;

namespace zv318 {

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

private:
    bool pressed_ = false;
};

}  // namespace zv318

class TDialog : public QDialog {
    Q_OBJECT

public:
    explicit TDialog(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* OKBut;  // accepts (modal result OK)
};
