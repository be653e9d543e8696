#include "guide/windows/guide_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>
#include <QVBoxLayout>

#include "texts/qt_path.h"

namespace {

constexpr int kCaptionEntry = 1760;
constexpr int kSearchEntry = 1761;
constexpr int kNothingFoundEntry = 1762;
constexpr int kFoundEntry = 1763;
constexpr int kLanguageCodeEntry = 1343;

constexpr int kPageRole = Qt::UserRole;

QString Entry(const zv318::LanguageTable* table, int n, const char* fallback) {
    const std::string& text = table ? table->entry(n) : std::string();
    return text.empty() ? QString::fromUtf8(fallback) : QString::fromStdString(text);
}

}  // namespace

TGuideWindow::TGuideWindow(std::filesystem::path guideFolder, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      folder_(std::move(guideFolder)),
      guide_(std::make_unique<zv318::UserGuide>(folder_, zv318::kGuideDefaultLanguage)) {
    setObjectName("GuideWindow");
    setWindowTitle(QStringLiteral("ZV-318 Software user guide"));
    resize(960, 680);

    SearchLabel = new QLabel(this);
    SearchLabel->setObjectName("SearchLabel");
    SearchLabel->setWordWrap(true);
    SearchEdit = new QLineEdit(this);
    SearchEdit->setObjectName("SearchEdit");
    SearchEdit->setClearButtonEnabled(true);
    Contents = new QListWidget(this);
    Contents->setObjectName("Contents");
    Contents->setWordWrap(true);
    Page = new QTextBrowser(this);
    Page->setObjectName("Page");
    Page->setOpenExternalLinks(true);
    Page->setSearchPaths({zv318::QStringFromPath(folder_)});

    auto* left = new QVBoxLayout;
    left->addWidget(SearchEdit);
    left->addWidget(SearchLabel);
    left->addWidget(Contents, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addWidget(Page, 1);
    Contents->setFixedWidth(240);
    SearchEdit->setFixedWidth(240);
    SearchLabel->setFixedWidth(240);
    SearchLabel->hide();

    connect(SearchEdit, &QLineEdit::textChanged, this, &TGuideWindow::SearchEditChange);
    connect(Contents, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item) ShowPage(item->data(kPageRole).toString().toStdString());
    });
    connect(Page, &QTextBrowser::sourceChanged, this, &TGuideWindow::PageShown);
    Page->viewport()->installEventFilter(this);
    FillContents(zv318::GuidePages());
}

TGuideWindow::~TGuideWindow() = default;

void TGuideWindow::applyTranslation(const zv318::LanguageTable& table) {
    table_ = &table;
    const std::string shown = currentPage();
    guide_ = std::make_unique<zv318::UserGuide>(folder_, table.entry(kLanguageCodeEntry));
    setWindowTitle(Entry(table_, kCaptionEntry, "ZV-318 Software user guide"));
    SearchEdit->setPlaceholderText(Entry(table_, kSearchEntry, "Search the guide"));
    SearchEditChange();
    if (!shown.empty()) ShowPage(shown);
}

void TGuideWindow::FillContents(const std::vector<std::string>& pages) {
    const QSignalBlocker quiet(Contents);
    Contents->clear();
    for (const std::string& page : pages) {
        auto* item = new QListWidgetItem(QString::fromStdString(guide_->Title(page)), Contents);
        item->setData(kPageRole, QString::fromStdString(page));
    }
}

void TGuideWindow::SearchEditChange() {
    const std::string query = SearchEdit->text().trimmed().toStdString();
    if (query.empty()) {
        FillContents(zv318::GuidePages());
        SearchLabel->hide();
    } else {
        const std::vector<zv318::UserGuide::Hit> hits = guide_->Search(query);
        std::vector<std::string> pages;
        pages.reserve(hits.size());
        for (const zv318::UserGuide::Hit& hit : hits) pages.push_back(hit.page);
        FillContents(pages);
        for (int i = 0; i < Contents->count(); ++i)
            Contents->item(i)->setToolTip(
                QString::fromStdString(hits[static_cast<std::size_t>(i)].excerpt));
        const QString words = SearchEdit->text().trimmed();
        SearchLabel->setText(hits.empty()
                                 ? Entry(table_, kNothingFoundEntry, "No page holds \"%1\".").arg(words)
                                 : Entry(table_, kFoundEntry, "Pages that hold \"%1\": %2")
                                       .arg(words)
                                       .arg(hits.size()));
        SearchLabel->show();
        // The first page found is shown at once, its words marked.
        if (!hits.empty()) {
            if (hits.front().page != currentPage())
                ShowPage(hits.front().page);
            else
                MarkSearchedWords();
            return;
        }
    }
    // The page shown stays selected in the list when the list holds it.
    const QSignalBlocker quiet(Contents);
    for (int i = 0; i < Contents->count(); ++i)
        if (Contents->item(i)->data(kPageRole).toString().toStdString() == currentPage())
            Contents->setCurrentRow(i);
    MarkSearchedWords();
}

void TGuideWindow::ShowPage(const std::string& page) {
    std::filesystem::path file = guide_->PageFile(page);
    if (file.empty()) file = guide_->PageFile(zv318::kGuideFirstPage);
    if (file.empty()) {
        Page->setPlainText(QStringLiteral("The user guide is missing from %1.")
                               .arg(zv318::QStringFromPath(folder_)));
        return;
    }
    const QUrl url = QUrl::fromLocalFile(zv318::QStringFromPath(file));
    if (Page->source() != url) Page->setSource(url, QTextDocument::MarkdownResource);
    PageShown(url);
}

