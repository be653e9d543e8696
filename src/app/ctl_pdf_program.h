#pragma once
// zv318ctl on Linux is two programs. zv318ctl itself links no Qt Gui, so that every command
// starts without loading its libraries; the commands that write PDFs (loggers print, loggers
// report, archive report) run in zv318ctl-pdf, which zv318ctl becomes for them (execv: the same
// process, arguments, standard streams and exit status). zv318ctl-pdf lies beside zv318ctl in
// the build folder and in PREFIX/libexec/zv318 when installed. Only those two are run: beside
// the program's own resolved file, or the install's libexec folder as the build fixed it, never
// a folder worked out from where a copy of zv318ctl lies, the current folder or PATH (anyone
// may plant a program in a shared folder a copy was put in).

#include <filesystem>
#include <string>
#include <vector>

namespace zv318 {

inline constexpr char kPdfProgramName[] = "zv318ctl-pdf";

// Whether the command `args` (the options before it taken off) writes a PDF.
[[nodiscard]] bool WritesPdf(const std::vector<std::string>& args);

// Where zv318ctl, whose own file resolves into `ownFolder`, looks for zv318ctl-pdf: beside
// itself, then in the install's libexec folder (an absolute path fixed by the build).
[[nodiscard]] std::vector<std::filesystem::path> PdfProgramPlaces(
    const std::filesystem::path& ownFolder);

// Runs `argv` as it is in zv318ctl-pdf, in place of this process. `ownFolder` is the folder of
// the program's own file with every link resolved, empty when that cannot be known: then
// nothing is run. Returns only when nothing could be run, after saying why on stderr (naming
// where it was looked for): the exit status then is 1.
int RunPdfProgram(const std::filesystem::path& ownFolder, char** argv);

// The folder whose data and user folder a program of the two works with, given the folder of
// its executable: its own, except zv318ctl-pdf installed apart, which works as zv318ctl does.
[[nodiscard]] std::filesystem::path ProgramFolderOf(const std::filesystem::path& executableFolder);

}  // namespace zv318
