// One desktop program per person, data folder and instrument source: a second start of the
// same three reaches the running program and hands its file on; a start in another folder or
// with another source reaches nothing and runs its own window. The name is claimed before the
// window exists, and only in a runtime folder that is the person's own.

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <ios>
#include <optional>
#include <string>
#include <vector>

#include "support/environment_setting.h"
#include "app/single_instance.h"
#include "link/runtime_folder.h"

namespace zv318 {
namespace {

namespace fs = std::filesystem;

using Setting = testing::EnvironmentSetting;

// A folder made for the test, with `mode`.
fs::path Folder(const QTemporaryDir& scratch, const char* name, mode_t mode) {
    const fs::path folder = scratch.filePath(QString::fromLatin1(name)).toStdString();
    fs::create_directories(folder);
    ::chmod(folder.c_str(), mode);
    return folder;
}

std::vector<HandedFile> WaitFor(std::vector<HandedFile>& handed, std::size_t count) {
    QElapsedTimer clock;
    clock.start();
    while (handed.size() < count && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return handed;
}

TEST(SingleInstance, ASecondStartReachesOnlyItsOwnProgramAndHandsItsFileOn) {
    QTemporaryDir scratch;
    const Setting runtime("XDG_RUNTIME_DIR", Folder(scratch, "runtime", 0700).string());
    const fs::path folder = Folder(scratch, "home", 0755), other = Folder(scratch, "other", 0755);
    const fs::path alias = scratch.filePath(QStringLiteral("alias")).toStdString();
    fs::create_directory_symlink(folder, alias);

    SingleInstance running(folder, "usb");
    ASSERT_EQ(running.ClaimName(), SingleInstance::Claim::Ours);
    std::vector<HandedFile> handed;
    running.Listen([&](const HandedFile& f) { handed.push_back(f); });
    EXPECT_TRUE(running.name().startsWith(scratch.filePath(QStringLiteral("runtime/"))))
        << running.name().toStdString();

    const QString plan = QStringLiteral("/plans/Mast \u00c0\nline two.c318");
    const struct {
        const char* what;
        fs::path folder;
        std::string source;
        HandedFile file;
        bool reaches;
        HandedFile arrives;
    } starts[] = {
        {"same", folder, "usb", {}, true, {}},
        {"plan", folder, "usb", {HandedFile::Plan, plan}, true, {HandedFile::Plan, plan}},
        {"image by another name of the folder",
         alias,
         "usb",
         {HandedFile::Image, QStringLiteral("/v/io.hex")},
         true,
         {HandedFile::Image, QStringLiteral("/v/io.hex")}},
        {"relative path", folder, "usb", {HandedFile::Plan, QStringLiteral("a.c318")}, true, {}},
        {"other folder", other, "usb", {HandedFile::Plan, plan}, false, {}},
        {"demo", folder, "demo", {}, false, {}},
        {"socket folder", folder, "sockets:/tmp/x", {}, false, {}},
    };
    for (const auto& start : starts) {
        handed.clear();
        SingleInstance later(start.folder, start.source);
        const SingleInstance::Claim claim = later.ClaimName();
        EXPECT_EQ(claim,
                  start.reaches ? SingleInstance::Claim::Elsewhere : SingleInstance::Claim::Ours)
            << start.what;
        if (claim == SingleInstance::Claim::Elsewhere) {
            EXPECT_TRUE(later.HandOn(start.file)) << start.what;
        }
        const std::size_t expected = start.reaches ? 1 : 0;
        ASSERT_EQ(WaitFor(handed, expected).size(), expected) << start.what;
        if (!expected) continue;
        EXPECT_EQ(handed[0].kind, start.arrives.kind) << start.what;
        EXPECT_EQ(handed[0].path, start.arrives.path) << start.what;
    }
}

// Two starts together: the first to claim runs, the second hands its file on, also before the
// first has built its window (the knock waits for it).
// The socket a later start knocks on is the person's alone, whatever the umask would let
// others have: nobody else may hand the running program a file.
TEST(SingleInstance, TheSocketIsThePersonsAlone) {
    QTemporaryDir scratch;
    const Setting runtime("XDG_RUNTIME_DIR", Folder(scratch, "runtime", 0700).string());
    const fs::path folder = Folder(scratch, "home", 0755);
    const mode_t umaskWas = ::umask(0);
    SingleInstance running(folder, "usb");
    const SingleInstance::Claim claim = running.ClaimName();
    ::umask(umaskWas);
    ASSERT_EQ(claim, SingleInstance::Claim::Ours);
    struct stat st {};
    ASSERT_EQ(::stat(running.name().toStdString().c_str(), &st), 0) << running.name().toStdString();
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_uid, ::geteuid());
    EXPECT_EQ(st.st_mode & 077, 0u) << std::oct << (st.st_mode & 0777);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);

