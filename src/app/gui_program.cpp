#include "app/gui_program.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "archive/archive_location.h"
#include "archive/server_deadline.h"
#include "archive/windows/archive_model.h"
#include "archive/windows/archive_page.h"
#include "archive/windows/team_archive.h"
#include "firmware/windows/conf_upgr.h"
#include "firmware/windows/updating_form.h"
#include "guide/windows/guide_window.h"
#include "link/interrupts.h"
#include "link/socket_bus.h"
#include "loggers/logger_file.h"
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
#include "texts/fields.h"
#include "texts/output_path.h"
#include "texts/program_folders.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"
#include "texts/user_settings.h"
#include "texts/windows/window_growth.h"

namespace zv318 {

namespace {

// Set once the program's own event loop runs. A quit asked for before (a signal while the window
// starts, a start-up notice's loop) would end only the loop of that moment and leave the program
// running without its window: the close waits for the loop.
bool g_eventLoopRuns = false;

// The window closes once no operation runs: what runs stops at its next safe point, and a phase
// that must not be cut ends first.
void CloseWhenIdle(TForm1* form) {
    if (g_eventLoopRuns && !form->busy()) {
        form->close();
        QCoreApplication::quit();
        return;
    }
    QTimer::singleShot(100, form, [form] { CloseWhenIdle(form); });
}

#ifndef _WIN32
int g_interruptPipe[2] = {-1, -1};

void OnInterruptSignal(int signal) {
    RequestInterrupt(signal);
    const char poke = 1;
    (void)!::write(g_interruptPipe[1], &poke, 1);
}

// SIGINT, SIGTERM (a logout may send it), SIGHUP (the session or terminal that started the
// program ended) and SIGQUIT are taken like a window close that waits. A write to a pipe
// whose reader has gone (the program's output piped, the reader ended) ends nothing.
void HoldInterruptSignals(TForm1* form) {
    ::signal(SIGPIPE, SIG_IGN);
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
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) ::sigaction(signal, &action, nullptr);
}
#else
void HoldInterruptSignals(TForm1*) {}
#endif

QCommandLineOption Hidden(QCommandLineOption option) {
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

// The device's watcher: the simulator's own plug and unplug, the socket folder, or the system.
std::unique_ptr<DeviceWatcher> WatcherFor(const DeviceChoice& device,
                                          ManualDeviceWatcher** simulator) {
    switch (device.kind) {
        case DeviceChoice::Demo: {
            auto manual = std::make_unique<ManualDeviceWatcher>();
            *simulator = manual.get();
            return manual;
        }
        case DeviceChoice::SocketFolder:
            return std::make_unique<FolderDeviceWatcher>(
                QStringFromPath(PathFromText(device.socketFolder)));
        case DeviceChoice::Hid:
            break;
    }
    return CreateSystemDeviceWatcher();
}

// The windows in their order; the main window owns the others.
TForm1::Windows CreateWindows(TForm1& form, Link& link, const DeviceChoice& device,
                              const std::filesystem::path& folder) {
    TForm1::Windows windows;
    windows.updating = new TUpdatingFORM(&form);
    windows.confUpgr = new TConfUpgr(&form);
    windows.aboutKorvel = new TAboutKORVEL52(folder, &form);
    windows.aboutController = new TAboutController(folder, &form);
    windows.oculta = new TOculta(link, &form);
    windows.oculta->setTracer(device.tracer.get());
    windows.editor = new TEditor(&form);
    windows.dialog = new TDialog(&form);
    windows.loggerWindow = new TZVLoggerWindow(&form);
    return windows;
}

// Opens what a later start handed on, once no operation runs: a plan in the editor, an image
// as the IO Interface update it starts with (which asks first, as at start-up).
void OpenHandedFile(TForm1* form, const HandedFile& file) {
    if (file.kind == HandedFile::None) return;
    if (form->busy()) {
        QTimer::singleShot(200, form, [form, file] { OpenHandedFile(form, file); });
        return;
    }
    const std::filesystem::path path = PathFromQString(file.path);
    if (file.kind == HandedFile::Plan) {
        form->ChannelPlan->EditPlanFile(path);
    } else if (form->startIoUpdate) {
        const std::string image = PathToText(path);
        form->setStartupArgument(image);
        form->runCommand([form, image] { form->startIoUpdate(image); });
    }
}

}  // namespace

std::string InstrumentSource(bool demo) {
    if (demo) return "demo";
    if (const std::optional<std::string> folder = SocketFolderFromEnvironment()) {
        std::error_code ec;
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(*folder, ec);
        return "sockets:" + (ec ? *folder : PathToText(resolved));
    }
    return "usb";
}

HandedFile HandedOn(const GuiOptions& options) {
    HandedFile file;
    if (!options.editFile.isEmpty()) {
        file.kind = HandedFile::Plan;
        file.path = QFileInfo(options.editFile).absoluteFilePath();
    } else if (!options.startupImage.isEmpty()) {
        file.kind = HandedFile::Image;
        file.path = QFileInfo(options.startupImage).absoluteFilePath();
    }
    return file;
}

GuiOptions ParseGuiOptions(QApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("ZV-318 Software"));
    parser.addHelpOption();
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        QStringLiteral("Append every report sent and received to FILE (or ZV318_TRACE)."),
        QStringLiteral("FILE"));
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Use the built-in simulated ZV-318."));
    const QCommandLineOption edit(QStringLiteral("edit"),
                                  QStringLiteral("Open a channel plan file (.c318) in the editor."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption screenshot =
        Hidden({QStringLiteral("screenshot"), QStringLiteral("Save a picture of the main window."),
                QStringLiteral("PATH")});
    const QCommandLineOption page = Hidden({QStringLiteral("screenshot-page"),
                                            QStringLiteral("The tab page shown in the picture."),
                                            QStringLiteral("N"), QStringLiteral("0")});
    // The "Loggers" tab after a reception of that type ("radio" or "plc"), and the viewer
    // with the logger of one listed row in place of the main window.
    const QCommandLineOption loggers =
        Hidden({QStringLiteral("screenshot-loggers"),
                QStringLiteral("Receive these loggers first."), QStringLiteral("TYPE")});
    const QCommandLineOption viewer =
        Hidden({QStringLiteral("screenshot-viewer"),
                QStringLiteral("Picture the viewer with this listed row."), QStringLiteral("ROW")});
    const QCommandLineOption chart = Hidden(
        {QStringLiteral("screenshot-chart"), QStringLiteral("Picture the viewer's chart tab.")});
    const QCommandLineOption archive = Hidden(
        {QStringLiteral("screenshot-archive"),
         QStringLiteral("The Archive page, or with compare (the first two rows) or trend (the "
                        "first row) its window, the Server... dialog, or the notice of new loggers "
                        "kept on plug-in."),
         QStringLiteral("page|compare|trend|server|pull")});
    // The main window enlarged to WIDTHxHEIGHT for the picture.
    const QCommandLineOption size =
        Hidden({QStringLiteral("screenshot-size"),
                QStringLiteral("The main window's size in the picture."), QStringLiteral("WxH")});
    const QCommandLineOption guide =
        Hidden({QStringLiteral("screenshot-guide"), QStringLiteral("Picture the user guide."),
                QStringLiteral("PAGE|search:TEXT|f1")});
    const QCommandLineOption measure = Hidden(
        {QStringLiteral("measure-start"),
         QStringLiteral("Print the start's figures (first paint, Archive page, memory) and end.")});
    parser.addOptions({measure, demo, trace, screenshot, page, edit, loggers, viewer, chart,
                       archive, guide, size});
    parser.addPositionalArgument(QStringLiteral("image"),
                                 QStringLiteral("An IO Interface image to program at start-up."),
                                 QStringLiteral("[image]"));
    parser.process(app);

    GuiOptions o;
    o.startupImage = parser.positionalArguments().value(0);
    if (!o.startupImage.isEmpty()) o.startupArgument = PathToText(PathFromQString(o.startupImage));
    o.demo = parser.isSet(demo);
    o.traceFile = parser.value(trace);
    o.editFile = parser.value(edit);
    o.screenshot = parser.value(screenshot);
    // The picture options, read as strictly as every number from outside.
    const auto number = [&parser](const QCommandLineOption& option, std::int64_t max) {
        return DecimalField(parser.value(option).toStdString(), 0, max);
    };
    o.page = static_cast<int>(number(page, 9).value_or(0));
    o.loggers = parser.value(loggers);
    o.viewerRow = parser.isSet(viewer) ? static_cast<int>(number(viewer, 99).value_or(-1)) : -1;
    o.chart = parser.isSet(chart);
    o.archive = parser.value(archive);
    o.guide = parser.value(guide);
    o.measureStart = parser.isSet(measure);
    if (const QStringList wh = parser.value(size).split(QLatin1Char('x')); wh.size() == 2) {
        const auto w = DecimalField(wh[0].toStdString(), 1, 10000);
        const auto h = DecimalField(wh[1].toStdString(), 1, 10000);
        if (w && h) o.size = QSize(static_cast<int>(*w), static_cast<int>(*h));
    }
    return o;
}

void GuiProgram::Start(QApplication& app, const GuiOptions& options, const ProgramFolders& folders,
                       SingleInstance& instance) {
    const bool userFolderWritable = PrepareUserFolder(folders);
    // No save dialog's file, nor the trace, goes over the archive's files.
    ProtectFromOutput(ArchiveFilesToProtect(folders.user));
    const std::filesystem::path& folder = folders.data;
    app.setWindowIcon(QIcon(QStringFromPath(folder / "Images" / "korvel52.ico")));

    device = std::make_unique<DeviceChoice>(ChooseDevice(options.demo));
    // The last reports are always kept, for "Save trace..." in the hidden command window.
    const std::string traceFile = PathToText(PathFromQString(options.traceFile));
    // A trace file that cannot be written is said once the window stands, and the program
    // goes on with the trace in memory.
    const std::string traceTo = TraceFile(traceFile);
    const int traceRefusal = TraceReports(*device, traceTo, kTraceMemoryReports);
    link = std::make_unique<Link>(*device->bus);
    link->setLockOwner("zv318");
    ManualDeviceWatcher* simulatorWatcher = nullptr;
    watcher = WatcherFor(*device, &simulatorWatcher);

    // The windows open where the person left them (pictures are taken at the designed sizes).
    if (userFolderWritable && options.screenshot.isEmpty())
        SetWindowPlacesFile(UserSettings::FileIn(folders.user));
    form = std::make_unique<TForm1>(*link, folders);
    form->show();
    const TForm1::Windows windows = CreateWindows(*form, *link, *device, folder);
    feedback =
        std::make_unique<WindowFeedback>(form->languageTable(), *windows.updating, form.get());
    feedback->beforeNotConnected = [f = form.get()] { f->showNotConnected(); };
    form->setFeedback(feedback.get());
    form->setWindows(windows);
    // Every logger the window downloads or opens goes into the archive (unless it is off).
    // A folder that cannot be written keeps no archive either: one notice says so, below.
    ArchiveLocation archiveLocation;
    if (userFolderWritable)
        archiveLocation = ArchiveLocationFromEnvironment(folders.user);
    else
        archiveLocation.kind = ArchiveLocation::Off;
    keeper = std::make_unique<ArchiveKeeper>(archiveLocation, *feedback, form->languageTable(),
                                             InstrumentIdentityOf(*link));
    // The archive is opened, and every logger kept, beside the window.
    keeper->keepInBackground();
    archivePage = AddArchivePage(*form, *keeper);
    // New loggers are kept as the instrument is plugged in.
    (void)AddLoggerPull(*form, *keeper, *archivePage);
    form->setStartupArgument(options.startupArgument);
    form->setDeviceWatcher(watcher.get());
    if (simulatorWatcher && device->simBus) {
        sim::SimBus& bus = *device->simBus;
        AddDemoMenu(*form, {[&bus] { return bus.plugged(); },
                            [&bus, simulatorWatcher](bool plugged) {
                                bus.setPlugged(plugged);
                                simulatorWatcher->notifyChange();
                            }});
    }

    if (options.screenshot.isEmpty())
        instance.Listen([f = form.get()](const HandedFile& file) {
            f->setWindowState(f->windowState() & ~Qt::WindowMinimized);
            f->show();
            f->raise();
            f->activateWindow();
            OpenHandedFile(f, file);
        });
    HoldInterruptSignals(form.get());
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
        feedback->showNotice(UserFolderNotice(form->languageTable(), folders.user));
    if (traceRefusal != 0) {
        feedback->showFileMessage(traceRefusal, traceTo);
        if (traceRefusal != kMessageTraceLost) feedback->showMessage(kMessageTraceLost);
    } else if (device->tracer && !traceTo.empty()) {
        // A write may fail on any thread that talks to the instrument: said on the window's.
        device->tracer->onFileLost([f = form.get(), fb = feedback.get(), traceTo] {
            QMetaObject::invokeMethod(
                f, [fb, traceTo] { fb->showFileMessage(kMessageTraceLost, traceTo); },
                Qt::QueuedConnection);
        });
    }
    // The first event handled after this is the program's own loop's: nothing between the end of
    // the start and that loop handles events.
    QTimer::singleShot(0, form.get(), [] { g_eventLoopRuns = true; });
}

void GuiProgram::End(int status) {
    // What waits on a team server is given up at once: every logger handed over is in this
    // PC's archive before a server is asked, and stays there pending; the loggers still queued
    // are then kept here without waiting on the network.
    ServerDeadline::CutAll();
    form.reset();  // before the feedback and the link it uses; waits for a send at most 2 s
    // Every logger handed to the archive is kept before the program ends (each step bounded:
    // the connection's time-out, the deadline of each exchange); what keeping them had to
    // tell is not shown any more.
    if (keeper) keeper->finish();
    // A send to the team archive still under way would outlive the databases' global state:
    // the program ends at once (what it had not sent stays pending, as after a power cut).
    if (SendsStillRunning() > 0) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    keeper.reset();
}

namespace {

// Milliseconds since the process started (its start as the kernel counts it, in ticks).
double MsSinceProcessStart() {
#ifdef _WIN32
    return -1;  // the kernel's count of the start is read on Linux only
#else
    std::ifstream stat("/proc/self/stat"), uptime("/proc/uptime");
    uptime.imbue(std::locale::classic());  // "1234.56" whatever the locale
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command's name (which may hold spaces) in parentheses.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int k = 3; k <= 22 && fields >> field;) ++k;
    double up = 0;
    uptime >> up;
    const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
    // Whole clock ticks: read without the C library, whose numbers follow the locale Qt set.
    const double started = static_cast<double>(DigitsField(field, INT64_MAX / 10).value_or(0));
    return (up - started / ticks) * 1000.0;
#endif
}

// The peak resident memory (VmHWM) in MiB.
double PeakMemoryMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) {
            // "VmHWM:    51234 kB": whole kibibytes.
            std::istringstream words(line.substr(6));
            std::string kib;
            words >> kib;
            return static_cast<double>(DigitsField(kib, INT64_MAX / 10).value_or(0)) / 1024.0;
        }
    return 0;
}

