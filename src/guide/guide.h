#pragma once
// The user guide: one Markdown page per task, written once per language under
// DATA/Guide/CODE/ (CODE the language's two-letter code, entry 1343 of its language file: "en",
// "es", "ca"), every language with the same file names, pictures under CODE/images/. A language
// without a page (or without a guide) shows the English one. This holds the contents' order, the
// page each window opens with F1, and the search over a language's pages.

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zv318 {

inline constexpr char kGuideFolderName[] = "Guide";
inline constexpr char kGuideDefaultLanguage[] = "en";
inline constexpr char kGuideFirstPage[] = "index";
// A page is a few kilobytes of text; anything much larger is no page.
inline constexpr std::size_t kGuidePageMaxBytes = std::size_t{256} * 1024;

// The pages in the order of the contents list (file names without ".md").
[[nodiscard]] const std::vector<std::string>& GuidePages();

// The page of a window or of a part of one, by its object name ("Editor", "Loggers"); empty
// when it has none of its own (F1 then looks at the widget around it).
[[nodiscard]] std::string GuidePageOf(std::string_view objectName);
// Every object name that has a page, with its page.
[[nodiscard]] const std::map<std::string, std::string, std::less<>>& GuideWindowPages();

// What a page's Markdown refers to: the targets of its links and of its pictures, as written.
struct GuideReferences {
    std::vector<std::string> links, pictures;
};
[[nodiscard]] GuideReferences GuideReferencesOf(const std::string& markdown);
// The page's text without its markup.
[[nodiscard]] std::string GuidePlainText(const std::string& markdown);
// The text as the search compares it: lower case, accents and other marks left out
// ("Línia" and "linia" match).
[[nodiscard]] std::string GuideSearchForm(std::string_view text);

class UserGuide {
public:
    // `guideFolder`: DATA/Guide; `language`: a two-letter code (English when empty).
    UserGuide(std::filesystem::path guideFolder, std::string language);

    [[nodiscard]] const std::string& language() const { return language_; }
    // The file of `page` in the language, else the English one; empty when neither exists.
    [[nodiscard]] std::filesystem::path PageFile(const std::string& page) const;
    // The page's Markdown (empty when it cannot be read).
    [[nodiscard]] std::string PageText(const std::string& page) const;
    // The page's first "# " heading, else its file name.
    [[nodiscard]] std::string Title(const std::string& page) const;

    struct Hit {
        std::string page;
        int count = 0;        // how often the first word occurs
        std::string excerpt;  // the words around its first occurrence
    };
    // The pages that hold every word of `query` (letter case and accents ignored), in the
    // contents' order; nothing for an empty query.
    [[nodiscard]] std::vector<Hit> Search(std::string_view query) const;

private:
    std::filesystem::path folder_;
    std::string language_;
};

}  // namespace zv318
