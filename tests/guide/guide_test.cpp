// The user guide as shipped (every language has every page, every link and picture resolves,
// every window has a page), its search, and its window opened by Contents and by F1.

#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTimer>
#include <map>
#include <set>
#include <sstream>

#include "archive/windows/archive_page.h"
#include "guide/guide.h"
#include "guide/windows/guide_window.h"
#include "loggers/windows/report_dialog.h"
#include "mainwindow/main_window_fixture.h"
#include "texts/user_settings.h"
#include "windows/modal_watcher.h"

namespace fs = std::filesystem;

namespace zv318::testing {
namespace {

const fs::path kShipped = ZV318_GUIDE_DIR;

std::vector<std::string> Languages() {
    std::vector<std::string> codes;
    for (const fs::directory_entry& e : fs::directory_iterator(kShipped))
        if (e.is_directory()) codes.push_back(e.path().filename().string());
    std::sort(codes.begin(), codes.end());
    return codes;
}

TEST(guideShipped, EveryLanguageHasEveryPageAndNoOther) {
    const std::vector<std::string> codes = Languages();
    for (const char* needed : {"en", "es", "ca", "fr", "de", "it", "pt"})
        EXPECT_NE(std::find(codes.begin(), codes.end(), needed), codes.end()) << needed;
    const std::set<std::string> pages(GuidePages().begin(), GuidePages().end());
    for (const std::string& code : codes) {
        std::set<std::string> found;
        for (const fs::directory_entry& e : fs::directory_iterator(kShipped / code))
            if (e.path().extension() == ".md") found.insert(e.path().stem().string());
        EXPECT_EQ(found, pages) << code;
        const UserGuide guide(kShipped, code);
        for (const std::string& page : GuidePages()) {
            EXPECT_EQ(guide.PageFile(page).parent_path().filename(), code) << code << " " << page;
            EXPECT_NE(guide.Title(page), page) << code << " " << page << " has no title";
        }
    }
}

TEST(guideShipped, EveryLinkAndPictureResolves) {
    for (const std::string& code : Languages()) {
        const UserGuide guide(kShipped, code);
        for (const std::string& page : GuidePages()) {
            const GuideReferences refs = GuideReferencesOf(guide.PageText(page));
            const std::string where = code + "/" + page + ".md: ";
            for (const std::string& link : refs.links) {
                if (link.starts_with("https://") || link.starts_with("mailto:")) continue;
                // A page of the same language, named as the contents name it.
                ASSERT_TRUE(link.ends_with(".md")) << where << link;
                const std::string target = link.substr(0, link.size() - 3);
                EXPECT_NE(std::find(GuidePages().begin(), GuidePages().end(), target),
                          GuidePages().end())
                    << where << link;
                EXPECT_TRUE(fs::is_regular_file(kShipped / code / link)) << where << link;
            }
            for (const std::string& picture : refs.pictures) {
                const fs::path file = kShipped / code / picture;
                EXPECT_FALSE(QImage(QString::fromStdString(file.string())).isNull())
                    << where << picture;
            }
        }
        // The first page leads to every other.
        const GuideReferences index = GuideReferencesOf(guide.PageText("index"));
        for (const std::string& page : GuidePages()) {
            if (page == "index") continue;
            EXPECT_NE(std::find(index.links.begin(), index.links.end(), page + ".md"),
                      index.links.end())
                << code << " index lacks " << page;
        }
    }
}

TEST(guideShipped, ReferencesAreFoundInTheMarkdownItself) {
    // Links and pictures are read as Markdown reads them: not in code, whatever the quoting.
    const GuideReferences refs = GuideReferencesOf(
        "# T\r\nSee [the editor](editor.md) and ![a window](images/a.png).\r\n\r\n"
        "```\r\n[not a link](x.md)\r\n```\r\n<https://example.com>\r\n");
    EXPECT_EQ(refs.links, (std::vector<std::string>{"editor.md", "https://example.com"}));
    EXPECT_EQ(refs.pictures, (std::vector<std::string>{"images/a.png"}));
}

// A page's prose in lower case: its text without fenced code, `code` spans and the targets of
// its links and pictures, which name commands, files and pages in their own spelling.
std::string LowerProse(const std::string& markdown) {
    std::string text;
    bool fenced = false;
    std::istringstream lines(markdown);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start != std::string::npos && line.compare(start, 3, "```") == 0)
            fenced = !fenced;
        else if (!fenced)
            text += line + '\n';
    }
    std::string prose;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t end = std::string::npos;
        if (text[i] == '`') {  // a span opened by a run of backticks ends at a run as long
            const std::size_t run = std::min(text.find_first_not_of('`', i), text.size()) - i;
            end = text.find(std::string(run, '`'), i + run);
            if (end != std::string::npos) end += run - 1;
        } else if (text[i] == '(' && i > 0 && text[i - 1] == ']') {
            end = text.find(')', i);
        }
        if (end != std::string::npos)
            i = end;
        else
            prose += (text[i] >= 'A' && text[i] <= 'Z') ? static_cast<char>(text[i] - 'A' + 'a')
                                                        : text[i];
    }
    return prose;
}

