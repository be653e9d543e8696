#pragma once
// The program's QApplication: an error that escapes a window handler is shown in a box and the
// program goes on, rather than ending it.

#include <QApplication>
#include <QString>
#include <functional>

namespace zv318 {

// The caption of the boxes that tell such an error.
inline constexpr char kProgramTitle[] = "ZV-318 Software";

// Shows `text` in an error box with the program's caption.
void ShowProgramError(const QString& text);

// Runs `deliver` (the delivery of one event); an error escaping it is shown with
// ShowProgramError and counts as an event not handled.
bool DeliverShowingErrors(const std::function<bool()>& deliver);

class Application : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace zv318
