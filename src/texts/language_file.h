#pragma once
// Language files ("Languages/NAME.lng": lines "label,N=text") and "config.txt", which holds
// the name of the chosen language and nothing else.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "texts/language_table.h"
#include "texts/program_folders.h"
#include "texts/text_file.h"

namespace zv318 {

// The language built into the program: its texts, from the shipped "English.lng", are the
// table every language is loaded over, and it is offered even when no language file is there.
inline constexpr char kBuiltInLanguage[] = "English";
[[nodiscard]] std::string_view BuiltInEnglishText();

// A line that could not be used: which line, and why.
struct LanguageFileProblem {
    int line = 0;  // 1-based line of the file
    std::string reason;
};

struct LanguageFileResult {
    bool opened = false;
    int refusal = 0;  // 295 or 296 when the file is no regular file or too large, else 0
    std::vector<LanguageFileProblem> problems;
};

inline constexpr std::size_t kLanguageLineBuffer = 200;  // lines of at most 199 characters
inline constexpr std::size_t kLanguageNameLength = 19;   // what config.txt gives back

// Sets the entries the file names; entries it does not name keep their text.
// The entry number is the text between the line's first comma and the first "=" after it;
// the text is everything after the line's first "=". Lines without a comma are ignored, and
// so are numbers outside 0-135 and 1000-1999. A number that is not a decimal integer, or a comma without
// "=", skips the line and is listed in the result's problems.
LanguageFileResult ReadLanguageFile(const std::filesystem::path& file, LanguageTable& table);
// The same on text already in memory (UTF-8 or Windows-1252).
LanguageFileResult ReadLanguageText(const std::string& bytes, LanguageTable& table);

// One text for the person naming the file and the faulty lines.
[[nodiscard]] std::string DescribeProblems(const std::filesystem::path& file,
                                           const std::vector<LanguageFileProblem>& problems);

// The shipped language files are in the data folder's "Languages"; the person's own, in the
// user folder's "Languages" (installed program), are offered beside them and win on a name.
[[nodiscard]] std::filesystem::path LanguageFolder(const std::filesystem::path& folder);
[[nodiscard]] std::filesystem::path LanguageFilePath(const ProgramFolders& folders,
                                                     const std::string& name);
[[nodiscard]] std::filesystem::path FlagPath(const ProgramFolders& folders,
                                             const std::string& name);
// The names of the ".lng" files of both "Languages" folders (without extension) and the
// built-in language, sorted, once.
[[nodiscard]] std::vector<std::string> ListLanguages(const ProgramFolders& folders);

// The language named by "config.txt" in the user folder (at most its first 19 characters,
// without a line break), or nothing when the file cannot be opened; `why` says why.
[[nodiscard]] std::optional<std::string> ReadConfigLanguage(const ProgramFolders& folders,
                                                            ReadRefusal* why = nullptr);
// Writes the name alone, with no line break.
[[nodiscard]] bool WriteConfigLanguage(const ProgramFolders& folders, const std::string& name);

}  // namespace zv318
