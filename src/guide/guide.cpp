#include "guide/guide.h"

#include <QString>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <algorithm>

#include "texts/text_file.h"

namespace zv318 {

namespace {

// A text in the search's form, and for each of its characters the position in the text it
// came from (so an excerpt can be cut from the text as written).
struct Folded {
    QString text;
    std::vector<qsizetype> origin;
};

Folded Fold(const QString& text) {
    Folded f;
    f.text.reserve(text.size());
    f.origin.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QString decomposed = QString(text.at(i)).normalized(QString::NormalizationForm_D);
        for (const QChar c : decomposed) {
            if (c.isMark()) continue;
            f.text.append(c.toLower());
            f.origin.push_back(i);
        }
    }
    return f;
}

QString Excerpt(const QString& plain, qsizetype at, qsizetype length) {
    constexpr qsizetype kAround = 50;
    const qsizetype from = std::max<qsizetype>(0, at - kAround);
    const qsizetype to = std::min(plain.size(), at + length + kAround);
    QString excerpt = plain.mid(from, to - from).simplified();
    if (from > 0) excerpt.prepend(QStringLiteral("…"));
    if (to < plain.size()) excerpt.append(QStringLiteral("…"));
    return excerpt;
}

}  // namespace

const std::vector<std::string>& GuidePages() {
    static const std::vector<std::string> pages{
        "index",    "connecting",   "plans",  "editor",   "loggers", "viewer", "archive",
        "team-archive", "report",   "firmware", "backup", "clock",   "command-line"};
    return pages;
}

const std::map<std::string, std::string, std::less<>>& GuideWindowPages() {
    static const std::map<std::string, std::string, std::less<>> pages{
        {"Form1", "index"},
        {"CStatus", "connecting"},
        {"ChannelPlan", "plans"},
        {"Editor", "editor"},
        {"Dialog", "editor"},
        {"Loggers", "loggers"},
        {"ZVLoggerWindow", "viewer"},
        {"LoggerPreview", "viewer"},
        {"ReportDialog", "report"},
        {"ArchivePage", "archive"},
        {"ArchiveAnalysisWindow", "archive"},
        {"TeamArchiveDialog", "team-archive"},
        {"PullNotice", "archive"},
        {"ConfUpgr", "firmware"},
        {"UpdatingFORM", "firmware"},
        {"AboutKORVEL52", "index"},
        {"AboutController", "index"},
        {"Oculta", "command-line"},
        {"GuideWindow", "index"},
    };
    return pages;
}

std::string GuidePageOf(std::string_view objectName) {
    const auto& pages = GuideWindowPages();
    const auto it = pages.find(objectName);
    return it == pages.end() ? std::string() : it->second;
}

GuideReferences GuideReferencesOf(const std::string& markdown) {
    QTextDocument document;
    document.setMarkdown(QString::fromUtf8(markdown.data(), static_cast<qsizetype>(markdown.size())));
    GuideReferences found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat())
                found.pictures.push_back(format.toImageFormat().name().toStdString());
            else if (format.isAnchor() && !format.anchorHref().isEmpty())
                found.links.push_back(format.anchorHref().toStdString());
        }
    return found;
}

std::string GuidePlainText(const std::string& markdown) {
    QTextDocument document;
    document.setMarkdown(QString::fromUtf8(markdown.data(), static_cast<qsizetype>(markdown.size())));
    return document.toPlainText().toStdString();
}

std::string GuideSearchForm(std::string_view text) {
    return Fold(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))).text.toStdString();
}

UserGuide::UserGuide(std::filesystem::path guideFolder, std::string language)
    : folder_(std::move(guideFolder)),
      language_(language.empty() ? std::string(kGuideDefaultLanguage) : std::move(language)) {}

std::filesystem::path UserGuide::PageFile(const std::string& page) const {
    std::error_code ec;
    for (const std::string& code : {language_, std::string(kGuideDefaultLanguage)}) {
        std::filesystem::path file = folder_ / code / (page + ".md");
        if (std::filesystem::is_regular_file(file, ec)) return file;
    }
    return {};
}

std::string UserGuide::PageText(const std::string& page) const {
    const std::filesystem::path file = PageFile(page);
    if (file.empty()) return {};
    return ReadWholeFile(file, kGuidePageMaxBytes).value_or(std::string());
}

std::string UserGuide::Title(const std::string& page) const {
    const std::string text = PageText(page);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with("# ")) return line.substr(2);
        start = end + 1;
    }
    return page;
}

std::vector<UserGuide::Hit> UserGuide::Search(std::string_view query) const {
    const QStringList words = Fold(QString::fromUtf8(query.data(), static_cast<qsizetype>(query.size())))
                                  .text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<Hit> hits;
    if (words.isEmpty()) return hits;
    for (const std::string& page : GuidePages()) {
        const QString plain = QString::fromStdString(GuidePlainText(PageText(page)));
        const Folded folded = Fold(plain);
        bool all = true;
        for (const QString& word : words) all = all && folded.text.contains(word);
        if (!all) continue;
        Hit hit;
        hit.page = page;
        hit.count = static_cast<int>(folded.text.count(words.first()));
        const qsizetype at = folded.text.indexOf(words.first());
        const qsizetype from = folded.origin[static_cast<std::size_t>(at)];
        const qsizetype last =
            folded.origin[static_cast<std::size_t>(at + words.first().size() - 1)];
        hit.excerpt = Excerpt(plain, from, last - from + 1).toStdString();
        hits.push_back(std::move(hit));
    }
    return hits;
}

}  // namespace zv318
