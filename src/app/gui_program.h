#pragma once
// The desktop program's parts and the steps main() takes with them: its command line, the
// windows in their order, the picture runs that document it, and the ending.

#include <QCommandLineParser>
#include <QSize>
#include <QString>
#include <memory>
#include <string>

#include "app/device_choice.h"
#include "app/single_instance.h"
#include "archive/archive_keeper.h"
#include "link/device_watcher.h"
#include "link/link.h"
#include "shell/windows/tform1.h"
#include "shell/windows/window_feedback.h"
#include "texts/program_folders.h"

class QApplication;

namespace zv318 {

class ArchivePage;

// What the command line asks (zv318 [--demo] [--trace FILE] [--edit FILE] [IMAGE.hex], and the
// hidden options of the picture runs).
struct GuiOptions {
    bool demo = false;
    std::string startupArgument;  // the IO Interface image to program at start-up
    QString startupImage;         // the same, as the command line gave it
    QString traceFile;
    QString editFile;  // a channel plan to open in the editor
    // A picture of the main window (or of the page, viewer, editor or archive window named).
    QString screenshot;
    int page = 0;
    QString loggers;  // "radio" or "plc": received first
    int viewerRow = -1;
    bool chart = false;
    QString archive;  // "page", "compare" or "trend"
    // The user guide at a page, after a search ("search:TEXT"), or opened by F1 in the window
    // in front ("f1"; with --edit the editor).
    QString guide;
    QSize size;       // the main window enlarged to this size for the picture (when valid)
    bool measureStart = false;  // print the start's figures (first paint, Archive page, memory)
};
[[nodiscard]] GuiOptions ParseGuiOptions(QApplication& app);

// Where the instrument comes from, as one word: the running program that a second start may
// hand its file to is the one of the same source.
[[nodiscard]] std::string InstrumentSource(bool demo);
// The file of this start as the running program needs it: a plan to edit, else an image to
// program; absolute, since the running program has another working folder.
[[nodiscard]] HandedFile HandedOn(const GuiOptions& options);

// Everything the program holds while it runs, destroyed in the order it must end.
struct GuiProgram {
    std::unique_ptr<DeviceChoice> device;
    std::unique_ptr<Link> link;
    std::unique_ptr<DeviceWatcher> watcher;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<WindowFeedback> feedback;
    std::unique_ptr<ArchiveKeeper> keeper;
    ArchivePage* archivePage = nullptr;

    // The user folder, the device, the windows in their order, the archive, the demo menu, the
    // session's signals (a second start brings this window to the front and hands on its file;
    // SIGINT, SIGTERM and a logout wait for a running operation as a window close does), then
    // the main window's start-up. Throws what cannot be started.
    void Start(QApplication& app, const GuiOptions& options, const ProgramFolders& folders,
               SingleInstance& instance);
    // The main window before the feedback and the link it uses; a send to the team archive
    // still under way then ends the program at once with `status`.
    void End(int status);
};

// The picture the options ask for, taken once the windows have painted; the program then ends.
void TakePictureWhenShown(GuiProgram& program, const GuiOptions& options);
// With --measure-start: prints, from the process's start, when the main window first painted and
// when the Archive page showed its first rows, and the peak memory; the program then ends.
void MeasureStartWhenShown(GuiProgram& program);
// The channel plan of --edit in the editor, once the event loop runs.
void OpenPlanWhenShown(GuiProgram& program, const GuiOptions& options);

}  // namespace zv318
