// One desktop program per person, data folder and instrument source: a second start of the
// same three reaches the running program and hands its file on; a start in another folder or
// with another source reaches nothing and runs its own window.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <filesystem>
#include <vector>

#include "app/single_instance.h"

namespace zv318 {
namespace {

namespace fs = std::filesystem;

TEST(SingleInstance, ASecondStartReachesOnlyItsOwnProgramAndHandsItsFileOn) {
    QTemporaryDir scratch;
    const fs::path folder = scratch.filePath(QStringLiteral("home")).toStdString();
    const fs::path other = scratch.filePath(QStringLiteral("other")).toStdString();
    const fs::path alias = scratch.filePath(QStringLiteral("alias")).toStdString();
    fs::create_directories(folder);
    fs::create_directories(other);
    fs::create_directory_symlink(folder, alias);

    SingleInstance running(folder, "usb");
    std::vector<HandedFile> handed;
    ASSERT_TRUE(running.Listen([&](const HandedFile& f) { handed.push_back(f); }));
    // In the person's runtime folder, never a shared temporary folder.
    EXPECT_TRUE(running.name().startsWith(
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QLatin1Char('/')))
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
        {"image by another name of the folder", alias, "usb",
         {HandedFile::Image, QStringLiteral("/v/io.hex")}, true,
         {HandedFile::Image, QStringLiteral("/v/io.hex")}},
        {"relative path", folder, "usb", {HandedFile::Plan, QStringLiteral("a.c318")}, true, {}},
        {"other folder", other, "usb", {HandedFile::Plan, plan}, false, {}},
        {"demo", folder, "demo", {}, false, {}},
        {"socket folder", folder, "sockets:/tmp/x", {}, false, {}},
    };
    std::size_t expected = 0;
    for (const auto& start : starts) {
        handed.clear();
        EXPECT_EQ(SingleInstance(start.folder, start.source).AskRunningOne(start.file),
                  start.reaches)
            << start.what;
        expected = start.reaches ? 1 : 0;
        QElapsedTimer clock;
        clock.start();
        while (handed.size() < expected && clock.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_EQ(handed.size(), expected) << start.what;
        if (!expected) continue;
        EXPECT_EQ(handed[0].kind, start.arrives.kind) << start.what;
        EXPECT_EQ(handed[0].path, start.arrives.path) << start.what;
    }
}

}  // namespace
}  // namespace zv318
