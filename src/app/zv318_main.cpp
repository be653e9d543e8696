// main() of the GUI: keeps the start-up argument, chooses where the instrument comes from,
// creates the windows in their order, runs the main window's start-up and the event loop.
//
//   zv318 [--demo] [IMAGE.hex]
//     --demo      the built-in simulated instrument, plugged in; a "Demo" menu unplugs and
//                 plugs it again so the connection monitor can be watched at work
//     IMAGE.hex   an IO Interface image to program right after start-up
// Without --demo the instrument is looked for in the socket folder named by
// ZV318_HID_SOCKETS when that is set, else among the real HID interfaces.

#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableWidget>
#include <QIcon>
#include <QKeyEvent>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <exception>
#include <memory>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "app/device_choice.h"
#include "app/single_instance.h"
#include "archive/archive_keeper.h"
#include "archive/windows/archive_page.h"
#include "archive/windows/team_archive.h"
#include "firmware/windows/conf_upgr.h"
#include "firmware/windows/updating_form.h"
#include "guide/windows/guide_window.h"
#include "link/device_watcher.h"
#include "link/interrupts.h"
#include "link/link.h"
#include "link/socket_bus.h"
#include "loggers/windows/logger_window.h"
#include "loggers/windows/loggers_page.h"
#include "plans/windows/channel_plan_page.h"
#include "plans/windows/dialog.h"
#include "plans/windows/editor.h"
#include "shell/startup.h"
#include "shell/windows/about_windows.h"
#include "shell/windows/application.h"
#include "shell/windows/archive_tab.h"
#include "shell/windows/demo_menu.h"
#include "shell/windows/oculta.h"
#include "shell/windows/tform1.h"
#include "shell/windows/window_feedback.h"
#include "texts/program_folders.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"
#include "texts/user_settings.h"
#include "texts/windows/window_growth.h"

