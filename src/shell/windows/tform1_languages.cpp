// The main window's languages: the language menu, loading the chosen language over the default
// one (the program's own texts and Qt's), and its flag.
#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QTranslator>

#include "shell/startup.h"
#include "shell/windows/status_box.h"
#include "shell/windows/tform1.h"
#include "texts/first_language.h"
#include "texts/language_file.h"
#include "texts/menu_caption.h"
#include "texts/qt_path.h"

void TForm1::BuildLanguageMenu() {
    Idioma1->clear();
    delete languageGroup_;
    languageGroup_ = new QActionGroup(this);
    languageGroup_->setExclusive(true);
    std::vector<std::string> names = zv318::ListLanguages(folders_);
    QString taken;
    for (const std::string& name : names) {
        // The language's name in that language ("Español"), with a key of its own; the file's
        // name rides in the item.
        const QString shown = QString::fromStdString(zv318::LanguageOwnName(folders_, name));
        QAction* item = Idioma1->addAction(zv318::AssignMnemonic(shown, taken));
        item->setObjectName(QStringLiteral("Language_") + QString::fromStdString(name));
        item->setCheckable(true);
        item->setData(QString::fromStdString(name));
        item->setChecked(name == currentLanguage_);
        languageGroup_->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { LanguageItemClick(item); });
    }
}

void TForm1::LanguageItemClick(QAction* item) {
    if (!item) return;
    currentLanguage_ = item->data().toString().toStdString();
    LoadLanguage();
    if (!zv318::WriteConfigLanguage(folders_, currentLanguage_) && feedback_)
        feedback_->showMessage(18);
}

void TForm1::LoadConfiguredLanguage() {
    int refusal = 0;
    currentLanguage_ = zv318::ConfiguredLanguage(folders_, zv318::MessagesLocaleName(), &refusal);
    LoadLanguage();
    if (refusal && feedback_) feedback_->showFileMessage(refusal, zv318::PathToText(folders_.user / "config.txt"));
}

void TForm1::LoadLanguage() {
    // The default language under the chosen one: the window is never without its texts, and
    // message 4 itself reads in the default language.
    zv318::LanguageLoad load = zv318::ReadLanguageOverDefault(folders_, currentLanguage_, table_);
    if (!load.notice.empty() && feedback_) feedback_->showNotice(load.notice);
    LoadQtTexts();
    ApplyTranslation();
    if (!load.opened && feedback_) {
        if (load.refusal)
            feedback_->showFileMessage(
                load.refusal, zv318::PathToText(zv318::LanguageFilePath(folders_, currentLanguage_)));
        else
            feedback_->showMessage(4);
    }

    // The flag only decorates the language's choice: a missing one is a placeholder, never a
    // box in the person's way (a new user folder holds no pictures at all).
    if (!zv318::LoadPicture(Bandera, zv318::FlagPath(folders_, currentLanguage_)) &&
        !zv318::LoadPicture(Bandera, zv318::FlagPath(folders_, "NoLanguage")))
        zv318::ShowPlaceholderPicture(Bandera);

    if (languageGroup_) {
        for (QAction* item : languageGroup_->actions())
            item->setChecked(item->data().toString().toStdString() == currentLanguage_);
    }
}

void TForm1::LoadQtTexts() {
    if (qtTexts_) {
        QCoreApplication::removeTranslator(qtTexts_.get());
        qtTexts_.reset();
    }
    // The language file names its language ("es", "ca", "pt"); Qt's translations of that
    // language (Debian's qt6-translations-l10n) give the boxes' buttons and the file dialogs.
    // Loading by locale finds a country's file when the language has no file of its own
    // (Portuguese comes as qtbase_pt_BR).
    const QString code = QString::fromStdString(table_.entry(zv318::kLanguageCodeEntry));
    if (code.isEmpty()) return;
    auto texts = std::make_unique<QTranslator>();
    if (texts->load(QLocale(code), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(texts.get()))
        qtTexts_ = std::move(texts);
}
