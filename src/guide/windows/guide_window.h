#pragma once
// The user guide's window: the contents list with a search field above it, and the page. It
// shows the pages of the interface's language (entry 1343 names it), follows the links between
// pages, fits the pictures of the windows to its width and marks every place of the word looked
// for. Opened above a modal window (F1 in the editor) it is modal itself, so it can be read.
//
// GuideKey is the F1 key of the whole program: in any window it opens the guide at the page of
// the window, or of the part of it that holds the focus (a tab of the main window).

#include <QDialog>
#include <QObject>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "guide/guide.h"
#include "texts/language_table.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QTextBrowser;
class QUrl;

class TGuideWindow : public QDialog {
    Q_OBJECT

public:
    // `guideFolder`: DATA/Guide.
    explicit TGuideWindow(std::filesystem::path guideFolder, QWidget* parent = nullptr);
    ~TGuideWindow() override;

    // The pages of the table's language (entry 1343), the window's texts from it.
    void applyTranslation(const zv318::LanguageTable& table);
    // Shows `page` (the first page when it is no page of the guide), and the window, modal when
    // another modal window is in front.
    void Open(const std::string& page);
    void ShowPage(const std::string& page);
    // The page shown ("editor"), empty when none.
    [[nodiscard]] std::string currentPage() const;
    [[nodiscard]] const zv318::UserGuide& guide() const { return *guide_; }

    QLineEdit* SearchEdit;
    QLabel* SearchLabel;
    QListWidget* Contents;
    QTextBrowser* Page;

public slots:
    void SearchEditChange();

protected:
    // The page's width changed: its pictures are fitted again.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillContents(const std::vector<std::string>& pages);
    void PageShown(const QUrl& source);
    void FitPictures();
    void MarkSearchedWords();

    std::filesystem::path folder_;
    std::unique_ptr<zv318::UserGuide> guide_;
    const zv318::LanguageTable* table_ = nullptr;
};

namespace zv318 {

class GuideKey : public QObject {
    Q_OBJECT

public:
    // `open` is told the page to open; the filter watches the whole application.
    explicit GuideKey(std::function<void(const std::string&)> open, QObject* parent = nullptr);
    ~GuideKey() override;

    // The page of `widget`: its own, else that of the nearest widget around it that has one,
    // else the first page.
    [[nodiscard]] static std::string PageFor(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const std::string&)> open_;
};

}  // namespace zv318