// The first paint of a widget, once.
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget* watched, std::function<void()> then)
        : QObject(watched), then_(std::move(then)) {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && then_) {
            auto then = std::move(then_);
            then_ = nullptr;
            watched->removeEventFilter(this);
            QTimer::singleShot(0, std::move(then));
        }
        return false;
    }

private:
    std::function<void()> then_;
};

}  // namespace

// A probe of the event loop: a timer that should tick every 5 ms; the longest gap between two
// ticks is the longest the window could not answer.
class StallProbe : public QObject {
public:
    explicit StallProbe(QObject* parent) : QObject(parent) {
        clock_.start();
        startTimer(5, Qt::PreciseTimer);
    }
    void restart() { longest_ = 0, last_ = clock_.elapsed(); }
    [[nodiscard]] qint64 longest() const { return longest_; }

protected:
    void timerEvent(QTimerEvent*) override {
        const qint64 now = clock_.elapsed();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
    }

private:
    QElapsedTimer clock_;
    qint64 last_ = 0, longest_ = 0;
};

namespace {

// A downloaded logger as the probe hands it to the keeper: 150 records, day `k` of 2021.
OpenLogger ProbeLogger(int k) {
    char date[16];
    std::snprintf(date, sizeof date, "%02d/%02d/2021", k % 28 + 1, k / 28 % 12 + 1);
    OpenLogger lg{"RADIO", "PROBE", "TV1", date, "12:00:00", "45 dBuV", {}, {}};
    lg.records.reserve(kMaxLoggerRecords);
    for (int r = 0; r < kMaxLoggerRecords; ++r) {
        lg.records.push_back({"C" + std::to_string(r), FixedText(474.0 + 8.0 * (r % 49), 4),
                              "8.0000", FixedText(30 + (r * 7 + k) % 400 / 10.0, 1) + " dBuV"});
    }
    return lg;
}

// Hands `count` loggers to the keeper as downloads do, while the probe watches the window,
// and says when the keeper's thread has kept them all.
void MeasureKeeping(ArchiveKeeper& keeper, StallProbe* probe, QObject* context, int count) {
    std::vector<OpenLogger> loggers;
    loggers.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) loggers.push_back(ProbeLogger(k));
    probe->restart();
    QElapsedTimer clock;
    clock.start();
    for (const OpenLogger& lg : loggers) keeper.LoggerFileRead({}, LoggerFileText(lg), lg);
    const qint64 handedOver = clock.elapsed();
    auto* poll = new QTimer(context);
    QObject::connect(
        poll, &QTimer::timeout, context, [&keeper, probe, poll, clock, handedOver, count] {
            if (keeper.keeping()) return;
            poll->stop();
            std::printf(
                "%d loggers handed to the archive in %lld ms, all kept %lld ms after the "
                "first; longest stall %lld ms\n",
                count, static_cast<long long>(handedOver), static_cast<long long>(clock.elapsed()),
                static_cast<long long>(probe->longest()));
            std::printf("peak memory: %.1f MiB\n", PeakMemoryMiB());
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
    poll->start(10);
}

}  // namespace

void MeasureStartWhenShown(GuiProgram& program) {
    TForm1* form = program.form.get();
    ArchivePage* page = program.archivePage;
    ArchiveKeeper* keeper = program.keeper.get();
    new FirstPaint(form, [form, page, keeper] {
        std::printf("first paint: %.0f ms after the process started\n", MsSinceProcessStart());
        std::fflush(stdout);
        auto* probe = new StallProbe(form);
        probe->restart();
        QElapsedTimer shown;
        shown.start();
        form->PageControl->setCurrentWidget(page);
        page->whenIdle([form, page, keeper, shown, probe] {
            new FirstPaint(page->Table->viewport(), [form, page, keeper, shown, probe] {
                std::printf(
                    "archive page: its first %d rows painted %lld ms after it was chosen; "
                    "longest stall of the window meanwhile %lld ms\n",
                    page->Model->rowCount(), static_cast<long long>(shown.elapsed()),
                    static_cast<long long>(probe->longest()));
                // A filter typed, as a technician types it: the page reads while the window
                // answers.
                probe->restart();
                QElapsedTimer typed;
                typed.start();
                page->FilterEdit->setText(QStringLiteral("site04"));
                page->whenIdle([form, page, keeper, typed, probe] {
                    std::printf(
                        "filter \"site04\": %lld loggers counted, %d rows read, %lld ms; "
                        "longest stall %lld ms\n",
                        static_cast<long long>(page->Model->total().value_or(-1)),
                        page->Model->rowCount(), static_cast<long long>(typed.elapsed()),
                        static_cast<long long>(probe->longest()));
                    std::fflush(stdout);
                    // Loggers downloaded meanwhile: the window goes on while they are kept.
                    MeasureKeeping(*keeper, probe, form, 100);
                });
            });
            page->Table->viewport()->update();
        });
    });
}

void OpenPlanWhenShown(GuiProgram& program, const GuiOptions& options) {
    const std::filesystem::path plan = PathFromQString(options.editFile);
    TForm1* form = program.form.get();
    QTimer::singleShot(0, form, [form, plan] { form->ChannelPlan->EditPlanFile(plan); });
}

namespace {

// Saves a picture of `shown` to `path` after `delayMs`, and ends the program.
void SaveAfter(QObject* context, int delayMs, std::function<QWidget*()> shown,
               const QString& path) {
    QTimer::singleShot(delayMs, context, [shown = std::move(shown), path] {
        QWidget* widget = shown();
        const bool saved = widget && widget->grab().save(path, "PNG");
        if (widget && widget->isModal()) widget->close();
        QCoreApplication::exit(saved ? 0 : 1);
    });
}

// The Archive page, or its comparison or trend of the newest loggers the pictures follow.
void PictureArchive(GuiProgram& program, const GuiOptions& options) {
    TForm1* form = program.form.get();
    ArchivePage* page = program.archivePage;
    if (options.archive == QStringLiteral("pull")) {
        // The new loggers kept on plug-in (allowed in the settings): its notice at the
        // first step that shows its progress, or as it ends when none did.
        auto* watch = new QTimer(form);
        const auto waited = std::make_shared<QElapsedTimer>();
        waited->start();
        QObject::connect(watch, &QTimer::timeout, form, [form, watch, waited, options] {
            auto* notice = form->findChild<QDialog*>(QStringLiteral("PullNotice"));
            auto* bar = notice ? notice->findChild<QWidget*>(QStringLiteral("PullBar")) : nullptr;
            const bool running = bar && bar->isVisible() && notice->isVisible();
            if (!running && waited->elapsed() < 5000) return;
            watch->stop();
            SaveAfter(
                form, 0,
                [notice] { return notice && notice->isVisible() ? notice : nullptr; },
                options.screenshot);
        });
        watch->start(5);
        return;
    }
    form->PageControl->setCurrentWidget(page);
    QTimer::singleShot(300, form, [form, page, options] {
        page->Table->sortByColumn(3, Qt::DescendingOrder);
        if (options.archive == QStringLiteral("page")) {
            SaveAfter(
                form, 600, [form] { return form; }, options.screenshot);
            return;
        }
        if (options.archive == QStringLiteral("server")) {
            // The Server... dialog, which waits for its answer: pictured while it is open.
            SaveAfter(
                form, 600, [] { return QApplication::activeModalWidget(); }, options.screenshot);
            page->Team->ServerButton->click();
            return;
        }
        page->FilterEdit->setText(QStringLiteral("MAST"));
        page->whenIdle([form, page, options] {
            const int rows = options.archive == QStringLiteral("compare") ? 2 : 1;
            for (int r = 0; r < rows; ++r)
                page->Table->selectionModel()->select(
                    page->Table->model()->index(r, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
            options.archive == QStringLiteral("compare") ? page->CompareClick()
                                                         : page->TrendClick();
            SaveAfter(
                form, 600,
                [page] {
                    return page->findChild<QDialog*>(QStringLiteral("ArchiveAnalysisWindow"));
                },
                options.screenshot);
        });
    });
}

// The user guide at a page, after a search, or as F1 opens it in the window in front.
void PictureGuide(TForm1* form, const GuiOptions& options) {
    QTimer::singleShot(500, form, [form, options] {
        TGuideWindow* guide = form->Guide;
        const QString& what = options.guide;
        if (what == QStringLiteral("f1")) {
            QWidget* front = QApplication::activeModalWidget();
            if (!front) front = form;
            QWidget* at = front->focusWidget() ? front->focusWidget() : front;
            QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
            QApplication::sendEvent(at, &press);
        } else if (what.startsWith(QStringLiteral("search:"))) {
            guide->Open(kGuideFirstPage);
            guide->SearchEdit->setText(what.mid(7));
        } else {
            guide->Open(what.toStdString());
        }
        SaveAfter(
            form, 600, [guide] { return guide->isVisible() ? guide : nullptr; },
            options.screenshot);
    });
}

}  // namespace

void TakePictureWhenShown(GuiProgram& program, const GuiOptions& options) {
    TForm1* form = program.form.get();
    form->PageControl->setCurrentIndex(options.page);
    if (options.size.isValid()) form->resize(options.size);
    if (!options.loggers.isEmpty())
        options.loggers == QStringLiteral("plc") ? form->Loggers->ReceivePLogButClick()
                                                 : form->Loggers->ReceiveRLogButClick();
    if (!options.archive.isEmpty()) {
        PictureArchive(program, options);
    } else if (!options.guide.isEmpty()) {
        PictureGuide(form, options);
    } else if (options.viewerRow >= 0) {
        QTimer::singleShot(0, form, [form, options] {
            SaveAfter(
                form, 700, [] { return QApplication::activeModalWidget(); }, options.screenshot);
            // The chart is the viewer's last tab; chosen before the viewer shows.
            if (TZVLoggerWindow* viewer = form->windows().loggerWindow; viewer && options.chart)
                viewer->Vistes->setCurrentIndex(viewer->Vistes->count() - 1);
            form->Loggers->LoggerIndexMouseUp(1, options.viewerRow, true);
            form->Loggers->LoggerIndexDblClick();
        });
    } else {
        // With --edit the picture is of the editor, which is then the window in front.
        QWidget* shown = options.editFile.isEmpty() ? static_cast<QWidget*>(form)
                                                    : static_cast<QWidget*>(form->windows().editor);
        SaveAfter(
            form, 500, [shown] { return shown; }, options.screenshot);
    }
}

}  // namespace zv318
