#pragma once
// What the main window's start-up and status box need that is no window: the connection
// facts gathered from the instrument, the hint shown when the instrument may not be opened,
// and the choice and reading of the language file.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "link/link.h"
#include "texts/language_file.h"
#include "texts/language_table.h"
#include "texts/program_folders.h"

namespace zv318 {

// ---- connection status ------------------------------------------------------------------

struct ConnectionInfo {
    bool found = false;
    // An interface named "ZV-318" is listed but this user may not open it.
    bool permissionDenied = false;
    std::string model;      // the product string of the interface found
    std::string serial;     // GetSerial
    std::string ioVersion;  // GetIOVersion
    std::string zvVersion;  // GetZVVersion
};

// The points at which a caller may show what is known so far.
enum class ConnectionStage {
    Searched,  // FindInstrument ran (found / permissionDenied / model known)
    Serial,    // the serial number was read
    Versions,  // both versions were read
};

using ConnectionStageHandler = std::function<void(ConnectionStage, const ConnectionInfo&)>;

// FindInstrument, then, when found, GetSerial, GetIOVersion and GetZVVersion in that order.
// `onStage` is called after each stage reached (Searched always; the others only when found).
// When the link closes during the queries the result is "not found", with no values.
ConnectionInfo ReadConnectionInfo(Link& link, const ConnectionStageHandler& onStage = {});

// The entry of the connection caption: 14 when found, 15 when not.
[[nodiscard]] inline int ConnectionCaptionEntry(bool found) { return found ? 14 : 15; }

// What to tell the person when the instrument is listed but may not be opened. On Linux: how
// to install the udev rule shipped with the program.
[[nodiscard]] std::string PermissionHint();

// What a program refused the instrument tells the person: who holds it (entry 1285), that some
// program holds it (message 286), or that its lock cannot be taken, and why (entry 1287). The
// holder's name comes from its process and is printed with its control characters escaped.
[[nodiscard]] std::string InstrumentInUseText(const LockAttempt& refusal,
                                              const LanguageTable& table);

// The one notice of a user folder that cannot be written (entry 1680, %1 the folder).
[[nodiscard]] std::string UserFolderNotice(const LanguageTable& table,
                                           const std::filesystem::path& folder);

// ---- languages --------------------------------------------------------------------------

inline constexpr const char* kDefaultLanguage = kBuiltInLanguage;

// The language named by "config.txt". Until the person has picked one (no "config.txt"), the
// language of `locale` (the system's, see MessagesLocaleName) when its language file is there,
// else "English". `refusal` gets 295 or 296 when config.txt is no regular file or too large
// (0 otherwise).
[[nodiscard]] std::string ConfiguredLanguage(const ProgramFolders& folders,
                                             const std::string& locale, int* refusal = nullptr);

struct LanguageLoad {
    bool opened = false;  // false: message 4 (or `refusal`), and nothing was changed
    int refusal = 0;      // 295 or 296: the file is no regular file, or too large
    std::string notice;   // the faulty lines of the file, to tell once; empty when none
};

// The name the language gives itself (entry 0 of its file: "Español"), shown in the language
// menu; the file's name when the file gives none.
[[nodiscard]] std::string LanguageOwnName(const ProgramFolders& folders, const std::string& name);

// Reads "Languages/NAME.lng" into the table: only the entries the file names change.
LanguageLoad ReadLanguage(const ProgramFolders& folders, const std::string& name,
                          LanguageTable& table);

// The built-in English texts, then the default language's file and `name`'s over them, into
// an emptied table: every entry has a text even when the files are missing or leave entries
// out. The result is `name`'s; the default language counts as opened without its file.
LanguageLoad ReadLanguageOverDefault(const ProgramFolders& folders,
                                     const std::string& name, LanguageTable& table);

// The language named by an item's caption: the caption without the "&" that marks an
// accelerator, and with each doubled "&" as one.
[[nodiscard]] std::string LanguageNameFromCaption(const std::string& caption);

}  // namespace zv318
