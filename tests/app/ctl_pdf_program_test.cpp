// zv318ctl and zv318ctl-pdf: zv318ctl loads no Qt Gui, and becomes zv318ctl-pdf for the
// commands that write PDFs, with the same arguments, standard streams and exit status. Where
// zv318ctl-pdf is missing those commands fail saying so, and the others still work.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/ctl_support.h"

namespace {

#ifdef ZV318_CTL_PDF_PATH

constexpr char kLogger[] =
    "RADIO\r\nROOF1\r\nTV1\r\n14/03/2013\r\n09:15:02\r\n45 dBuV\r\n2\r\n"
    "0,C21,474000000,8000000,57.4 dBuV\r\n1,C22,482000000,8000000,41.0 dBuV";

bool Has(const std::string& text, const std::string& piece) {
    return text.find(piece) != std::string::npos;
}

// A scratch folder of the test's own, gone at the end.
struct Scratch {
    explicit Scratch(const std::string& name)
        : root(fs::temp_directory_path() / ("zv318-" + name + "-" + std::to_string(getpid()))) {
        fs::remove_all(root);
        fs::create_directories(root);
        std::ofstream(root / "L.lograd", std::ios::binary) << kLogger;
    }
    ~Scratch() { fs::remove_all(root); }
    // A program folder of its own (ZV318_HOME) holding the English language file.
    std::string home(const fs::path& folder) const {
        fs::create_directories(folder / "Languages");
        fs::copy_file(fs::path(ZV318_LANGUAGES_DIR) / "English.lng",
                      folder / "Languages" / "English.lng", fs::copy_options::overwrite_existing);
        return "ZV318_HOME='" + folder.string() + "'";
    }
    std::string logger() const { return "'" + (root / "L.lograd").string() + "'"; }
    fs::path root;
};

void CopyProgram(const fs::path& from, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

TEST(Zv318ctlPdfProgram, OnlyTheCommandsThatWritePdfsLoadQtGui) {
    const Scratch s("ctl-gui");
    const std::string env = s.home(s.root / "home");
    // zv318ctl's own libraries, and what they need in turn.
    const CtlRun ldd = RunProgram("", "/usr/bin/ldd", "'" ZV318_CTL_PATH "'");
    ASSERT_EQ(ldd.status, 0) << ldd.out;
    EXPECT_TRUE(Has(ldd.out, "libQt6Core")) << ldd.out;
    EXPECT_FALSE(Has(ldd.out, "libQt6Gui")) << ldd.out;
    // An archive command to its end, the database driver plugin included: the loader lists
    // every library it brings in, and Qt Gui is none of them.
    const CtlRun import = RunCtl("LD_DEBUG=files " + env, "archive import " + s.logger());
    EXPECT_EQ(import.status, 0) << import.out;
    EXPECT_TRUE(Has(import.out, "libQt6Core")) << import.out;
    EXPECT_FALSE(Has(import.out, "libQt6Gui")) << import.out;
    // A print through zv318ctl runs where Qt Gui is, and writes its PDF.
    const fs::path pdf = s.root / "p.pdf";
    const CtlRun print = RunCtl("LD_DEBUG=files " + env,
                                "loggers print " + s.logger() + " --pdf '" + pdf.string() + "'");
    EXPECT_EQ(print.status, 0) << print.out;
    EXPECT_TRUE(Has(print.out, "libQt6Gui")) << print.out;
    EXPECT_TRUE(Has(print.out, "printed 1 logger(s)")) << print.out;
    EXPECT_TRUE(fs::is_regular_file(pdf));
}

TEST(Zv318ctlPdfProgram, AloneItSaysThePdfProgramIsMissingAndTheRestWorks) {
    const Scratch s("ctl-alone");
    const fs::path bin = s.root / "bin";
    CopyProgram(ZV318_CTL_PATH, bin / "zv318ctl");
    const std::string ctl = (bin / "zv318ctl").string();
    const std::string env = s.home(s.root / "home");
    const std::string pdf = " --pdf '" + (s.root / "out.pdf").string() + "'";

    for (const std::string& command :
         {"loggers print " + s.logger() + pdf, "loggers report " + s.logger() + pdf,
          "--demo archive report 1" + pdf, "--demo loggers print radio 1" + pdf}) {
        const CtlRun r = RunProgram(env, ctl, command);
        EXPECT_EQ(r.status, 1) << command << '\n' << r.out;
        EXPECT_TRUE(Has(r.out, "missing")) << r.out;
        EXPECT_TRUE(Has(r.out, (bin / "zv318ctl-pdf").string())) << r.out;
        EXPECT_FALSE(fs::exists(s.root / "out.pdf"));
    }
    EXPECT_FALSE(fs::exists(s.root / "home" / "archive.sqlite")) << "nothing was opened";

    const CtlRun import = RunProgram(env, ctl, "archive import " + s.logger());
    EXPECT_EQ(import.status, 0) << import.out;
    const CtlRun list = RunProgram(env, ctl, "archive list");
    EXPECT_EQ(list.status, 0) << list.out;
    EXPECT_TRUE(Has(list.out, "ROOF1")) << list.out;
    EXPECT_EQ(RunProgram(env, ctl, "loggers show " + s.logger()).status, 0);

    // There but not runnable: said so, with the reason.
    std::ofstream(bin / "zv318ctl-pdf") << "not a program";
    fs::permissions(bin / "zv318ctl-pdf", fs::perms::owner_read | fs::perms::owner_write);
    const CtlRun refused = RunProgram(env, ctl, "loggers print " + s.logger() + pdf);
    EXPECT_EQ(refused.status, 1) << refused.out;
    EXPECT_TRUE(Has(refused.out, (bin / "zv318ctl-pdf").string() + ", cannot be run"))
        << refused.out;
}

// The hand-over keeps the command line as given (the options before the command included),
// standard input, both outputs and the exit status: what runs in zv318ctl's place is the one
// process the caller waits for.
TEST(Zv318ctlPdfProgram, TheHandOverKeepsArgumentsStreamsAndExitStatus) {
    const Scratch s("ctl-handover");
    const fs::path bin = s.root / "bin";
    CopyProgram(ZV318_CTL_PATH, bin / "zv318ctl");
    std::ofstream(bin / "zv318ctl-pdf") << "#!/bin/sh\n"
                                           "printf '<%s>' \"$@\"; echo\n"
                                           "read -r answer; echo \"read: $answer\"\n"
                                           "echo 'on stderr' >&2\n"
                                           "exit 7\n";
    fs::permissions(bin / "zv318ctl-pdf", fs::perms::owner_all);
    std::ofstream(s.root / "input") << "yes\n";
    const CtlRun r =
        RunProgram(s.home(s.root / "home"), (bin / "zv318ctl").string(),
                   "--yes --language English archive report 3 'a b' --pdf out.pdf < '" +
                       (s.root / "input").string() + "'");
    EXPECT_EQ(r.status, 7) << r.out;
    EXPECT_TRUE(
        Has(r.out, "<--yes><--language><English><archive><report><3><a b><--pdf><out.pdf>\n"))
        << r.out;
    EXPECT_TRUE(Has(r.out, "read: yes")) << r.out;
    EXPECT_TRUE(Has(r.out, "on stderr")) << r.out;
}

// A program planted where anyone may write is never run for zv318ctl: not beside the
// libexec folder next to a copy of it, not in the current folder when the program's own file
// cannot be known (no /proc), not from PATH. Only the folder of its own resolved file, or the
// install's libexec folder, as an absolute path fixed by the build.
TEST(Zv318ctlPdfProgram, APlantedPdfProgramIsNeverRun) {
    const Scratch s("ctl-planted");
    const fs::path bin = s.root / "bin";
    CopyProgram(ZV318_CTL_PATH, bin / "zv318ctl");
    const fs::path marker = s.root / "ran";
    const std::string planted = "#!/bin/sh\ntouch '" + marker.string() + "'\nexit 7\n";
    for (const fs::path& place :
         {s.root / "libexec" / "zv318" / "zv318ctl-pdf",
          (bin / ZV318_PDF_PROGRAM_DIR / "zv318ctl-pdf").lexically_normal(),
          s.root / "cwd" / "zv318ctl-pdf", s.root / "path" / "zv318ctl-pdf"}) {
        fs::create_directories(place.parent_path());
        std::ofstream(place) << planted;
        fs::permissions(place, fs::perms::owner_all);
    }
    const std::string env =
        s.home(s.root / "home") + " PATH='" + (s.root / "path").string() + ":/usr/bin:/bin'";
    const std::string print =
        "loggers print " + s.logger() + " --pdf '" + (s.root / "out.pdf").string() + "'";
    const struct {
        const char* what;
        std::string env;
        const char* said;
    } starts[] = {
        {"a copy with a libexec folder beside it", env, "missing"},
        // Without /proc the program cannot know its own file: nothing is run.
        {"no /proc, from a folder holding one",
         env + " unshare -rm sh -c 'mount -t tmpfs none /proc && cd \"$0\" && exec \"$@\"' '" +
             (s.root / "cwd").string() + "'",
         "cannot be found"},
    };
    for (const auto& start : starts) {
        SCOPED_TRACE(start.what);
        if (start.said == std::string("cannot be found") &&
            std::system("unshare -rm true >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "no user namespace to hide /proc in";
        }
        const CtlRun r = RunProgram(start.env, (bin / "zv318ctl").string(), print);
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_TRUE(Has(r.out, start.said)) << r.out;
        EXPECT_FALSE(fs::exists(marker)) << r.out;
        EXPECT_FALSE(fs::exists(s.root / "out.pdf"));
    }
}

// Installed apart in PREFIX/libexec/zv318, zv318ctl-pdf reads the data in PREFIX/share/zv318
// and writes the person's folder, as zv318ctl would, never into its own folder.
TEST(Zv318ctlPdfProgram, InstalledThePdfProgramWorksFromTheLibexecFolder) {
    const Scratch s("ctl-installed");
    const fs::path bin = s.root / "bin";
    const fs::path libexec = (bin / ZV318_PDF_PROGRAM_DIR).lexically_normal();
    CopyProgram(ZV318_CTL_PATH, bin / "zv318ctl");
    CopyProgram(ZV318_CTL_PDF_PATH, libexec / "zv318ctl-pdf");
    fs::create_directories(s.root / "share" / "zv318" / "Languages");
    for (const char* language : {"English.lng", "Spanish.lng"})
        fs::copy_file(fs::path(ZV318_LANGUAGES_DIR) / language,
                      s.root / "share" / "zv318" / "Languages" / language);
    const std::string env = "env -u ZV318_HOME HOME='" + (s.root / "home").string() +
                            "' XDG_DATA_HOME='" + (s.root / "data").string() + "'";
    const fs::path pdf = s.root / "p.pdf";
    std::ofstream(pdf) << "an earlier file";

    // Spanish asks whether to replace OUT: the language file was read from the install.
    const std::string print =
        "--language Spanish loggers print " + s.logger() + " --pdf '" + pdf.string() + "'";
    const std::string program = (libexec / "zv318ctl-pdf").string();
    const CtlRun asked = RunProgram(env, program, print);
    EXPECT_EQ(asked.status, 1) << asked.out;
    EXPECT_TRUE(Has(asked.out, "reemplazarlo")) << asked.out;
    const CtlRun r = RunProgram(env, program, "--yes " + print);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_FALSE(Has(r.out, "cannot")) << r.out;
    EXPECT_GT(fs::file_size(pdf), 1000U);
    EXPECT_TRUE(fs::is_directory(s.root / "data" / "zv318" / "Loggers"));
    std::vector<fs::path> beside;
    for (const auto& entry : fs::directory_iterator(libexec)) beside.push_back(entry.path());
    EXPECT_EQ(beside, std::vector<fs::path>{libexec / "zv318ctl-pdf"});
}

#else

TEST(Zv318ctlPdfProgram, OneProgramOnThisPlatform) {
    GTEST_SKIP() << "zv318ctl writes PDFs itself here";
}

#endif

}  // namespace