std::string TGuideWindow::currentPage() const {
    const QUrl source = Page->source();
    if (source.isEmpty()) return {};
    return zv318::PathFromQString(source.toLocalFile()).stem().string();
}

void TGuideWindow::PageShown(const QUrl& source) {
    const std::string page = zv318::PathFromQString(source.toLocalFile()).stem().string();
    {
        const QSignalBlocker quiet(Contents);
        Contents->setCurrentRow(-1);
        for (int i = 0; i < Contents->count(); ++i)
            if (Contents->item(i)->data(kPageRole).toString().toStdString() == page)
                Contents->setCurrentRow(i);
    }
    FitPictures();
    MarkSearchedWords();
}

void TGuideWindow::Open(const std::string& page) {
    // A page asked for (F1, Contents) is shown with every page listed: the last search is
    // forgotten, its first page found never comes back in place of the page asked for.
    if (!SearchEdit->text().isEmpty()) {
        const QSignalBlocker quiet(SearchEdit);
        SearchEdit->clear();
        SearchEditChange();
    }
    ShowPage(page);
    // Above a modal window (the editor, the viewer) only a modal window takes input.
    QWidget* modal = QApplication::activeModalWidget();
    const bool needModal = modal && modal != this;
    const Qt::WindowModality wanted = needModal ? Qt::ApplicationModal : Qt::NonModal;
    if (windowModality() != wanted) {
        hide();
        setWindowModality(wanted);
    }
    show();
    raise();
    activateWindow();
}

bool TGuideWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Page->viewport() && event->type() == QEvent::Resize) FitPictures();
    return QDialog::eventFilter(watched, event);
}

void TGuideWindow::FitPictures() {
    // A picture wider than the page is drawn at the page's width, keeping its proportions; the
    // room counts the scroll bar a long page will show, so that the page never scrolls
    // sideways. The lines of an example wrap at the page's edge as well.
    const int bar = Page->verticalScrollBar()->isVisible()
                        ? 0
                        : Page->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Page);
    const int room = Page->viewport()->width() - bar -
                     2 * static_cast<int>(Page->document()->documentMargin()) - 8;
    if (room <= 0) return;
    QTextDocument* document = Page->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (QTextBlockFormat lines = block.blockFormat(); lines.nonBreakableLines()) {
            lines.setNonBreakableLines(false);
            QTextCursor(block).setBlockFormat(lines);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            if (!format.isValid()) continue;
            const QVariant resource =
                document->resource(QTextDocument::ImageResource, QUrl(format.name()));
            QImage picture = resource.value<QImage>();
            if (picture.isNull()) picture = Page->loadResource(QTextDocument::ImageResource,
                                                               QUrl(format.name())).value<QImage>();
            if (picture.isNull() || picture.width() <= 0) continue;
            const int width = std::min(picture.width(), room);
            if (format.width() == width) continue;
            format.setWidth(width);
            format.setHeight(static_cast<double>(picture.height()) * width / picture.width());
            QTextCursor cursor(document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

void TGuideWindow::MarkSearchedWords() {
    QList<QTextEdit::ExtraSelection> marks;
    const QStringList words =
        QString::fromStdString(zv318::GuideSearchForm(SearchEdit->text().toStdString()))
            .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!words.isEmpty()) {
        // Positions in the page's own text, found in its search form.
        const QString raw = Page->document()->toRawText();
        QString folded;
        std::vector<int> origin;
        for (qsizetype i = 0; i < raw.size(); ++i)
            for (const QChar c : QString::fromStdString(zv318::GuideSearchForm(QString(raw.at(i)).toStdString()))) {
                folded.append(c);
                origin.push_back(static_cast<int>(i));
            }
        QTextCharFormat marked;
        marked.setBackground(QColor(255, 230, 80));
        for (const QString& word : words)
            for (qsizetype at = folded.indexOf(word); at >= 0; at = folded.indexOf(word, at + 1)) {
                QTextCursor cursor(Page->document());
                cursor.setPosition(origin[static_cast<std::size_t>(at)]);
                cursor.setPosition(origin[static_cast<std::size_t>(at + word.size() - 1)] + 1,
                                   QTextCursor::KeepAnchor);
                marks.append({cursor, marked});
            }
    }
    Page->setExtraSelections(marks);
    if (!marks.isEmpty()) {
        QTextCursor first = marks.front().cursor;
        first.clearSelection();
        Page->setTextCursor(first);
        Page->ensureCursorVisible();
    }
}

// ---- F1 ---------------------------------------------------------------------------------------

namespace zv318 {

GuideKey::GuideKey(std::function<void(const std::string&)> open, QObject* parent)
    : QObject(parent), open_(std::move(open)) {
    qApp->installEventFilter(this);
}

GuideKey::~GuideKey() {
    if (qApp) qApp->removeEventFilter(this);
}

std::string GuideKey::PageFor(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        std::string page = GuidePageOf(w->objectName().toStdString());
        // On a tab's heading, the page shown under it.
        if (const auto* tabs = qobject_cast<const QTabWidget*>(w); tabs && tabs->currentWidget())
            page = GuidePageOf(tabs->currentWidget()->objectName().toStdString());
        if (!page.empty()) return page;
    }
    return kGuideFirstPage;
}

bool GuideKey::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
        return QObject::eventFilter(watched, event);
    // The widget the key reaches (a window of the system takes it first: then its focus).
    const QWidget* at = qobject_cast<const QWidget*>(watched);
    if (!at) at = QApplication::focusWidget();
    if (!at) at = QApplication::activeWindow();
    open_(PageFor(at));
    return true;
}

}  // namespace zv318
