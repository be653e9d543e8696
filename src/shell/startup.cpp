#include "shell/startup.h"

#include <algorithm>

#include "link/queries.h"
#include "texts/first_language.h"
#include "texts/language_file.h"
#include "texts/terminal_text.h"
#include "texts/text_file.h"

namespace zv318 {

ConnectionInfo ReadConnectionInfo(Link& link, const ConnectionStageHandler& onStage) {
    ConnectionInfo info;
    info.found = link.FindInstrument();
    info.permissionDenied = !info.found && link.PermissionDenied();
    if (info.found) info.instrument.model = link.ProductName();
    if (onStage) onStage(ConnectionStage::Searched, info);
    if (!info.found) return info;

    // A link that closes on the way (unplugged during the queries) ends as not connected:
    // the values read so far are dropped.
    auto lost = [] { return ConnectionInfo{}; };
    info.instrument.serial = GetSerial(link);
    if (!link.IsOpen()) return lost();
    if (onStage) onStage(ConnectionStage::Serial, info);

    info.instrument.ioVersion = GetIOVersion(link);
    info.instrument.instrumentVersion = GetZVVersion(link);
    if (!link.IsOpen()) return lost();
    if (onStage) onStage(ConnectionStage::Versions, info);
    return info;
}

namespace {

// An entry with "%1", "%2"... replaced by the values; the fallback when the entry is empty.
std::string Filled(const LanguageTable& table, int entry, const char* fallback,
                   const std::vector<std::string>& values) {
    std::string text = table.entry(entry);
    if (text.empty()) text = fallback;
    for (std::size_t k = 0; k < values.size(); ++k) {
        const std::string mark = "%" + std::to_string(k + 1);
        if (std::size_t at = text.find(mark); at != std::string::npos)
            text.replace(at, mark.size(), values[k]);
    }
    return text;
}

}  // namespace

std::string InstrumentInUseText(const LockAttempt& refusal, const LanguageTable& table) {
    if (refusal.outcome != LockOutcome::Busy)
        return Filled(table, 1287, "The lock of the ZV-318 on %1 cannot be taken: %2.",
                      {TerminalText(refusal.target), TerminalText(refusal.reason)});
    if (refusal.holder.program.empty())
        return Filled(table, 1286, "The ZV-318 is in use by another program.", {});
    return Filled(table, 1285, "The ZV-318 is in use by %1 (process %2).",
                  {TerminalText(refusal.holder.program), std::to_string(refusal.holder.process)});
}

std::string UserFolderNotice(const LanguageTable& table, const std::filesystem::path& folder) {
    return Filled(table, 1680,
                  "The folder %1 cannot be written: nothing the program keeps there is kept.",
                  {PathToText(folder)});
}

std::string PermissionHint() {
#if defined(__linux__)
    return "The ZV-318 is connected but this user may not open it. Install the udev rule "
           "70-zv318.rules (packaging/linux in the sources), then plug the ZV-318 in again:\n"
           "sudo cp packaging/linux/70-zv318.rules /etc/udev/rules.d/\n"
           "sudo udevadm control --reload-rules\n"
           "sudo udevadm trigger";
#else
    return "The ZV-318 is connected but may not be opened. Close any other program that uses "
           "it, then plug the ZV-318 in again.";
#endif
}

std::string ConfiguredLanguage(const ProgramFolders& folders, const std::string& locale,
                               int* refusal) {
    ReadRefusal why = ReadRefusal::CannotOpen;
    std::optional<std::string> name = ReadConfigLanguage(folders, &why);
    // No config.txt is a first start; a FIFO or a huge file in its place is told.
    if (refusal) *refusal = !name && why != ReadRefusal::CannotOpen ? ReadRefusalMessage(why) : 0;
    if (name) return *name;
    if (why != ReadRefusal::CannotOpen) return kDefaultLanguage;
    std::string first = LanguageForLocale(locale);
    std::error_code ec;
    if (first != kDefaultLanguage &&
        std::filesystem::is_regular_file(LanguageFilePath(folders, first), ec))
        return first;
    return kDefaultLanguage;
}
std::string LanguageOwnName(const ProgramFolders& folders, const std::string& name) {
    LanguageTable table;
    if (name == kDefaultLanguage) (void)ReadLanguageText(std::string(BuiltInEnglishText()), table);
    (void)ReadLanguageFile(LanguageFilePath(folders, name), table);
    const std::string own = table.entry(0);
    const bool printable = std::none_of(
        own.begin(), own.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    return own.empty() || !printable ? name : own;
}

LanguageLoad ReadLanguage(const ProgramFolders& folders, const std::string& name,
                          LanguageTable& table) {
    LanguageLoad load;
    std::filesystem::path file = LanguageFilePath(folders, name);
    LanguageFileResult result = ReadLanguageFile(file, table);
    load.opened = result.opened;
    load.refusal = result.refusal;
    if (result.opened && !result.problems.empty())
        load.notice = DescribeProblems(file, result.problems);
    return load;
}

LanguageLoad ReadLanguageOverDefault(const ProgramFolders& folders, const std::string& name,
                                     LanguageTable& table) {
    table.clear();
    (void)ReadLanguageText(std::string(BuiltInEnglishText()), table);
    if (name != kDefaultLanguage) (void)ReadLanguage(folders, kDefaultLanguage, table);
    LanguageLoad load = ReadLanguage(folders, name, table);
    if (name == kDefaultLanguage) load.opened = true;
    return load;
}

std::string LanguageNameFromCaption(const std::string& caption) {
    std::string name;
    name.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            name.push_back(caption[i]);
        } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
            name.push_back('&');  // "&&" is one "&" of the name
            ++i;
        }  // a lone "&" only marks an accelerator
    }
    return name;
}

}  // namespace zv318