namespace {

// The window closes once no operation runs: what runs stops at its next safe point, and a phase
// that must not be cut ends first.
void CloseWhenIdle(TForm1* form) {
    if (!form->busy()) {
        form->close();
        QCoreApplication::quit();
        return;
    }
    QTimer::singleShot(100, form, [form] { CloseWhenIdle(form); });
}

#ifndef _WIN32
int g_interruptPipe[2] = {-1, -1};

void OnInterruptSignal(int signal) {
    zv318::RequestInterrupt(signal);
    const char poke = 1;
    (void)!::write(g_interruptPipe[1], &poke, 1);
}

// SIGINT and SIGTERM (a logout may send it) are taken like a window close that waits.
void HoldInterruptSignals(TForm1* form) {
    if (::pipe(g_interruptPipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_interruptPipe[0], QSocketNotifier::Read, form);
    QObject::connect(notifier, &QSocketNotifier::activated, form, [form] {
        char drained[16];
        (void)!::read(g_interruptPipe[0], drained, sizeof drained);
        CloseWhenIdle(form);
    });
    struct sigaction action {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}
#else
void HoldInterruptSignals(TForm1*) {}
#endif

// Where the instrument comes from, as one word: the running program that a second start may
// hand its file to is the one of the same source.
std::string InstrumentSource(bool demo) {
    if (demo) return "demo";
    if (const std::optional<std::string> folder = zv318::SocketFolderFromEnvironment()) {
        std::error_code ec;
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(*folder, ec);
        return "sockets:" + (ec ? *folder : zv318::PathToText(resolved));
    }
    return "usb";
}

// The file of this start as the running program needs it: a plan to edit, else an image to
// program; absolute, since the running program has another working folder.
zv318::HandedFile HandedOn(const QString& plan, const QString& image) {
    zv318::HandedFile file;
    if (!plan.isEmpty()) {
        file.kind = zv318::HandedFile::Plan;
        file.path = QFileInfo(plan).absoluteFilePath();
    } else if (!image.isEmpty()) {
        file.kind = zv318::HandedFile::Image;
        file.path = QFileInfo(image).absoluteFilePath();
    }
    return file;
}

// Opens what a later start handed on, once no operation runs: a plan in the editor, an image
// as the IO Interface update it starts with (which asks first, as at start-up).
void OpenHandedFile(TForm1* form, const zv318::HandedFile& file) {
    if (file.kind == zv318::HandedFile::None) return;
    if (form->busy()) {
        QTimer::singleShot(200, form, [form, file] { OpenHandedFile(form, file); });
        return;
    }
    const std::filesystem::path path = zv318::PathFromQString(file.path);
    if (file.kind == zv318::HandedFile::Plan) {
        form->ChannelPlan->EditPlanFile(path);
    } else if (form->startIoUpdate) {
        const std::string image = zv318::PathToText(path);
        form->setStartupArgument(image);
        form->runCommand([form, image] { form->startIoUpdate(image); });
    }
}

}  // namespace

int main(int argc, char** argv) {
    zv318::IgnoreFileSizeSignal();
    // An error that escapes a handler is shown in a box, and the program goes on.
    zv318::Application app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(zv318::kProgramTitle));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("ZV-318 Software"));
    parser.addHelpOption();
    QCommandLineOption traceOption(
        QStringLiteral("trace"),
        QStringLiteral("Append every report sent and received to FILE (or ZV318_TRACE)."),
        QStringLiteral("FILE"));
    QCommandLineOption demoOption(QStringLiteral("demo"),
                                  QStringLiteral("Use the built-in simulated ZV-318."));
    QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the main window."),
                                        QStringLiteral("PATH"));
    screenshotOption.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption pageOption(QStringLiteral("screenshot-page"),
                                  QStringLiteral("The tab page shown in the picture."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    pageOption.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption editOption(QStringLiteral("edit"),
                                  QStringLiteral("Open a channel plan file (.c318) in the editor."),
                                  QStringLiteral("FILE"));
    // The "Loggers" tab after a reception of that type ("radio" or "plc"), and the viewer
    // with the logger of one listed row in place of the main window.
    QCommandLineOption loggersOption(QStringLiteral("screenshot-loggers"),
                                     QStringLiteral("Receive these loggers first."),
                                     QStringLiteral("TYPE"));
    loggersOption.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption viewerOption(QStringLiteral("screenshot-viewer"),
                                    QStringLiteral("Picture the viewer with this listed row."),
                                    QStringLiteral("ROW"));
    viewerOption.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption chartOption(QStringLiteral("screenshot-chart"),
                                   QStringLiteral("Picture the viewer's chart tab."));
    chartOption.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption archiveOption(QStringLiteral("screenshot-archive"),
                                     QStringLiteral("The Archive page, or with compare (the first "
                                                    "two rows) or trend (the first row) its window."),
                                     QStringLiteral("page|compare|trend"));
    archiveOption.setFlags(QCommandLineOption::HiddenFromHelp);
    // The main window enlarged to WIDTHxHEIGHT for the picture.
    QCommandLineOption sizeOption(QStringLiteral("screenshot-size"),
                                  QStringLiteral("The main window's size in the picture."),
                                  QStringLiteral("WxH"));
    sizeOption.setFlags(QCommandLineOption::HiddenFromHelp);
    // The user guide at a page, after a search ("search:TEXT"), or opened by F1 in the window
    // in front ("f1"; with --edit the editor).
    QCommandLineOption guideOption(QStringLiteral("screenshot-guide"),
                                   QStringLiteral("Picture the user guide."),
                                   QStringLiteral("PAGE|search:TEXT|f1"));
    guideOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({demoOption, traceOption, screenshotOption, pageOption, editOption,
                       loggersOption, viewerOption, chartOption, archiveOption, sizeOption,
                       guideOption});
    parser.addPositionalArgument(QStringLiteral("image"),
                                 QStringLiteral("An IO Interface image to program at start-up."),
                                 QStringLiteral("[image]"));
    parser.process(app);

    const QString startupImage = parser.positionalArguments().value(0);
    const std::string startupArgument =
        startupImage.isEmpty() ? std::string()
                               : zv318::PathToText(zv318::PathFromQString(startupImage));
    const bool demo = parser.isSet(demoOption);

    // Beside the program, or (installed) shipped data from the install and the person's files
    // in their own data folder, made on first use.
    const zv318::ProgramFolders folders = zv318::DecideProgramFolders(
        zv318::PathFromQString(QCoreApplication::applicationDirPath()));

    // A second start with the same data folder and instrument source hands its file to the
    // running program (or brings its window to the front) and ends; pictures are taken by a
    // run of their own.
    zv318::SingleInstance instance(folders.user, InstrumentSource(demo));
    const bool picture = parser.isSet(screenshotOption);
    if (!picture && instance.AskRunningOne(HandedOn(parser.value(editOption), startupImage)))
        return 0;

    std::unique_ptr<zv318::DeviceChoice> device;
    std::unique_ptr<zv318::Link> link;
    std::unique_ptr<zv318::DeviceWatcher> watcher;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<zv318::WindowFeedback> feedback;
    std::unique_ptr<zv318::ArchiveKeeper> keeper;
    zv318::ArchivePage* archivePage = nullptr;
    try {
        const bool userFolderWritable = zv318::PrepareUserFolder(folders);
        const std::filesystem::path& folder = folders.data;
        app.setWindowIcon(QIcon(zv318::QStringFromPath(folder / "Images" / "korvel52.ico")));

        device = std::make_unique<zv318::DeviceChoice>(zv318::ChooseDevice(demo));
        // The last reports are always kept, for "Save trace..." in the hidden command window.
        const std::string traceFile =
            zv318::PathToText(zv318::PathFromQString(parser.value(traceOption)));
        if (!zv318::TraceReports(*device, zv318::TraceFile(traceFile), zv318::kTraceMemoryReports))
            zv318::ShowProgramError(
                QStringLiteral("The trace file %1 cannot be written.")
                    .arg(zv318::QStringFromPath(zv318::PathFromText(zv318::TraceFile(traceFile)))));
        link = std::make_unique<zv318::Link>(*device->bus);
        link->setLockOwner("zv318");
        zv318::ManualDeviceWatcher* simulatorWatcher = nullptr;
        switch (device->kind) {
            case zv318::DeviceChoice::Demo: {
                auto manual = std::make_unique<zv318::ManualDeviceWatcher>();
                simulatorWatcher = manual.get();
                watcher = std::move(manual);
                break;
            }
            case zv318::DeviceChoice::SocketFolder:
                watcher = std::make_unique<zv318::FolderDeviceWatcher>(
                    zv318::QStringFromPath(zv318::PathFromText(device->socketFolder)));
                break;
            case zv318::DeviceChoice::Hid:
                watcher = zv318::CreateSystemDeviceWatcher();
                break;
        }

        // The windows open where the person left them (pictures are taken at the designed
        // sizes).
        if (userFolderWritable && !picture)
            zv318::SetWindowPlacesFile(zv318::UserSettings::FileIn(folders.user));
        // The windows, in their order; the main window owns the others.
        form = std::make_unique<TForm1>(*link, folders);
        form->show();
        TForm1::Windows windows;
        windows.updating = new TUpdatingFORM(form.get());
        windows.confUpgr = new TConfUpgr(form.get());
        windows.aboutKorvel = new TAboutKORVEL52(folder, form.get());
        windows.aboutController = new TAboutController(folder, form.get());
        windows.oculta = new TOculta(*link, form.get());
        windows.oculta->setTracer(device->tracer.get());
        windows.editor = new TEditor(form.get());
        windows.dialog = new TDialog(form.get());
        windows.loggerWindow = new TZVLoggerWindow(form.get());

        feedback = std::make_unique<zv318::WindowFeedback>(form->languageTable(), *windows.updating,
                                                           form.get());
        feedback->beforeNotConnected = [&form] { form->showNotConnected(); };
        form->setFeedback(feedback.get());
        form->setWindows(windows);
        // Every logger the window downloads or opens goes into the archive (unless it is off).
        // A folder that cannot be written keeps no archive either: one notice says so, below.
        zv318::ArchiveLocation archiveLocation;
        if (userFolderWritable) archiveLocation = zv318::ArchiveLocationFromEnvironment(folders.user);
        else archiveLocation.kind = zv318::ArchiveLocation::Off;
        keeper = std::make_unique<zv318::ArchiveKeeper>(
            archiveLocation, *feedback, form->languageTable(),
            zv318::InstrumentFactsOf(*link));
        archivePage = zv318::AddArchivePage(*form, *keeper);
        (void)zv318::AddLoggerPull(*form, *keeper, *archivePage);
        form->setStartupArgument(startupArgument);
        form->setDeviceWatcher(watcher.get());
        if (simulatorWatcher && device->simBus) {
            zv318::sim::SimBus& bus = *device->simBus;
            zv318::AddDemoMenu(*form, {[&bus] { return bus.plugged(); },
                                       [&bus, simulatorWatcher](bool plugged) {
                                           bus.setPlugged(plugged);
                                           simulatorWatcher->notifyChange();
                                       }});
        }

        if (!picture)
            (void)instance.Listen([f = form.get()](const zv318::HandedFile& file) {
                f->setWindowState(f->windowState() & ~Qt::WindowMinimized);
                f->show();
                f->raise();
                f->activateWindow();
                OpenHandedFile(f, file);
            });
        HoldInterruptSignals(form.get());
        // A logout waits for a running operation as a window close does.
        QObject::connect(&app, &QGuiApplication::commitDataRequest, form.get(),
                         [f = form.get()](QSessionManager& manager) {
                             if (f->busy() && manager.allowsInteraction()) {
                                 manager.cancel();
                                 manager.release();
                             }
                         });

        form->AlExecutar();
        // Told once the window stands whole and speaks the person's language.
        if (!userFolderWritable)
            feedback->showNotice(zv318::UserFolderNotice(form->languageTable(), folders.user));
    } catch (const std::exception& error) {
        zv318::ShowProgramError(QString::fromStdString(error.what()));
        return 1;
    }

    if (parser.isSet(screenshotOption)) {
        const QString path = parser.value(screenshotOption);
        const int page = parser.value(pageOption).toInt();
        form->PageControl->setCurrentIndex(page);
        if (parser.isSet(sizeOption)) {
            const QStringList size = parser.value(sizeOption).split(QLatin1Char('x'));
            if (size.size() == 2) form->resize(size[0].toInt(), size[1].toInt());
        }
        if (parser.isSet(loggersOption))
            parser.value(loggersOption) == QStringLiteral("plc")
                ? form->Loggers->ReceivePLogButClick()
                : form->Loggers->ReceiveRLogButClick();
        if (parser.isSet(archiveOption)) {
            form->PageControl->setCurrentWidget(archivePage);
            const QString view = parser.value(archiveOption);
            QTimer::singleShot(300, form.get(), [&form, archivePage, path, view] {
                archivePage->Table->sortItems(3, Qt::DescendingOrder);
                QWidget* shown = form.get();
                if (view != QStringLiteral("page")) {
                    // The newest loggers of the site the pictures follow.
                    archivePage->FilterEdit->setText(QStringLiteral("MAST"));
                    const int rows = view == QStringLiteral("compare") ? 2 : 1;
                    for (int r = 0; r < rows; ++r)
                        archivePage->Table->selectionModel()->select(
                            archivePage->Table->model()->index(r, 0),
                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
                    view == QStringLiteral("compare") ? archivePage->CompareClick()
                                                      : archivePage->TrendClick();
                    shown = archivePage->findChild<QDialog*>(QStringLiteral("ArchiveAnalysisWindow"));
                }
                QTimer::singleShot(600, form.get(), [shown, path] {
                    const bool saved = shown && shown->grab().save(path, "PNG");
                    QCoreApplication::exit(saved ? 0 : 1);
                });
            });
        } else if (parser.isSet(guideOption)) {
            const QString what = parser.value(guideOption);
            QTimer::singleShot(500, form.get(), [&form, path, what] {
                TGuideWindow* guide = form->Guide;
                if (what == QStringLiteral("f1")) {
                    QWidget* front = QApplication::activeModalWidget();
                    if (!front) front = form.get();
                    QWidget* at = front->focusWidget() ? front->focusWidget() : front;
                    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
                    QApplication::sendEvent(at, &press);
                } else if (what.startsWith(QStringLiteral("search:"))) {
                    guide->Open(zv318::kGuideFirstPage);
                    guide->SearchEdit->setText(what.mid(7));
                } else {
                    guide->Open(what.toStdString());
                }
                QTimer::singleShot(600, form.get(), [guide, path] {
                    const bool saved = guide->isVisible() && guide->grab().save(path, "PNG");
                    QCoreApplication::exit(saved ? 0 : 1);
                });
            });
        } else if (parser.isSet(viewerOption)) {

            const int row = parser.value(viewerOption).toInt();
            const bool chart = parser.isSet(chartOption);
            QTimer::singleShot(0, form.get(), [&form, path, row, chart] {
                QTimer::singleShot(700, form.get(), [path] {
                    QWidget* viewer = QApplication::activeModalWidget();
                    const bool saved = viewer && viewer->grab().save(path, "PNG");
                    if (viewer) viewer->close();
                    QCoreApplication::exit(saved ? 0 : 1);
                });
                // The chart is the viewer's last tab; chosen before the viewer shows.
                if (TZVLoggerWindow* viewer = form->windows().loggerWindow; viewer && chart)
                    viewer->Vistes->setCurrentIndex(viewer->Vistes->count() - 1);
                form->Loggers->LoggerIndexMouseUp(1, row, true);
                form->Loggers->LoggerIndexDblClick();
            });
        } else {
            // With --edit the picture is of the editor, which is then the window in front.
            QWidget* shown = parser.isSet(editOption)
                                 ? static_cast<QWidget*>(form->windows().editor)
                                 : static_cast<QWidget*>(form.get());
            QTimer::singleShot(500, form.get(), [shown, path] {
                const bool saved = shown->grab().save(path, "PNG");
                QCoreApplication::exit(saved ? 0 : 1);
            });
        }
    }

    if (parser.isSet(editOption)) {
        const std::filesystem::path plan = zv318::PathFromQString(parser.value(editOption));
        QTimer::singleShot(0, form.get(), [&form, plan] { form->ChannelPlan->EditPlanFile(plan); });
    }

    const int status = app.exec();
    form.reset();  // before the feedback and the link it uses; waits for a send at most 2 s
    keeper.reset();
    // A send to the team archive still under way would outlive the databases' global state:
    // the program ends at once (what it had not sent stays pending, as after a power cut).
    if (zv318::SendsStillRunning() > 0) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
