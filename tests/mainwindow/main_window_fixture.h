#pragma once
// The main window over the simulated instrument, with a program folder of its own (a copy of
// the pictures and language files beside the test binary) and a recording Feedback.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "archive/archive_keeper.h"
#include "archive/windows/archive_page.h"
#include "archive/windows/logger_pull_run.h"
#include "firmware/windows/conf_upgr.h"
#include "firmware/windows/updating_form.h"
#include "link/device_watcher.h"
#include "link/link.h"
#include "loggers/windows/logger_window.h"
#include "plans/windows/dialog.h"
#include "plans/windows/editor.h"
#include "shell/windows/about_windows.h"
#include "loggers/windows/loggers_page.h"
#include "plans/windows/channel_plan_page.h"
#include "shell/windows/oculta.h"
#include "shell/windows/archive_tab.h"
#include "shell/windows/status_box.h"
#include "shell/windows/tform1.h"
#include "sim/bus.h"
#include "sim/instrument.h"
#include "loggers/logger_file.h"
#include "texts/qt_path.h"
#include "support/recording_feedback.h"
#include "support/wait_until.h"

namespace zv318::testing {

// A menu caption as the person reads it: mnemonic marks removed, "&&" shown as "&".
inline QString Plain(QString text) {
    text.replace(QLatin1String("&&"), QString(QChar(0x1)));
    text.remove(QLatin1Char('&'));
    text.replace(QChar(0x1), QLatin1Char('&'));
    return text;
}

inline QImage ImageOf(const QLabel* label) { return label->pixmap().toImage(); }

inline QImage ImageFile(const std::filesystem::path& file) {
    QImage image;
    image.load(QString::fromStdString(file.string()));
    return image.convertToFormat(QImage::Format_RGB32);
}

inline bool SamePicture(const QLabel* label, const std::filesystem::path& file) {
    QImage shown = ImageOf(label);
    if (shown.isNull()) return false;
    return shown.convertToFormat(QImage::Format_RGB32) == ImageFile(file);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        folder = home_.path().toStdString();
        const std::filesystem::path shipped = QCoreApplication::applicationDirPath().toStdString();
        for (const char* sub : {"Images", "Languages", "Guide"}) {
            std::filesystem::copy(shipped / sub, folder / sub,
                                  std::filesystem::copy_options::recursive);
        }
        bus.setPlugged(true);
        // Without "config.txt" the system's language is taken: English, whatever the machine's.
        qputenv("LC_ALL", "C");
    }

    void TearDown() override {
        form.reset();  // the other windows are its children
        keeper.reset();  // after the Archive page that uses it
    }

    // Creates the main window with its Archive page and the pull on plug-in over an archive
    // in the folder (with `rows` loggers of one record in it), kept on the keeper's own thread
    // as the desktop program keeps; with `start`, shows it and runs the start-up routine.
    void CreateWithArchive(bool start, int rows = 0) {
        Create();
        keeper = std::make_unique<ArchiveKeeper>(
            ArchiveLocationFor(PathToText(folder / "archive.sqlite"), folder), feedback,
            form->languageTable(), InstrumentIdentityOf(link));
        for (int k = 0; k < rows; ++k) {
            const OpenLogger lg{"RADIO", "ROOF" + std::to_string(k), "TV1", "01/02/2013",
                                "10:20:30", "45 dBuV", {}, {{"C1", "474.0000", "8.0000", "50.0 dBuV"}}};
            ASSERT_TRUE(keeper->archive()->Keep(LoggerFileText(lg), lg, std::nullopt));
        }
        keeper->keepInBackground();
        archivePage = AddArchivePage(*form, *keeper);
        pullRun = AddLoggerPull(*form, *keeper, *archivePage);
        if (!start) return;
        form->show();
        form->AlExecutar();
    }

    // Creates the main window and the other windows, in their order.
    void Create(bool allWindows = true) {
        form = std::make_unique<TForm1>(link, folder);
        if (allWindows) {
            windows.updating = new TUpdatingFORM(form.get());
            windows.confUpgr = new TConfUpgr(form.get());
            windows.aboutKorvel = new TAboutKORVEL52(folder, form.get());
            windows.aboutController = new TAboutController(folder, form.get());
            windows.oculta = new TOculta(link, form.get());
            windows.editor = new TEditor(form.get());
            windows.dialog = new TDialog(form.get());
            windows.loggerWindow = new TZVLoggerWindow(form.get());
            form->setWindows(windows);
        }
        form->setFeedback(&feedback);
        form->setDeviceWatcher(&watcher);
    }

    // Creates everything and runs the start-up routine.
    void Start(bool allWindows = true) {
        Create(allWindows);
        form->show();
        form->AlExecutar();
    }

    void WriteFile(const std::filesystem::path& relative, const std::string& bytes) {
        std::ofstream out(folder / relative, std::ios::binary);
        out << bytes;
    }

    [[nodiscard]] std::string ReadFile(const std::filesystem::path& relative) const {
        std::ifstream in(folder / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // A language file whose entry n reads "E<n>" (only the entries in [first, last]).
    void WriteNumberedLanguage(const std::string& name, int first = 0, int last = 135) {
        std::string text = "numbered test language\r\n";
        for (int n = first; n <= last; ++n)
            text += "Entry," + std::to_string(n) + "=E" + std::to_string(n) + "\r\n";
        WriteFile(std::filesystem::path("Languages") / (name + ".lng"), text);
    }

    // How many times the instrument was asked for its IO Interface version: once per refresh
    // of the status box that found it.
    [[nodiscard]] int StatusRefreshes() const {
        int n = 0;
        for (const std::string& c : instrument.commands()) n += c == "<IOV>";
        return n;
    }

    [[nodiscard]] QString Entry(int n) const {
        return QString::fromStdString(form->languageTable().entry(n));
    }

    QTemporaryDir home_;
    std::filesystem::path folder;
    sim::Instrument instrument;
    sim::SimBus bus{instrument};
    Link link{bus};
    RecordingFeedback feedback;
    ManualDeviceWatcher watcher;
    TForm1::Windows windows;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<ArchiveKeeper> keeper;
    ArchivePage* archivePage = nullptr;
    LoggerPullRun* pullRun = nullptr;
};

}  // namespace zv318::testing