TEST(guideShipped, ThePagesNameEachThingWithTheWordTheProgramUses) {
    // As in the language files: Spanish says "registro" for a logger and "archivo" for a file,
    // Catalan "registre" for a logger; commands, file names and link targets keep their spelling.
    const std::map<std::string, std::vector<std::string>> avoided{{"es", {"logger", "fichero"}},
                                                                  {"ca", {"logger"}}};
    ASSERT_EQ(LowerProse("Run `zv318ctl loggers save` in ``a`Logger``\n```\nLoggers/\n```\n"
                         "[the Logger](loggers.md), ![A](images/logger.png)\n"),
              "run  in \n[the logger], ![a]\n");
    for (const auto& [code, words] : avoided) {
        const UserGuide guide(kShipped, code);
        for (const std::string& page : GuidePages()) {
            const std::string prose = LowerProse(guide.PageText(page));
            for (const std::string& word : words) {
                const std::size_t at = prose.find(word);
                EXPECT_EQ(at, std::string::npos)
                    << code << "/" << page << ".md: \"" << word << "\" in \""
                    << prose.substr(at < 40 ? 0 : at - 40, 80) << "\"";
            }
        }
    }
}

// ---- search -------------------------------------------------------------------------------

TEST(guideSearch, FindsEveryPageThatHoldsAllTheWordsWhateverTheCaseAndAccents) {
    struct Case {
        const char* language;
        const char* query;
        std::vector<std::string> holds;     // pages among the hits
        std::vector<std::string> lacks;     // pages not among them
    };
    const std::vector<Case> cases{
        {"en", "threshold", {"viewer", "archive", "report"}, {"clock", "firmware"}},
        {"en", "THRESHOLD", {"viewer"}, {"clock"}},
        {"en", "threshold chart", {"viewer"}, {"clock", "team-archive"}},
        {"en", "threshold zzzz", {}, {"viewer", "archive"}},
        {"es", "umbral", {"viewer", "report"}, {"clock"}},
        {"es", "UMBRAL", {"viewer"}, {}},
        {"ca", "llindar", {"viewer", "report"}, {"clock"}},
        {"ca", "rellotge", {"clock"}, {}},
        {"es", "guia", {"index"}, {}},       // "guía" without its accent
        {"fr", "seuil", {"viewer", "report"}, {"clock"}},
        {"fr", "evolution", {"archive"}, {"clock"}},  // "Évolution" without its accent
        {"de", "schwellwert", {"viewer", "report"}, {"clock"}},
        {"it", "soglia", {"viewer", "report"}, {"clock"}},
        {"pt", "limiar", {"viewer", "report"}, {"clock"}},
        {"pt", "relogio", {"clock"}, {}},
        {"en", "   ", {}, {"index"}},
    };
    for (const Case& c : cases) {
        const UserGuide guide(kShipped, c.language);
        std::vector<std::string> pages;
        for (const UserGuide::Hit& hit : guide.Search(c.query)) {
            pages.push_back(hit.page);
            EXPECT_GT(hit.count, 0);
            EXPECT_FALSE(hit.excerpt.empty());
        }
        const std::string label = std::string(c.language) + " \"" + c.query + "\"";
        for (const std::string& p : c.holds)
            EXPECT_NE(std::find(pages.begin(), pages.end(), p), pages.end()) << label << " " << p;
        for (const std::string& p : c.lacks)
            EXPECT_EQ(std::find(pages.begin(), pages.end(), p), pages.end()) << label << " " << p;
        if (c.holds.empty()) {
            EXPECT_TRUE(pages.empty()) << label;
        }
    }
}

