// The archive's locks against the rest of the process: a file dialog on the archive's folder
// opens and closes each of its files (the MIME type of the "Type" column is sniffed from the
// first bytes), which under plain POSIX locks drops every lock the process holds on them.
// Another program then takes the archive for unused, checkpoints it and deletes the -wal and
// -shm files this one still writes into. Checked with the real dialog and the real second
// program (zv318ctl), and with a program killed after keeping loggers beside the dialog.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFileDialog>
#include <QFileSystemModel>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/ctl_run.h"
#include "archive/sqlite_locks.h"
#include "loggers/logger_fixture.h"
#include "texts/qt_path.h"

namespace zv318::testing {
namespace {

OpenLogger Numbered(const std::string& name) {
    return {"RADIO", name, "TV1", "01/02/2013", "10:20:30", "-50 dBm", {},
            {{"A", "474.0000", "8.0000", "-41.0 dBm"}, {"B", "482.0000", "8.0000", "-62.5 dBm"}}};
}

void KeepSome(Archive& archive, const std::string& prefix, int count) {
    for (int k = 0; k < count; ++k) {
        const OpenLogger lg = Numbered(prefix + std::to_string(k));
        ASSERT_TRUE(archive.Keep(LoggerFileText(lg), lg, std::nullopt)) << archive.detail();
    }
}

// The dialog as a person leaves it open on the archive's folder, until its model has typed
// every file there (each one opened and closed by then).
std::unique_ptr<QFileDialog> DialogOn(const fs::path& folder) {
    auto dialog = std::make_unique<QFileDialog>(nullptr, "IO Interface", QStringFromPath(folder),
                                                "Intel HEX (*.hex);;All (*)");
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setViewMode(QFileDialog::Detail);
    dialog->selectNameFilter("All (*)");
    dialog->show();
    auto* model = dialog->findChild<QFileSystemModel*>();
    EXPECT_NE(model, nullptr);
    for (int k = 0; model && k < 250; ++k) {
        QTest::qWait(20);
        const QModelIndex root = model->index(QStringFromPath(folder));
        int typed = 0;
        for (const char* name : {"archive.sqlite", "archive.sqlite-wal", "archive.sqlite-shm"})
            typed += model->type(model->index(QStringFromPath(folder / name))).isEmpty() ? 0 : 1;
        if (root.isValid() && typed == 3) break;
    }
    QTest::qWait(100);
    return dialog;
}

// `zv318ctl archive list` on that archive: its output, its exit status in `status`.
std::string CtlList(const fs::path& file, int* status) {
    const CtlRun r = RunCtl({"archive", "list"}, {{"ZV318_ARCHIVE", QStringFromPath(file)}});
    *status = r.status;
    return r.out;
}

int Rows(const std::string& listing) {
    return static_cast<int>(std::count(listing.begin(), listing.end(), '\n')) - 1;  // heading
}

ino_t Inode(const fs::path& p) {
    struct stat st{};
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(archiveLocks, AFileDialogOnTheFolderNeitherLosesLoggersNorLetsAnotherProgramDeleteTheLog) {
    TempFolder folder;
    const fs::path file = folder.path / "archive.sqlite";
    Archive archive;
    ASSERT_EQ(archive.Open(ArchiveLocationFor(PathToText(file), {})), Archive::State::Ready);
    KeepSome(archive, "BEFORE", 3);
    const ino_t wal = Inode(folder.path / "archive.sqlite-wal"),
                shm = Inode(folder.path / "archive.sqlite-shm");
    ASSERT_NE(wal, 0u);
    ASSERT_NE(shm, 0u);
    {
        const std::unique_ptr<QFileDialog> dialog = DialogOn(folder.path);
        dialog->reject();
    }
    // Another program opens the archive and closes it: this one is still using it, so the
    // log stays where it is.
    int status = -1;
    EXPECT_EQ(Rows(CtlList(file, &status)), 3);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Inode(folder.path / "archive.sqlite-wal"), wal);
    EXPECT_EQ(Inode(folder.path / "archive.sqlite-shm"), shm);
    // What this program keeps afterwards, the other sees.
    KeepSome(archive, "AFTER", 2);
    EXPECT_EQ(Rows(CtlList(file, &status)), 5);
    archive.Open(ArchiveLocation{ArchiveLocation::Off, {}, {}});
    Archive again;
    ASSERT_EQ(again.Open(ArchiveLocationFor(PathToText(file), {})), Archive::State::Ready);
    EXPECT_EQ(again.List().size(), 5u);
}

// The other program of the next test: keeps loggers, opens the dialog on the archive's folder,
// says READY, keeps more when told (a line on its input), says DONE and waits to be killed.
TEST(archiveLocks, DISABLED_KeeperWithADialog) {
    const char* path = std::getenv("ZV318_TEST_LOCKS_ARCHIVE");
    ASSERT_NE(path, nullptr);
    const fs::path file = PathFromText(path);
    Archive archive;
    ASSERT_EQ(archive.Open(ArchiveLocationFor(PathToText(file), {})), Archive::State::Ready);
    KeepSome(archive, "FIRST", 4);
    const std::unique_ptr<QFileDialog> dialog = DialogOn(file.parent_path());
    std::printf("READY\n");
    std::fflush(stdout);
    char line[16];
    ASSERT_NE(std::fgets(line, sizeof line, stdin), nullptr);
    KeepSome(archive, "SECOND", 4);
    std::printf("DONE\n");
    std::fflush(stdout);
    QTest::qWait(60000);
}

bool WaitForLine(QProcess& p, const QByteArray& line) {
    for (int k = 0; k < 300; ++k) {
        if (p.canReadLine()) {
            if (p.readLine().trimmed() == line) return true;
            continue;
        }
        if (!p.waitForReadyRead(100) && p.state() == QProcess::NotRunning) return false;
    }
    return false;
}

TEST(archiveLocks, TwoProgramsKeepWhileOneHasTheDialogOpenAndIsKilled) {
    TempFolder folder;
    const fs::path file = folder.path / "archive.sqlite";
    QProcess keeper;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZV318_TEST_LOCKS_ARCHIVE", QStringFromPath(file));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    keeper.setProcessEnvironment(env);
    keeper.start(QCoreApplication::applicationFilePath(),
                 {"--gtest_filter=archiveLocks.DISABLED_KeeperWithADialog",
                  "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(WaitForLine(keeper, "READY")) << keeper.readAllStandardError().toStdString();
    {
        // This program keeps its own and closes the archive: the last one, it believes, when
        // the other's locks are gone.
        Archive mine;
        ASSERT_EQ(mine.Open(ArchiveLocationFor(PathToText(file), {})), Archive::State::Ready);
        KeepSome(mine, "OTHER", 3);
    }
    keeper.write("go\n");
    ASSERT_TRUE(WaitForLine(keeper, "DONE"));
    ::kill(static_cast<pid_t>(keeper.processId()), SIGKILL);
    keeper.waitForFinished(10000);
    Archive after;
    ASSERT_EQ(after.Open(ArchiveLocationFor(PathToText(file), {})), Archive::State::Ready);
    EXPECT_EQ(after.List().size(), 4u + 4u + 3u);
    ArchiveFilter second;
    second.name = "SECOND";
    EXPECT_EQ(after.List(second).size(), 4u);
}

// The archive's files as the process has them open: every descriptor naming one of them.
std::vector<int> DescriptorsOf(const fs::path& file) {
    std::vector<int> fds;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const std::string target = fs::read_symlink(entry.path(), ec).string();
        if (!ec && target.rfind(file.string(), 0) == 0)
            fds.push_back(std::stoi(entry.path().filename().string()));
    }
    return fds;
}

// What a program this one starts (a PDF viewer through "Open") has open: `ls -l` of its own
// descriptors, run by fork and exec as any start does.
std::string StartedProgramsFiles() {
    int out[2];
    if (::pipe(out) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], 1);
        ::execl("/bin/ls", "ls", "-l", "/proc/self/fd/", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string listing;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) listing.append(buffer, n);
    ::close(out[0]);
    ::waitpid(child, nullptr, 0);
    return listing;
}

TEST(archiveLocks, AProgramStartedWhileTheArchiveIsOpenHoldsNoneOfItsFiles) {
    TempFolder folder;
    const fs::path file = folder.path / "archive.sqlite";
    // The page's reader and the keeper: the second connection's descriptors are the lock
    // layer's duplicates of the first's.
    Archive reader, keeper;
    ASSERT_EQ(reader.Open(ArchiveLocationFor(PathToText(file), {})), Archive::State::Ready);
    ASSERT_EQ(keeper.Open(ArchiveLocationFor(PathToText(file), {})), Archive::State::Ready);
    KeepSome(keeper, "K", 2);
    EXPECT_EQ(reader.List().size(), 2u);
    const std::vector<int> fds = DescriptorsOf(file);
    ASSERT_GE(fds.size(), 4u) << "the file and its log, once per connection";
    for (int fd : fds) EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << "descriptor " << fd;
    const std::string started = StartedProgramsFiles();
    EXPECT_NE(started.find("/proc/"), std::string::npos) << started;
    EXPECT_EQ(started.find(file.filename().string()), std::string::npos) << started;
}

// A connection that only reads opens the file first, one that writes opens it second (in
// one process they share one description of it): the second still writes.
TEST(archiveLocks, AReaderOpeningFirstLeavesTheWriterWriting) {
    TempFolder folder;
    const fs::path file = folder.path / "archive.sqlite";
    {
        Archive made;
        ASSERT_EQ(made.Open(ArchiveLocationFor(PathToText(file), {})), Archive::State::Ready);
        KeepSome(made, "A", 1);
    }
    ASSERT_TRUE(UseDescriptionLocks());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reader-first");
        db.setDatabaseName(QStringFromPath(file));
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        ASSERT_TRUE(db.open());
        QSqlQuery count(db);
        ASSERT_TRUE(count.exec("SELECT count(*) FROM sqlite_master"));
        ASSERT_TRUE(count.next());
        Archive writer;
        ASSERT_EQ(writer.Open(ArchiveLocationFor(PathToText(file), {})), Archive::State::Ready)
            << writer.detail();
        KeepSome(writer, "B", 3);
        EXPECT_EQ(writer.List().size(), 4u);
        count.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase("reader-first");
    Archive again;
    ASSERT_EQ(again.Open(ArchiveLocationFor(PathToText(file), {})), Archive::State::Ready);
    EXPECT_EQ(again.List().size(), 4u);
}

}  // namespace
}  // namespace zv318::testing
