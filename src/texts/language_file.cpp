#include "texts/language_file.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "texts/text_file.h"

namespace zv318 {

namespace {

// A decimal integer with an optional sign, blanks around it allowed.
std::optional<long long> DecimalInteger(const std::string& text) {
    std::size_t i = 0, end = text.size();
    while (i < end && (text[i] == ' ' || text[i] == '\t')) ++i;
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == end || end - i > 9) return std::nullopt;
    long long value = 0;
    for (; i < end; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

// Cuts text into pieces of at most `limit` characters (UTF-8 code points), as a line reader
// with a fixed buffer does; each piece keeps its "\n" when it has one.
std::vector<std::string> Pieces(const std::string& text, std::size_t limit,
                                std::vector<int>& lineOfPiece) {
    std::vector<std::string> pieces;
    std::string piece;
    std::size_t chars = 0;
    int line = 1;
    auto flush = [&] {
        pieces.push_back(piece);
        lineOfPiece.push_back(line);
        piece.clear();
        chars = 0;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        bool continuation = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
        if (!continuation && chars == limit) flush();
        piece.push_back(c);
        if (!continuation) ++chars;
        if (c == '\n') {
            flush();
            ++line;
        }
    }
    if (!piece.empty()) flush();
    return pieces;
}

}  // namespace

LanguageFileResult ReadLanguageText(const std::string& bytes, LanguageTable& table) {
    LanguageFileResult result;
    result.opened = true;
    std::vector<int> lineOf;
    std::vector<std::string> pieces =
        Pieces(DecodeUtf8OrWindows1252(bytes), kLanguageLineBuffer - 1, lineOf);
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        std::string line = WithoutLineEnd(pieces[k]);
        std::size_t comma = line.find(',');
        if (comma == std::string::npos) continue;
        std::size_t equals = line.find('=', comma + 1);
        if (equals == std::string::npos) {
            result.problems.push_back({lineOf[k], "a comma without \"=\""});
            continue;
        }
        std::optional<long long> number =
            DecimalInteger(line.substr(comma + 1, equals - comma - 1));
        if (!number) {
            result.problems.push_back({lineOf[k], "the entry number is not a whole number"});
            continue;
        }
        if (!IsLanguageEntry(*number)) continue;
        table.set(static_cast<int>(*number), line.substr(line.find('=') + 1));
    }
    return result;
}

LanguageFileResult ReadLanguageFile(const std::filesystem::path& file, LanguageTable& table) {
    ReadRefusal why = ReadRefusal::CannotOpen;
    std::optional<std::string> bytes = ReadWholeFile(file, kLanguageFileMaxBytes, &why);
    if (!bytes) {
        LanguageFileResult refused;
        if (why != ReadRefusal::CannotOpen) refused.refusal = ReadRefusalMessage(why);
        return refused;
    }
    return ReadLanguageText(*bytes, table);
}

std::string DescribeProblems(const std::filesystem::path& file,
                             const std::vector<LanguageFileProblem>& problems) {
    std::string text = "Some lines of the language file " + PathToText(file) +
                       " could not be used and were skipped:";
    std::size_t shown = 0;
    for (const auto& p : problems) {
        if (++shown > 10) {
            text += "\n… and " + std::to_string(problems.size() - 10) + " more.";
            break;
        }
        text += "\nline " + std::to_string(p.line) + ": " + p.reason;
    }
    return text;
}

std::filesystem::path LanguageFolder(const std::filesystem::path& folder) {
    return folder / "Languages";
}

namespace {

// The file `name` + `extension` of the person's own languages when there is one, else the
// shipped one. Whatever stands under that name is the person's (a FIFO too): its reader judges
// it, so the person hears why it is not read rather than that it is missing.
std::filesystem::path LanguageFileIn(const ProgramFolders& folders, const std::string& name,
                                     const char* extension) {
    const std::filesystem::path file = PathFromText(name + extension);
    std::error_code ec;
    if (folders.separate() && std::filesystem::exists(std::filesystem::symlink_status(
                                  LanguageFolder(folders.user) / file, ec)))
        return LanguageFolder(folders.user) / file;
    return LanguageFolder(folders.data) / file;
}

}  // namespace

std::filesystem::path LanguageFilePath(const ProgramFolders& folders, const std::string& name) {
    return LanguageFileIn(folders, name, ".lng");
}

std::filesystem::path FlagPath(const ProgramFolders& folders, const std::string& name) {
    return LanguageFileIn(folders, name, ".bmp");
}

std::vector<std::string> ListLanguages(const ProgramFolders& folders) {
    std::vector<std::string> names{kBuiltInLanguage};
    std::error_code ec;
    std::vector<std::filesystem::path> folderList{folders.data};
    if (folders.separate()) folderList.push_back(folders.user);
    for (const std::filesystem::path& folder : folderList) {
        for (const auto& e : std::filesystem::directory_iterator(LanguageFolder(folder), ec)) {
            if (e.is_directory(ec)) continue;
            const std::filesystem::path& p = e.path();
            if (p.extension() == ".lng") names.push_back(PathToText(p.stem()));
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::optional<std::string> ReadConfigLanguage(const ProgramFolders& folders, ReadRefusal* why) {
    std::optional<std::string> bytes =
        ReadWholeFile(folders.user / "config.txt", kConfigFileMaxBytes, why);
    if (!bytes) return std::nullopt;
    LineReader reader(*bytes);
    std::optional<std::string> first = reader.next(kLanguageNameLength + 1);
    // A hand-edited file may end the name with a line break: the name is without it.
    return first ? WithoutLineEnd(*first) : std::string{};
}

bool WriteConfigLanguage(const ProgramFolders& folders, const std::string& name) {
    return WriteFileAtomically(folders.user / "config.txt", name);
}

}  // namespace zv318