TEST(guideSearch, TheExcerptIsTheTextAsWrittenAroundTheWord) {
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    fs::create_directories(folder / "ca");
    std::ofstream(folder / "ca" / "clock.md") << "# Rellotge\n\nLa **línia** del rellotge.\n";
    const UserGuide guide(folder, "ca");
    const std::vector<UserGuide::Hit> hits = guide.Search("LINIA");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].page, "clock");
    EXPECT_NE(hits[0].excerpt.find("línia del rellotge"), std::string::npos) << hits[0].excerpt;
}

TEST(guideSearch, ALanguageWithoutAPageShowsTheEnglishOne) {
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    fs::create_directories(folder / "en");
    fs::create_directories(folder / "fr");
    std::ofstream(folder / "en" / "clock.md") << "# Clock\n";
    std::ofstream(folder / "en" / "index.md") << "# Guide\n";
    std::ofstream(folder / "fr" / "index.md") << "# Guide FR\n";
    const UserGuide french(folder, "fr");
    EXPECT_EQ(french.PageFile("index"), folder / "fr" / "index.md");
    EXPECT_EQ(french.PageFile("clock"), folder / "en" / "clock.md");
    EXPECT_EQ(french.Title("clock"), "Clock");
    EXPECT_TRUE(french.PageFile("editor").empty());
    EXPECT_EQ(UserGuide(folder, "de").PageFile("index"), folder / "en" / "index.md");
    EXPECT_EQ(UserGuide(folder, "").language(), "en");
}

// ---- the window ---------------------------------------------------------------------------

class guideWindow : public MainWindowTest {};

TEST_F(guideWindow, EveryWindowOfTheProgramHasAPage) {
    Create();
    auto* report = new ReportDialog(form->languageTable(), UserSettings(), form.get());
    std::set<std::string> pages(GuidePages().begin(), GuidePages().end());
    std::vector<QWidget*> windows{form.get(), form->Guide, report};
    for (QObject* o : form->children())
        if (auto* w = qobject_cast<QDialog*>(o)) windows.push_back(w);
    for (int i = 0; i < form->PageControl->count(); ++i)
        windows.push_back(form->PageControl->widget(i));
    windows.push_back(form->CStatus);
    EXPECT_GE(windows.size(), 14u);
    for (QWidget* w : windows) {
        const std::string page = GuidePageOf(w->objectName().toStdString());
        EXPECT_TRUE(pages.count(page)) << "no page for " << w->objectName().toStdString();
    }
    // Every page the windows name is one of the guide's.
    for (const auto& [name, page] : GuideWindowPages()) EXPECT_TRUE(pages.count(page)) << name;
}

TEST_F(guideWindow, ContentsOpensTheFirstPageInTheLanguageOfTheInterface) {
    Start();
    for (const auto& [language, code, title] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"English", "en", "ZV-318 Software user guide"},
             {"Spanish", "es", "Guía del usuario de ZV-318 Software"},
             {"Catalan", "ca", "Guia de l'usuari del ZV-318 Software"},
             {"French", "fr", "Guide de l'utilisateur de ZV-318 Software"},
             {"German", "de", "Benutzerhandbuch ZV-318 Software"},
             {"Italian", "it", "Guida dell'utente di ZV-318 Software"},
             {"Portuguese", "pt", "Guia do utilizador do ZV-318 Software"}}) {
        form->setCurrentLanguage(language);
        form->LoadLanguage();
        form->Contenidos1->trigger();
        ASSERT_TRUE(form->Guide->isVisible()) << language;
        EXPECT_EQ(form->Guide->currentPage(), "index");
        EXPECT_EQ(form->Guide->guide().language(), code);
        EXPECT_EQ(form->Guide->windowTitle().toStdString(), title);
        EXPECT_EQ(form->Guide->Contents->count(), static_cast<int>(GuidePages().size()));
        EXPECT_EQ(form->Guide->Contents->currentRow(), 0);
        // The page's pictures are loaded and drawn no wider than the page: no page of the
        // guide scrolls sideways.
        EXPECT_TRUE(form->Guide->Page->toPlainText().contains(QChar(0xfffc))) << language;
        for (const std::string& page : GuidePages()) {
            form->Guide->ShowPage(page);
            QCoreApplication::processEvents();
            EXPECT_EQ(form->Guide->Page->horizontalScrollBar()->maximum(), 0) << language << page;
        }
        form->Guide->close();
    }
}

