#include "shell/windows/application.h"

#include <QMessageBox>
#include <exception>

namespace zv318 {

void ShowProgramError(const QString& text) {
    QMessageBox::critical(nullptr, QString::fromLatin1(kProgramTitle), text);
}

bool DeliverShowingErrors(const std::function<bool()>& deliver) {
    try {
        return deliver();
    } catch (const std::exception& error) {
        ShowProgramError(QString::fromStdString(error.what()));
    } catch (...) {
        ShowProgramError(QStringLiteral("An unexpected error occurred."));
    }
    return false;
}

bool Application::notify(QObject* receiver, QEvent* event) {
    return DeliverShowingErrors([&] { return QApplication::notify(receiver, event); });
}

}  // namespace zv318
