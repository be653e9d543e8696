// main() of the GUI: keeps the start-up argument, chooses where the instrument comes from,
// creates the windows in their order, runs the main window's start-up and the event loop.
//
//   zv318 [--demo] [IMAGE.hex]
//     --demo      the built-in simulated instrument, plugged in; a "Demo" menu unplugs and
//                 plugs it again so the connection monitor can be watched at work
//     IMAGE.hex   an IO Interface image to program right after start-up
// Without --demo the instrument is looked for in the socket folder named by
// ZV318_HID_SOCKETS when that is set, else among the real HID interfaces.

#include <cstdio>
#include <exception>

#include "app/gui_program.h"
#include "link/interrupts.h"
#include "shell/windows/application.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"

int main(int argc, char** argv) {
    zv318::IgnoreFileSizeSignal();
    // An error that escapes a handler is shown in a box, and the program goes on.
    zv318::Application app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(zv318::kProgramTitle));
    const zv318::GuiOptions options = zv318::ParseGuiOptions(app);

    // Beside the program, or (installed) shipped data from the install and the person's files
    // in their own data folder, made on first use.
    const zv318::ProgramFolders folders =
        zv318::DecideProgramFolders(zv318::PathFromQString(QCoreApplication::applicationDirPath()));

    // A second start with the same data folder and instrument source hands its file to the
    // running program (or brings its window to the front) and ends; the name is claimed before
    // the window is built, so of two starts together one runs. Pictures are taken by a run of
    // their own.
    zv318::SingleInstance instance(folders.user, zv318::InstrumentSource(options.demo));
    if (options.screenshot.isEmpty()) {
        zv318::SingleInstance::Claim claim = instance.ClaimName();
        if (claim == zv318::SingleInstance::Claim::Elsewhere) {
            if (instance.HandOn(zv318::HandedOn(options))) return 0;
            claim = instance.ClaimName();  // the holder ended meanwhile, or never answered
        }
        if (claim != zv318::SingleInstance::Claim::Ours)
            std::fprintf(stderr, "%s\n", qPrintable(zv318::NoSingleInstanceNote(claim)));
    }

    zv318::GuiProgram program;
    try {
        program.Start(app, options, folders, instance);
    } catch (const std::exception& error) {
        zv318::ShowProgramError(QString::fromStdString(error.what()));
        return 1;
    }
    if (!options.screenshot.isEmpty()) zv318::TakePictureWhenShown(program, options);
    if (!options.editFile.isEmpty()) zv318::OpenPlanWhenShown(program, options);
    if (options.measureStart) zv318::MeasureStartWhenShown(program);

    // Ended by a signal (once what ran had ended): the status says which, as a program the
    // signal had ended would.
    const int run = app.exec();
    const int signal = zv318::InterruptSignal();
    const int status = signal > 0 ? 128 + signal : run;
    program.End(status);
    return status;
}