TEST_F(guideWindow, F1OpensThePageOfTheWindowInFrontAndOfTheTabShown) {
    Start();
    // The main window's tabs, each with its page, whatever was searched when the guide was
    // last open: F1 asks for a page, and the search is forgotten.
    for (const auto& [tab, page] : std::vector<std::pair<int, std::string>>{
             {0, "plans"}, {1, "loggers"}}) {
        form->Contenidos1->trigger();
        form->Guide->SearchEdit->setText(QStringLiteral("keyring"));
        ASSERT_NE(form->Guide->currentPage(), page);
        form->Guide->close();
        form->PageControl->setCurrentIndex(tab);
        form->PageControl->currentWidget()->setFocus();
        QTest::keyClick(form->PageControl->currentWidget(), Qt::Key_F1);
        EXPECT_TRUE(form->Guide->isVisible());
        EXPECT_EQ(form->Guide->currentPage(), page);
        EXPECT_TRUE(form->Guide->SearchEdit->text().isEmpty());
        EXPECT_EQ(form->Guide->Contents->count(), static_cast<int>(GuidePages().size()));
        EXPECT_FALSE(form->Guide->isModal());
        form->Guide->close();
    }
    // F1 in the editor, which is modal: the guide opens modal above it, at the editor's page.
    bool seen = false;
    ModalWatcher watcher([&](QWidget* modal) {
        TEditor* editor = form->windows().editor;
        if (modal != editor) return;
        QTest::keyClick(editor->TaulaCanals, Qt::Key_F1);
        seen = form->Guide->isVisible() && form->Guide->currentPage() == "editor" &&
               form->Guide->windowModality() == Qt::ApplicationModal &&
               QApplication::activeModalWidget() == form->Guide;
        form->Guide->close();
        feedback.threeWay = {Answer::No};  // nothing to save
        editor->close();
    });
    form->ChannelPlan->NewRButClick();
    EXPECT_TRUE(seen);
}

TEST_F(guideWindow, TheSearchListsThePagesThatHoldTheWordAndMarksItOnThePage) {
    Start();
    form->Contenidos1->trigger();
    TGuideWindow& guide = *form->Guide;
    QTest::keyClicks(guide.SearchEdit, "threshold");
    const std::vector<UserGuide::Hit> hits = guide.guide().Search("threshold");
    ASSERT_FALSE(hits.empty());
    ASSERT_EQ(guide.Contents->count(), static_cast<int>(hits.size()));
    for (int i = 0; i < guide.Contents->count(); ++i)
        EXPECT_EQ(guide.Contents->item(i)->data(Qt::UserRole).toString().toStdString(),
                  hits[static_cast<std::size_t>(i)].page);
    EXPECT_EQ(guide.currentPage(), hits.front().page);
    const QList<QTextEdit::ExtraSelection> marks = guide.Page->extraSelections();
    ASSERT_FALSE(marks.isEmpty());
    for (const QTextEdit::ExtraSelection& mark : marks)
        EXPECT_EQ(mark.cursor.selectedText().toLower(), QStringLiteral("threshold"));
    EXPECT_TRUE(guide.SearchLabel->isVisible());

    // A word no page holds empties the list and says so; clearing the field brings every page.
    guide.SearchEdit->setText(QStringLiteral("zzzz"));
    EXPECT_EQ(guide.Contents->count(), 0);
    EXPECT_TRUE(guide.SearchLabel->text().contains(QStringLiteral("zzzz")));
    guide.SearchEdit->clear();
    EXPECT_EQ(guide.Contents->count(), static_cast<int>(GuidePages().size()));
    EXPECT_TRUE(guide.Page->extraSelections().isEmpty());

    // A link between pages is followed (as the page resolves a link clicked on it) as
    // Markdown, and the contents follow it.
    guide.ShowPage("index");
    guide.Page->setSource(guide.Page->source().resolved(QUrl(QStringLiteral("clock.md"))));
    EXPECT_EQ(guide.currentPage(), "clock");
    EXPECT_TRUE(guide.Page->toPlainText().startsWith(
        QString::fromStdString(guide.guide().Title("clock"))));
    EXPECT_EQ(guide.Contents->currentItem()->data(Qt::UserRole).toString(), QStringLiteral("clock"));
}

}  // namespace
}  // namespace zv318::testing
