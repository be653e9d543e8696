// Languages: the "Idioma" menu, config.txt, loading a language file and translating every
// caption of the main window and of the other windows.

#include <QAbstractButton>
#include <QBarSet>
#include <QChartView>
#include <QScatterSeries>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <sys/stat.h>

#include <algorithm>

#include "archive/page_settle.h"
#include "archive/windows/archive_views.h"
#include "archive/windows/team_archive.h"
#include "main_window_fixture.h"
#include "support/channel_labels.h"
#include "texts/qt_path.h"
#include "shell/startup.h"
#include "shell/windows/demo_menu.h"
#include "texts/language_file.h"
#include "texts/menu_caption.h"

namespace zv318::testing {
namespace {

using mainwindowLanguages = MainWindowTest;

QString E(int n) { return QStringLiteral("E%1").arg(n); }

// Entry n of the shipped English file, as the table holds it.
std::string ReadEnglish(int n) {
    LanguageTable table;
    (void)ReadLanguageFile(
        LanguageFilePath(PathFromQString(QCoreApplication::applicationDirPath()), "English"), table);
    return table.entry(n);
}

// The menu item of a language file.
QAction* LanguageItem(const TForm1& f, const QString& file) {
    for (QAction* a : f.Idioma1->actions())
        if (a->objectName() == QStringLiteral("Language_") + file) return a;
    return nullptr;
}

TEST_F(mainwindowLanguages, EveryCaptionComesFromItsEntry) {
    WriteNumberedLanguage("Numbered");
    WriteFile("config.txt", "Numbered");
    std::filesystem::copy_file(folder / "Languages" / "English.bmp",
                               folder / "Languages" / "Numbered.bmp");
    Start();
    ASSERT_TRUE(feedback.messages.empty());

    EXPECT_EQ(form->windowTitle(), E(31));
    EXPECT_EQ(form->ChannelPlan->VersioControllerLabel->text(), QStringLiteral("ZV-318 Software v1.2"));
    EXPECT_EQ(form->Loggers->VersioControllerLabel2->text(), QStringLiteral("ZV-318 Software v1.2"));

    EXPECT_EQ(Plain(form->Archivo1->title()), E(1));
    EXPECT_EQ(Plain(form->Salir1->text()), E(2));
    EXPECT_EQ(Plain(form->Idioma1->title()), E(4));
    EXPECT_EQ(Plain(form->Actualizar1->title()), E(5));
    EXPECT_EQ(Plain(form->Firmware1->text()), E(6));
    EXPECT_EQ(Plain(form->KORVEL521->text()), E(11));
    EXPECT_EQ(Plain(form->Puestaenhora1->text()), E(28));
    EXPECT_EQ(Plain(form->Ayuda1->title()), E(7));
    EXPECT_EQ(Plain(form->Contenidos1->text()), E(8));
    EXPECT_EQ(Plain(form->SobreKORVEL52->text()), E(9));
    EXPECT_EQ(Plain(form->SobreControlador->text()), E(10));

    EXPECT_EQ(form->CStatus->Model->text(), E(16));
    EXPECT_EQ(form->CStatus->SNumber->text(), E(17));
    EXPECT_EQ(form->CStatus->IOVersion->text(), E(18));
    EXPECT_EQ(form->CStatus->ZVVersion->text(), E(32));
    EXPECT_EQ(form->CStatus->title(), E(19));
    EXPECT_EQ(form->CStatus->Connexio->text(), E(14));
    EXPECT_EQ(Plain(form->Loggers->Label3->text()), E(72));
    EXPECT_EQ(form->PageControl->tabText(0), E(115));
    EXPECT_EQ(form->PageControl->tabText(1), E(116));
    EXPECT_EQ(Plain(form->ChannelPlan->ReceiveBut->text()), E(41));
    EXPECT_EQ(Plain(form->ChannelPlan->DelSelBut->text()), E(42));
    EXPECT_EQ(Plain(form->ChannelPlan->LoadBut->text()), E(44));
    EXPECT_EQ(Plain(form->ChannelPlan->EditBut->text()), E(93));
    EXPECT_EQ(Plain(form->ChannelPlan->NewRBut->text()), E(94));
    EXPECT_EQ(Plain(form->ChannelPlan->NewPBut->text()), E(91));
    EXPECT_EQ(Plain(form->ChannelPlan->ListLabel->text()), E(77));
    EXPECT_EQ(Plain(form->Loggers->ReceiveRLogBut->text()), E(114));
    EXPECT_EQ(Plain(form->Loggers->ReceivePLogBut->text()), E(128));
    EXPECT_EQ(Plain(form->Loggers->PrintSelBut->text()), E(123));
    EXPECT_EQ(Plain(form->Loggers->OpenLogBut->text()), E(119));
    EXPECT_EQ(Plain(form->Loggers->SaveLogAsBut->text()), E(125));
    EXPECT_EQ(Plain(form->Loggers->SaveLogBut->text()), E(30));
    for (int c = 1; c <= 4; ++c)
        EXPECT_EQ(form->Loggers->LoggerIndex->horizontalHeaderItem(c)->text(), E(19 + c));
    EXPECT_TRUE(form->Loggers->LoggerIndex->horizontalHeaderItem(0)->text().isEmpty());

    // The other windows were translated too.
    EXPECT_EQ(windows.confUpgr->windowTitle(), E(33));
    EXPECT_EQ(windows.updating->windowTitle(), E(56));
    EXPECT_EQ(windows.oculta->windowTitle(), E(34));
    EXPECT_EQ(windows.editor->windowTitle(), E(100));
    EXPECT_EQ(windows.loggerWindow->DataLabel->text(), E(22));
    EXPECT_EQ(windows.aboutKorvel->windowTitle(), E(9));
    EXPECT_EQ(windows.aboutController->windowTitle(), E(10));

    // New captions, new widths: the values still sit 3 pixels right of their captions.
    const std::pair<QLabel*, QLabel*> pairs[] = {{form->CStatus->Model, form->CStatus->Mod},
                                                 {form->CStatus->SNumber, form->CStatus->SN},
                                                 {form->CStatus->IOVersion, form->CStatus->IOV},
                                                 {form->CStatus->ZVVersion, form->CStatus->ZVV}};
    for (auto [caption, value] : pairs)
        EXPECT_EQ(value->x(), caption->x() + caption->width() + 3);
}

TEST_F(mainwindowLanguages, TheConnectionCaptionFollowsAFreshSearch) {
    WriteNumberedLanguage("Numbered");
    WriteFile("config.txt", "Numbered");
    bus.setPlugged(false);
    Start();
    EXPECT_EQ(form->CStatus->Connexio->text(), E(15));
    bus.setPlugged(true);
    form->LoadLanguage();  // no monitor refresh: the translation itself searches
    EXPECT_EQ(form->CStatus->Connexio->text(), E(14));
}

TEST_F(mainwindowLanguages, TheMenuListsEveryLanguageFileShownAsWritten) {
    // More than ten files, and a name that holds "&".
    for (int i = 0; i < 9; ++i) WriteNumberedLanguage("Extra" + std::to_string(i), 0, 2);
    WriteNumberedLanguage("R&D", 1, 2);  // no entry 0: the file's name is shown
    std::filesystem::create_directory(folder / "Languages" / "Folder.lng");
    Start();

    const QList<QAction*> items = form->Idioma1->actions();
    ASSERT_EQ(items.size(), 17);  // the 7 shipped, 9 extra, R&D; no folder
    QAction* rd = LanguageItem(*form, QStringLiteral("R&D"));
    ASSERT_NE(rd, nullptr);
    EXPECT_TRUE(rd->text().contains(QStringLiteral("&&D")));  // shown as written
    // Each shipped language in its own words.
    EXPECT_EQ(Plain(LanguageItem(*form, QStringLiteral("Spanish"))->text()), QStringLiteral("Español"));
    EXPECT_EQ(Plain(LanguageItem(*form, QStringLiteral("Catalan"))->text()), QStringLiteral("Català"));
    EXPECT_EQ(Plain(LanguageItem(*form, QStringLiteral("Extra0"))->text()), QStringLiteral("E0"));
    for (QAction* a : items) EXPECT_TRUE(a->isCheckable());
    EXPECT_TRUE(LanguageItem(*form, QStringLiteral("English"))->isChecked());

    rd->trigger();
    EXPECT_EQ(form->currentLanguage(), "R&D");
    EXPECT_EQ(ReadFile("config.txt"), "R&D");
    EXPECT_TRUE(rd->isChecked());
    EXPECT_FALSE(LanguageItem(*form, QStringLiteral("English"))->isChecked());
}

TEST_F(mainwindowLanguages, ChoosingALanguageTranslatesAndRemembersItsNameOnly) {
    Start();
    ASSERT_FALSE(std::filesystem::exists(folder / "config.txt"));  // English by default
    EXPECT_EQ(Plain(form->ChannelPlan->ReceiveBut->text()), QStringLiteral("Read equipment's channel plans"));

    LanguageItem(*form, QStringLiteral("Spanish"))->trigger();
    EXPECT_EQ(ReadFile("config.txt"), "Spanish");  // no line break
    EXPECT_EQ(Plain(form->ChannelPlan->ReceiveBut->text()), QStringLiteral("Leer planes de canales del equipo"));
    EXPECT_TRUE(SamePicture(form->Bandera, folder / "Languages" / "Spanish.bmp"));
    EXPECT_TRUE(feedback.messages.empty());

    // The next start reads it back.
    form.reset();
    Start();
    EXPECT_EQ(form->currentLanguage(), "Spanish");
    EXPECT_EQ(Plain(form->ChannelPlan->ReceiveBut->text()), QStringLiteral("Leer planes de canales del equipo"));
}

// Until the person picks a language, the system's names it when a file for it is there.
TEST_F(mainwindowLanguages, TheFirstStartSpeaksTheSystemsLanguage) {
    const struct {
        const char* locale;
        const char* config;        // nullptr: no config.txt
        bool removeSpanish;
        const char* language;
        const char* receiveBut;
    } cases[] = {
        {"ca_ES.UTF-8", nullptr, false, "Catalan", "Llegir plans de canals de l'equip"},
        {"es_AR.UTF-8", nullptr, false, "Spanish", "Leer planes de canales del equipo"},
        {"de_DE.UTF-8", nullptr, false, "German", "Kanalpläne des Geräts lesen"},
        {"pt_BR.UTF-8", nullptr, false, "Portuguese", "Ler planos de canais do equipamento"},
        {"nl_NL.UTF-8", nullptr, false, "English", "Read equipment's channel plans"},
        {"es_ES.UTF-8", "English", false, "English", "Read equipment's channel plans"},
        {"en_GB.UTF-8", "Spanish", false, "Spanish", "Leer planes de canales del equipo"},
        {"es_ES.UTF-8", nullptr, true, "English", "Read equipment's channel plans"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        std::filesystem::remove(folder / "config.txt");
        if (c.config) WriteFile("config.txt", c.config);
        const std::filesystem::path spanish = folder / "Languages" / "Spanish.lng";
        if (c.removeSpanish) std::filesystem::rename(spanish, folder / "Spanish.away");
        qputenv("LC_ALL", c.locale);
        feedback.messages.clear();
        form.reset();
        Start();
        EXPECT_EQ(form->currentLanguage(), c.language);
        EXPECT_EQ(Plain(form->ChannelPlan->ReceiveBut->text()), QString::fromUtf8(c.receiveBut));
        EXPECT_TRUE(LanguageItem(*form, QString::fromUtf8(c.language))->isChecked());
        EXPECT_TRUE(feedback.messages.empty());  // no message 4 for a missing file
        // Only the person's own choice is written.
        EXPECT_EQ(std::filesystem::exists(folder / "config.txt"), c.config != nullptr);
        if (c.removeSpanish) std::filesystem::rename(folder / "Spanish.away", spanish);
    }
}

// In each shipped language every button that starts a command has a key of its own, clear of
// the menu bar's.
TEST_F(mainwindowLanguages, AnEntryTheNewFileDoesNotSetTakesTheDefaultLanguagesText) {
    WriteFile("Languages/First.lng", "a,50=Fifty\r\na,41=Read\r\n");
    WriteFile("Languages/Second.lng", "b,41=Lesen\r\n");
    for (const char* name : {"First", "Second"})
        std::filesystem::copy_file(folder / "Languages" / "English.bmp",
                                   folder / "Languages" / (std::string(name) + ".bmp"));
    WriteFile("config.txt", "First");
    Start();
    ASSERT_EQ(Plain(form->ChannelPlan->ReceiveBut->text()), QStringLiteral("Read"));

    // No menu of one language and buttons of another: what Second leaves out is English.
    LanguageItem(*form, QStringLiteral("Second"))->trigger();
    EXPECT_EQ(Plain(form->ChannelPlan->ReceiveBut->text()), QStringLiteral("Lesen"));
    EXPECT_EQ(form->languageTable().entry(50), ReadEnglish(50));
    EXPECT_EQ(Plain(form->ChannelPlan->LoadBut->text()), QString::fromStdString(ReadEnglish(44)));
    EXPECT_EQ(ReadFile("config.txt"), "Second");
}

TEST_F(mainwindowLanguages, AMissingLanguageFileLeavesTheDefaultLanguageAndSaysSoInIt) {
    WriteFile("config.txt", "Klingon");
    Start();
    // Message 4 for the file, in English; its missing flag is no box of its own.
    EXPECT_EQ(feedback.messages, (std::vector<int>{4}));
    EXPECT_EQ(form->languageTable().entry(63), ReadEnglish(63));
    EXPECT_FALSE(form->languageTable().entry(63).empty());
    EXPECT_EQ(form->windowTitle(), QString::fromStdString(ReadEnglish(31)));
    EXPECT_EQ(Plain(form->ChannelPlan->ReceiveBut->text()), QStringLiteral("Read equipment's channel plans"));
    EXPECT_EQ(form->CStatus->Connexio->text(), QString::fromStdString(ReadEnglish(14)));
    EXPECT_EQ(form->PageControl->tabText(0), QString::fromStdString(ReadEnglish(115)));
    EXPECT_TRUE(SamePicture(form->Bandera, folder / "Languages" / "NoLanguage.bmp"));
}

// The demo's own menu reads its captions from the language and follows a change of language.
TEST_F(mainwindowLanguages, TheDemoMenuSpeaksTheWindowsLanguage) {
    Create();
    QMenu* demo = AddDemoMenu(*form, {[this] { return bus.plugged(); },
                                      [this](bool plugged) {
                                          bus.setPlugged(plugged);
                                          watcher.notifyChange();
                                      }});
    form->show();
    form->AlExecutar();
    QAction* plug = demo->findChild<QAction*>("DemoPlug");
    ASSERT_NE(plug, nullptr);
    struct Case {
        const char* language;
        QString menu, unplug, plugIn;
    };
    const Case cases[] = {
        {"English", "Demo", "Unplug the simulated ZV-318", "Plug in the simulated ZV-318"},
        {"Spanish", "Demostración", "Desconectar el ZV-318 simulado",
         "Conectar el ZV-318 simulado"},
        {"Catalan", "Demostració", "Desconnectar el ZV-318 simulat", "Connectar el ZV-318 simulat"},
    };
    for (const Case& c : cases) {
        LanguageItem(*form, QString::fromLatin1(c.language))->trigger();
        EXPECT_EQ(Plain(demo->title()), c.menu) << c.language;
        EXPECT_EQ(Plain(plug->text()), c.unplug) << c.language;
        plug->trigger();
        EXPECT_FALSE(bus.plugged());
        EXPECT_EQ(Plain(plug->text()), c.plugIn) << c.language;
        plug->trigger();
        EXPECT_TRUE(bus.plugged());
    }
}

// A missing flag is a picture in its place, never a box in the person's way.
TEST_F(mainwindowLanguages, AMissingFlagShowsNoLanguageAndNoBox) {
    WriteNumberedLanguage("Flagless");
    WriteFile("config.txt", "Flagless");
    Start();
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(form->windowTitle(), E(31));
    EXPECT_TRUE(SamePicture(form->Bandera, folder / "Languages" / "NoLanguage.bmp"));

    // Without the NoLanguage picture either, a plain box stands in for the flag.
    std::filesystem::remove(folder / "Languages" / "NoLanguage.bmp");
    form->LoadLanguage();
    EXPECT_FALSE(form->Bandera->pixmap().isNull());
    EXPECT_TRUE(feedback.messages.empty());
}

// config.txt or the language file a FIFO: the verdict every reader gives (295), naming the
// file, and the window in the default language; nothing waits for a writer.
TEST_F(mainwindowLanguages, AFifoForConfigOrTheLanguageFileIsToldAs295) {
    WriteNumberedLanguage("Odd");
    for (const char* fifo : {"config.txt", "Languages/Odd.lng"}) {
        SCOPED_TRACE(fifo);
        form.reset();
        feedback = {};
        std::filesystem::remove(folder / "config.txt");
        std::filesystem::remove(folder / "Languages" / "Odd.lng");
        if (std::string(fifo) != "config.txt") WriteFile("config.txt", "Odd");
        ASSERT_EQ(::mkfifo((folder / fifo).c_str(), 0600), 0);
        Start();
        EXPECT_EQ(feedback.messages, std::vector<int>{295});
        EXPECT_EQ(form->windowTitle().toStdString(), ReadEnglish(31));
    }
}

// No language file at all: the English texts built into the program fill the window, and
// English stays in the menu to be chosen.
TEST_F(mainwindowLanguages, AnEmptyLanguagesFolderStillGivesTheEnglishWindow) {
    std::filesystem::remove_all(folder / "Languages");
    Start();
    EXPECT_TRUE(feedback.messages.empty());  // a missing flag is no box
    EXPECT_EQ(form->windowTitle().toStdString(), ReadEnglish(31));
    EXPECT_EQ(form->Archivo1->title().toStdString(), ReadEnglish(1));  // with its key
    EXPECT_EQ(Plain(form->ChannelPlan->ReceiveBut->text()).toStdString(), ReadEnglish(41));
    EXPECT_NE(LanguageItem(*form, QStringLiteral("English")), nullptr);
}

TEST_F(mainwindowLanguages, FaultyLinesAreToldOnceAndTheRestIsUsed) {
    WriteFile("Languages/Broken.lng", "a,31=Title\r\nb,x1=bad\r\nc,41\r\nd,41=Read\r\n");
    std::filesystem::copy_file(folder / "Languages" / "English.bmp",
                               folder / "Languages" / "Broken.bmp");
    WriteFile("config.txt", "Broken");
    Start();
    ASSERT_EQ(feedback.notices.size(), 1u);
    EXPECT_NE(feedback.notices[0].find("Broken.lng"), std::string::npos);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Title"));
    EXPECT_EQ(Plain(form->ChannelPlan->ReceiveBut->text()), QStringLiteral("Read"));
}

TEST(mainwindowLanguageCaptions, AnAmpersandSurvivesTheMenuRoundTrip) {
    for (const std::string name : {"English", "R&D", "&Lead", "A&&B", ""}) {
        QString keys = QStringLiteral("el");  // keys other items of the menu took
        const QString caption = AssignMnemonic(QString::fromStdString(name), keys);
        EXPECT_EQ(LanguageNameFromCaption(caption.toStdString()), name) << name;
    }
    EXPECT_EQ(LanguageNameFromCaption("&Catalan"), "Catalan");
}

// Two loggers of forty channels, a third of each below its threshold.
Comparison FortyChannels() {
    Comparison c;
    c.loggerA.name = c.loggerB.name = "ROOFTOP-NORTH";
    c.loggerA.measuredAt = "2026-02-14T09:02:00";
    c.loggerB.measuredAt = "2026-01-14T09:01:00";
    c.loggerA.unit = c.loggerB.unit = "dBuV";
    c.loggerA.threshold = c.loggerB.threshold = 45;
    for (int k = 0; k < 40; ++k) {
        ComparedChannel r;
        r.channel = "CH" + std::to_string(21 + k);
        r.frequencyHz = 474000000 + 8000000LL * k;
        r.a = 40 + k % 12;
        r.b = 41 + k % 11;
        r.powerA = std::to_string(40 + k % 12) + ".0";
        r.powerB = std::to_string(41 + k % 11) + ".0";
        r.difference = *r.b - *r.a;
        c.rows.push_back(r);
    }
    return c;
}

// The texts of one page or window that do not fit where they are shown, measured with each
// widget's own font metrics at the size the window opens with: a button narrower than its
// caption, a one-line label narrower than its text, a column title wider than its column, tabs
// that no longer fit their bar.
std::vector<std::string> CutTexts(QWidget* page) {
    std::vector<std::string> cut;
    auto shown = [page](QWidget* w) { return w->isVisibleTo(page) || w == page; };
    for (QAbstractButton* b : page->findChildren<QAbstractButton*>()) {
        if (!shown(b) || b->text().isEmpty()) continue;
        if (b->sizeHint().width() > b->width()) cut.push_back("button " + Plain(b->text()).toStdString());
    }
    for (QLabel* l : page->findChildren<QLabel*>()) {
        if (!shown(l) || l->wordWrap() || l->text().isEmpty() || Qt::mightBeRichText(l->text()))
            continue;
        int widest = 0;
        for (const QString& line : Plain(l->text()).split(QLatin1Char('\n')))
            widest = std::max(widest, l->fontMetrics().horizontalAdvance(line));
        if (widest > l->contentsRect().width()) cut.push_back("label " + l->text().toStdString());
    }
    for (QGroupBox* g : page->findChildren<QGroupBox*>()) {
        if (shown(g) && g->fontMetrics().horizontalAdvance(g->title()) > g->width())
            cut.push_back("group " + g->title().toStdString());
    }
    // A label of several lines needs its height for its width as well.
    for (QLabel* l : page->findChildren<QLabel*>()) {
        if (shown(l) && l->wordWrap() && !l->text().isEmpty() &&
            l->heightForWidth(l->width()) > l->height())
            cut.push_back("lines of " + l->text().toStdString());
    }
    for (QTableView* t : page->findChildren<QTableView*>()) {
        if (!shown(t) || !t->model()) continue;
        const QHeaderView* header = t->horizontalHeader();
        const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        const QFontMetrics metrics = header->fontMetrics();
        int columns = 0;
        for (int c = 0; c < t->model()->columnCount(); ++c) {
            const QString title = t->model()->headerData(c, Qt::Horizontal).toString();
            if (header->isSectionHidden(c) || t->columnWidth(c) == 0) continue;
            columns += t->columnWidth(c);
            // A title on the lines its header holds, none of its words cut.
            const int width = t->columnWidth(c) - margin;
            const bool wraps = header->defaultAlignment().testFlag(
                static_cast<Qt::AlignmentFlag>(Qt::TextWordWrap));
            const QRect needed = metrics.boundingRect(QRect(0, 0, width, 1000),
                                                      wraps ? Qt::TextWordWrap : 0, title);
            bool wordCut = false;
            for (const QString& word : title.split(' ', Qt::SkipEmptyParts))
                wordCut = wordCut || metrics.horizontalAdvance(word) > width;
            if (wordCut || (!wraps && metrics.horizontalAdvance(title) > width) ||
                needed.height() > header->height())
                cut.push_back("column " + title.toStdString());
        }
        // Every column on the screen, none beyond the view's right edge.
        if (columns > t->viewport()->width())
            cut.push_back("columns of " + t->objectName().toStdString());
    }
    for (QTabWidget* tabs : page->findChildren<QTabWidget*>()) {
        if (shown(tabs) && tabs->tabBar()->sizeHint().width() > tabs->width())
            cut.push_back("tabs of " + tabs->objectName().toStdString());
    }
    return cut;
}

// Every page of a window: each tab is made current in turn, so that its widgets are laid out.
std::vector<std::string> CutTextsOfWindow(QWidget* window) {
    std::vector<std::string> cut = CutTexts(window);
    for (QTabWidget* tabs : window->findChildren<QTabWidget*>()) {
        const int current = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            for (std::string& text : CutTexts(tabs->widget(i))) cut.push_back(std::move(text));
        }
        tabs->setCurrentIndex(current);
    }
    std::sort(cut.begin(), cut.end());
    cut.erase(std::unique(cut.begin(), cut.end()), cut.end());
    return cut;
}

// Every shipped language fits every window at scale 1: no button, label, column title or
// status line is cut; the status box's values stay inside it; Qt's own buttons speak the
// language too.
TEST_F(mainwindowLanguages, ShippedTextsFitTheirControls) {
    // Rows enough for the Archive table's scroll bar to take its room.
    CreateWithArchive(true, 30);
    ArchivePage* archive = archivePage;
    PullNotice* pull = pullRun->notice();
    QWidget* viewer = windows.loggerWindow;
    QWidget* editor = windows.editor;
    editor->show();
    viewer->show();
    const std::vector<std::string> languages = ListLanguages(folder);
    ASSERT_GE(languages.size(), 7u);
    for (const std::string& language : languages) {
        SCOPED_TRACE(language);
        LanguageItem(*form, QString::fromStdString(language))->trigger();
        ASSERT_EQ(form->currentLanguage(), language);
        ASSERT_TRUE(feedback.messages.empty());
        QCoreApplication::processEvents();
        for (QWidget* window : {static_cast<QWidget*>(form.get()), editor, viewer})
            EXPECT_EQ(CutTextsOfWindow(window), std::vector<std::string>{})
                << window->objectName().toStdString();
        // The Archive page's status line at its longest: the team server away, loggers waiting
        // and why, in the server's own words.
        form->PageControl->setCurrentWidget(archive);
        Settle(*archive);
        archive->Team->setCause(kMessageArchivePasswordRefused,
                                "FATAL:  password authentication failed for user \"technician\"");
        archive->CountLabel->setText(Entry(1699) + "    " + Entry(1501) + " 12345    " +
                                     archive->Team->pendingText(12345));
        QCoreApplication::processEvents();
        EXPECT_EQ(CutTexts(archive), std::vector<std::string>{});
        // The pull's notice with its longest texts, one after the other as a run shows them.
        for (const QString& said :
             {Entry(1773).arg("00012345").arg(150).arg(150), Entry(1781),
              Entry(1776).arg("00012345").arg(149).arg(150),
              Entry(1777).arg(149).arg(150).arg("00012345")}) {
            pull->say(said);
            pull->show();
            QCoreApplication::processEvents();
            EXPECT_EQ(CutTexts(pull), std::vector<std::string>{});
        }
        pull->hide();
        // Forty channels compared, at the window's opening size: every title whole, every
        // channel name readable under the bars.
        ArchiveAnalysisWindow compare(form->languageTable(), form.get());
        compare.ShowComparison(FortyChannels());
        compare.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(CutTexts(&compare), std::vector<std::string>{});
        EXPECT_EQ(CutChannelNames(*compare.ChartView->chart(), 40), std::vector<std::string>{});
        // A bar below its threshold keeps its logger's colour and carries a mark instead.
        int below = 0;
        for (const ComparedChannel& r : FortyChannels().rows) below += (*r.a < 45) + (*r.b < 45);
        auto* marks = compare.ChartView->chart()->findChild<QScatterSeries*>("BelowThreshold");
        ASSERT_NE(marks, nullptr);
        EXPECT_EQ(marks->count(), below);
        for (QBarSet* set : compare.ChartView->chart()->findChildren<QBarSet*>())
            EXPECT_TRUE(set->selectedBars().isEmpty());
        // Caption and value stay inside the status box.
        for (QLabel* value : {form->CStatus->Mod, form->CStatus->SN, form->CStatus->IOV, form->CStatus->ZVV})
            EXPECT_LE(value->geometry().right(), form->CStatus->contentsRect().right())
                << value->objectName().toStdString();
        EXPECT_LE(form->CStatus->fontMetrics().horizontalAdvance(form->CStatus->title()),
                  form->CStatus->width());
        // The boxes' buttons come from Qt's translations of the language.
        const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
        EXPECT_EQ(cancel == QStringLiteral("Cancel"), language == kDefaultLanguage)
            << cancel.toStdString();
    }
}

}  // namespace
}  // namespace zv318::testing
