#pragma once
// The two about windows. The about-the-instrument window also hides two service functions:
// a click on the first address line with the left Alt key held asks for the raw-command window,
// on the second line for erasing every plan. The main window connects the signals.

#include <QDialog>
#include <filesystem>
#include <optional>

#include "texts/language_table.h"

class QFrame;
class QLabel;
class QPushButton;

namespace zv318 {
class ClickableLabel;
}

class TAboutKORVEL52 : public QDialog {
    Q_OBJECT

public:
    // The pictures come from programFolder/Images (logo.bmp, instrument.bmp); a missing one
    // leaves its place empty.
    explicit TAboutKORVEL52(const std::filesystem::path& programFolder,
                            QWidget* parent = nullptr);

    // Caption: entry 9.
    void applyTranslation(const zv318::LanguageTable& table);

    QFrame* Panel1;
    QLabel* ProductLabel;
    QLabel* ProductNameLabel;
    QLabel* MakerLabel;
    QLabel* Logo;
    QLabel* InstrumentPicture;
    zv318::ClickableLabel* StaticText2;  // first address line
    zv318::ClickableLabel* StaticText3;  // second address line
    QLabel* PhoneLabel;
    QLabel* FaxLabel;
    QLabel* MailLabel;
    QLabel* WebLabel;
    QPushButton* Button1;

signals:
    void hiddenCommandRequested();
    void hiddenEraseRequested();

public slots:
    void StaticText2Click(Qt::KeyboardModifiers modifiers);
    void StaticText3Click(Qt::KeyboardModifiers modifiers);
    void Button1Click();

protected:
    // Follow the left Alt key itself: the Alt modifier is set by the right Alt (AltGr) too.
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    [[nodiscard]] bool hiddenClick(Qt::KeyboardModifiers modifiers) const;

    // Whether the left Alt key is down; nothing while no Alt key told its side.
    std::optional<bool> leftAltDown_;
};

class TAboutController : public QDialog {
    Q_OBJECT

public:
    explicit TAboutController(const std::filesystem::path& programFolder,
                              QWidget* parent = nullptr);

    // Caption: entry 10; VersioControllerLabel: the software version.
    void applyTranslation(const zv318::LanguageTable& table);

    QFrame* Panel1;
    QLabel* ProductLabel;
    QLabel* VersioControllerLabel;
    QLabel* Logo;
    QLabel* MakerLabel;
    QLabel* AddressLabel;
    QLabel* ContactLabel;
    QPushButton* Button1;

public slots:
    void Button1Click();
};
