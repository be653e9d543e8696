#include "app/ctl_pdf_program.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <system_error>

// Defined by the build from the install folders: ZV318_PDF_PROGRAM_DIR and
// ZV318_BIN_FROM_PDF_PROGRAM, zv318ctl-pdf's installed folder relative to zv318ctl's and back
// (for zv318ctl-pdf to find its data), and ZV318_INSTALLED_PDF_PROGRAM_DIR, the absolute
// folder zv318ctl-pdf is installed in (the only one zv318ctl runs it from besides its own).

namespace zv318 {

namespace fs = std::filesystem;

bool WritesPdf(const std::vector<std::string>& args) {
    if (args.size() < 2) return false;
    const std::string& command = args[0];
    const std::string& what = args[1];
    return (command == "loggers" && (what == "print" || what == "report")) ||
           (command == "archive" && what == "report");
}

std::vector<fs::path> PdfProgramPlaces(const fs::path& ownFolder) {
    return {ownFolder / kPdfProgramName,
            fs::path(ZV318_INSTALLED_PDF_PROGRAM_DIR) / kPdfProgramName};
}

int RunPdfProgram(const fs::path& ownFolder, char** argv) {
    if (ownFolder.empty() || !ownFolder.is_absolute()) {
        std::cerr << "zv318ctl: the program that writes PDFs is not run: this program's own "
                     "file cannot be found (/proc/self/exe cannot be read)\n";
        return 1;
    }
    const std::vector<fs::path> places = PdfProgramPlaces(ownFolder);
    for (const fs::path& place : places) {
        ::execv(place.c_str(), argv);
        const int error = errno;
        if (error == ENOENT) continue;
        std::cerr << "zv318ctl: the program that writes PDFs, " << place.string()
                  << ", cannot be run: " << std::strerror(error) << '\n';
        return 1;
    }
    std::cerr << "zv318ctl: the program that writes PDFs is missing: neither " << places[0].string()
              << " nor " << places[1].string() << " exists\n";
    return 1;
}

fs::path ProgramFolderOf(const fs::path& executableFolder) {
    std::error_code ec;
    if (fs::exists(executableFolder / "zv318ctl", ec)) return executableFolder;
    fs::path bin = (executableFolder / ZV318_BIN_FROM_PDF_PROGRAM).lexically_normal();
    if (fs::exists(bin / "zv318ctl", ec) &&
        fs::equivalent(bin / ZV318_PDF_PROGRAM_DIR, executableFolder, ec))
        return bin;
    return executableFolder;
}

}  // namespace zv318