    // A lock file that cannot be the person's (a folder planted in its place): no single
    // instance, never a socket of its own beside it.
    SingleInstance planted(Folder(scratch, "other home", 0755), "usb");
    fs::create_directory(planted.name().toStdString() + ".lock");
    EXPECT_EQ(planted.ClaimName(), SingleInstance::Claim::Unavailable);
    EXPECT_FALSE(fs::exists(planted.name().toStdString()));
}

TEST(SingleInstance, OfTwoStartsTogetherExactlyOneRuns) {
    QTemporaryDir scratch;
    const Setting runtime("XDG_RUNTIME_DIR", Folder(scratch, "runtime", 0700).string());
    const fs::path folder = Folder(scratch, "home", 0755);
    SingleInstance first(folder, "demo"), second(folder, "demo");
    ASSERT_EQ(first.ClaimName(), SingleInstance::Claim::Ours);
    ASSERT_EQ(second.ClaimName(), SingleInstance::Claim::Elsewhere);
    const HandedFile plan{HandedFile::Plan, QStringLiteral("/plans/site.c318")};
    EXPECT_TRUE(second.HandOn(plan));
    std::vector<HandedFile> handed;
    first.Listen([&](const HandedFile& f) { handed.push_back(f); });  // the window stands now
    ASSERT_EQ(WaitFor(handed, 1).size(), 1u);
    EXPECT_EQ(handed[0].path, plan.path);
    // The name stays the first one's while it runs, whoever else claims it.
    SingleInstance third(folder, "demo");
    EXPECT_EQ(third.ClaimName(), SingleInstance::Claim::Elsewhere);
}

// The runtime folder is used only when it is the person's own (owned, 0700, no link); without
// one there is no single instance, and nothing is placed in the shared temporary folder.
TEST(SingleInstance, OnlyARuntimeFolderOfThePersonsOwnHoldsTheName) {
    QTemporaryDir scratch;
    const fs::path own = Folder(scratch, "own", 0700), open = Folder(scratch, "open", 0755);
    const fs::path link = scratch.filePath(QStringLiteral("link")).toStdString();
    fs::create_directory_symlink(own, link);
    const fs::path shared = Folder(scratch, "tmp", 01777);
    const passwd* me = ::getpwuid(::geteuid());
    ASSERT_NE(me, nullptr);
    const fs::path taken = shared / ("runtime-" + std::string(me->pw_name));
    const passwd* nobody = ::getpwnam("nobody");
    const bool asRoot = ::geteuid() == 0 && nobody;
    const fs::path strangers = Folder(scratch, "strangers", 0700);
    if (asRoot) {
        ASSERT_EQ(::chown(strangers.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }

    const struct {
        const char* what;
        fs::path folder;
        bool personal;
    } folders[] = {
        {"own, 0700", own, true},
        {"open to others", open, false},
        {"a link to an own folder", link, false},
        {"relative", "own", false},
        {"empty", "", false},
        {"another user's", strangers, !asRoot},
    };
    for (const auto& f : folders) EXPECT_EQ(IsPersonalFolder(f.folder), f.personal) << f.what;

    // No XDG_RUNTIME_DIR of the person's own, and runtime-USER made by another user first.
    if (!asRoot) GTEST_SKIP() << "another user's folder needs root to make";
    fs::create_directory(taken);
    ASSERT_EQ(::chown(taken.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    ASSERT_EQ(::chmod(taken.c_str(), 0700), 0);
    const Setting runtime("XDG_RUNTIME_DIR", open.string());
    const Setting temporary("TMPDIR", shared.string());
    EXPECT_EQ(PersonalRuntimeFolder(), std::nullopt);
    SingleInstance first(own, "usb"), second(own, "usb");
    EXPECT_EQ(first.ClaimName(), SingleInstance::Claim::Unavailable);
    EXPECT_TRUE(first.name().isEmpty()) << first.name().toStdString();
    EXPECT_EQ(second.ClaimName(), SingleInstance::Claim::Unavailable);
    EXPECT_FALSE(second.HandOn({HandedFile::Plan, QStringLiteral("/plans/site.c318")}));
    // Nothing was placed in the shared folder, nor in the current one.
    std::vector<fs::path> placed;
    for (const auto& entry : fs::directory_iterator(shared)) placed.push_back(entry.path());
    EXPECT_EQ(placed, std::vector<fs::path>{taken});
    EXPECT_TRUE(fs::is_empty(taken));
    EXPECT_TRUE(NoSingleInstanceNote(SingleInstance::Claim::Unavailable)
                    .contains(QStringLiteral("runs on its own")));

    // The person's own runtime-USER is made when missing, 0700.
    fs::remove(taken);
    EXPECT_EQ(PersonalRuntimeFolder(), std::optional<fs::path>(taken));
    EXPECT_TRUE(IsPersonalFolder(taken));
}

}  // namespace
}  // namespace zv318
