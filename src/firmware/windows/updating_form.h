#pragma once
// The progress window of the long instrument operations (firmware updates and plan
// transfers): a status line, a note on a pale panel, a progress bar and an OK button.
// Non-modal and always on top; it cannot be closed while its user works (OK disabled).

#include <QDialog>

#include "link/feedback.h"
#include "texts/language_table.h"

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

namespace zv318 {
// Moves a top-level window to the centre of the screen it is on.
void CentreOnScreen(QWidget* window);
}  // namespace zv318

class TUpdatingFORM : public QDialog, public zv318::ProgressWindow {
    Q_OBJECT

public:
    explicit TUpdatingFORM(QWidget* parent = nullptr);

    // Caption: entry 56; DoNotDisconnect: width 295, entry 57.
    void applyTranslation(const zv318::LanguageTable& table);

    // ProgressWindow.
    void setCaption(const std::string& text) override;
    void setStatus(const std::string& text) override;
    void setNote(const std::string& text) override;
    void setNoteWidth(int pixels) override;
    void setRange(int minimum, int maximum) override;
    void setPosition(int position) override;
    [[nodiscard]] int position() const override;
    [[nodiscard]] int maximum() const override;
    void setBarVisible(bool visible) override;
    void setOkEnabled(bool enabled) override;
    // Shows the window without making it modal, and raises it.
    void show() override;

    QLabel* Status;
    QProgressBar* Progres;
    QPushButton* OutUpd;
    QFrame* Panel1;
    QLabel* DoNotDisconnect;

public slots:
    void OutUpdClick();

protected:
    void fitNote();
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;
};
