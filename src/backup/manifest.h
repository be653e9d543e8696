#pragma once
// The manifest of a backup folder ("manifest.txt", CR LF): which instrument the backup comes
// from, when it was made, and one line per file with its SHA-256, what it holds and where it
// was on the instrument.
//
//     ZV-318 backup
//     Serial number=00012345
//     IO Interface version=IO-2.10
//     ZV-318 version=V1.20
//     Date=2026-12-07
//     Time=22:55:01
//     File=<sha256><TAB>plan<TAB>RADIO<TAB>0<TAB>TV1 (RADIO).c318<TAB>TV1
//     File=unreadable<TAB>plan<TAB>RADIO<TAB>1<TAB><TAB>FM
//
// File lines keep the instrument's order (plans by type and number, then loggers by type and
// slot); the last field is the name on the instrument, the one before it the file's name in
// the folder. A plan the backup could not read has "unreadable" for its hash and no file.
// Values are written with "%" and the control characters as "%" and two hex digits.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/instrument_identity.h"

namespace zv318 {

inline constexpr char kManifestName[] = "manifest.txt";

struct BackupFile {
    std::string sha256;    // 64 lowercase hexadecimal digits
    bool logger = false;   // false: a plan file; true: a logger file
    int type = 0;          // 1 RADIO, 2 PLC
    int number = 0;        // the plan's number within its type, or the logger's slot
    std::string file;      // the file's name in the backup folder
    std::string original;  // the plan's or logger's name on the instrument
    // A plan the backup could not read: no hash and no file.
    [[nodiscard]] bool unreadable() const { return sha256.empty(); }
};

struct Manifest {
    InstrumentIdentity instrument;  // serial and both versions (the model is not recorded)
    std::string date, time;  // "YYYY-MM-DD", "hh:mm:ss"
    std::vector<BackupFile> files;
};

[[nodiscard]] std::string ManifestText(const Manifest& manifest);
// Nothing when the text is not a manifest or a line of it is malformed. File names are taken
// as written: whether each is a file of the folder is for the restore to judge and tell.
[[nodiscard]] std::optional<Manifest> ParseManifest(std::string_view text);
// True for a file name the backup folder can hold as it stands: not empty, no path, nothing
// that could lead out of the folder.
[[nodiscard]] bool IsBackupFileName(std::string_view name);

}  // namespace zv318
