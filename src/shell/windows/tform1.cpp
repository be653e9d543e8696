#include "shell/windows/tform1.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>
#include <clocale>

#include "backup/windows/backup_commands.h"
#include "firmware/windows/conf_upgr.h"
#include "firmware/windows/firmware_commands.h"
#include "firmware/windows/updating_form.h"
#include "guide/windows/guide_window.h"
#include "link/device_watcher.h"
#include "loggers/windows/logger_window.h"
#include "loggers/windows/loggers_page.h"
#include "plans/windows/channel_plan_page.h"
#include "plans/windows/editor.h"
#include "shell/clock.h"
#include "shell/service.h"
#include "shell/startup.h"
#include "shell/windows/about_windows.h"
#include "shell/windows/command_runner.h"
#include "shell/windows/oculta.h"
#include "shell/windows/status_box.h"
#include "texts/language_file.h"
#include "texts/menu_caption.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"
#include "texts/windows/window_growth.h"

namespace {

constexpr int kClientWidth = 800;
constexpr int kClientHeight = 546;
constexpr int kMonitorDelayMs = 1200;
constexpr int kInUseRetryMs = 3000;
// "Set ZV-318 clock" ends with what was set: the text (%1 the time, %2 the date), its caption.
constexpr int kClockSetText = 1320;
constexpr int kClockSetCaption = 1321;

}  // namespace

TForm1::TForm1(zv318::Link& link, zv318::ProgramFolders folders, QWidget* parent)
    : QMainWindow(parent), link_(link), folders_(std::move(folders)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ZV-318 Software (BETA)"));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    // The spec's size at first, larger when the person makes it so.
    client->setMinimumSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    runner_ = new TCommandRunner(this, [this](bool busy) {
        for (QMenu* menu : {Archivo1, Idioma1, Actualizar1, Ayuda1})
            menu->menuAction()->setEnabled(!busy);
    });
    buildHeader(client);
    CStatus = new TStatusBox(table_, folders_.data, client);

    PageControl = new QTabWidget(client);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->setGeometry(266, 46, 526, 492);
    ChannelPlan = new TChannelPlanPage(*this);
    PageControl->addTab(ChannelPlan, QStringLiteral("ChannelPlan"));
    Loggers = new TLoggersPage(*this);
    PageControl->addTab(Loggers, QStringLiteral("Loggers"));
    buildMenus();
    zv318::OpenMenuBarWithF10(this, MainMenu1);
    Guide = new TGuideWindow(folders_.data / zv318::kGuideFolderName, this);
    new zv318::GuideKey([this](const std::string& page) { Guide->Open(page); }, this);
    setTabOrder();

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setSingleShot(true);
    Timer2->setInterval(kMonitorDelayMs);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);

    firmware_ = std::make_unique<zv318::FirmwareCommands>(*this);
    backup_ = std::make_unique<zv318::BackupCommands>(
        *this, [this] { return ChannelPlan->planProcedures(); },
        [this]() -> zv318::PlanListView& { return ChannelPlan->planList(); });

    // The header spans the window with the flag at its right; the status box grows tall and
    // the pages take the rest.
    auto* header = new zv318::GrowthLayout(Panel1, Panel1->size());
    header->add(Bandera, zv318::MovesRight);
    auto* growth = new zv318::GrowthLayout(client, QSize(kClientWidth, kClientHeight));
    growth->add(Panel1, zv318::GrowsWide);
    growth->add(CStatus, zv318::GrowsTall);
    growth->add(PageControl, zv318::GrowsWide | zv318::GrowsTall);
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    zv318::RememberPlace(this, "main");

    // The updates compare with the versions the status box shows.
    firmwareIoUpdate = [this] { firmware_->Actualitzar(CStatus->IOV->text().toStdString()); };
    startIoUpdate = [this](const std::string&) {
        firmware_->Actualitzar(CStatus->IOV->text().toStdString());
    };
    instrumentUpdate = [this] { firmware_->ActualitzarZV318(CStatus->ZVV->text().toStdString()); };
}

TForm1::~TForm1() = default;

// ---- construction ---------------------------------------------------------------------------

void TForm1::buildHeader(QWidget* client) {
    Panel1 = new QFrame(client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, kClientWidth, 40);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setAutoFillBackground(true);
    Panel1->setBackgroundRole(QPalette::Base);

    Logo = new QLabel(Panel1);
    Logo->setObjectName(QStringLiteral("Logo"));
    Logo->setGeometry(6, 2, 160, 36);
    zv318::LoadPicture(Logo, folders_.data / "Images" / "logo.bmp");

    Bandera = new QLabel(Panel1);
    Bandera->setObjectName(QStringLiteral("Bandera"));
    Bandera->setGeometry(kClientWidth - 48 - 8, 5, 48, 30);
}

void TForm1::buildMenus() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    auto action = [this](QMenu* menu, const char* name, const char* text, void (TForm1::*slot)()) {
        QAction* a = menu->addAction(QString::fromUtf8(text));
        a->setObjectName(QLatin1String(name));
        if (slot) connect(a, &QAction::triggered, this, slot);
        return a;
    };

    Archivo1 = MainMenu1->addMenu(QStringLiteral("&Archivo"));
    Archivo1->setObjectName(QStringLiteral("Archivo1"));
    Copiadeseguridad1 = action(Archivo1, "Copiadeseguridad1", "Copia de seguridad…",
                               &TForm1::Copiadeseguridad1Click);
    Restaurarplanes1 =
        action(Archivo1, "Restaurarplanes1", "Restaurar planes…", &TForm1::Restaurarplanes1Click);
    Archivo1->addSeparator();
    Salir1 = action(Archivo1, "Salir1", "&Salir", &TForm1::Salir1Click);

    Idioma1 = MainMenu1->addMenu(QStringLiteral("&Idioma"));
    Idioma1->setObjectName(QStringLiteral("Idioma1"));

    Actualizar1 = MainMenu1->addMenu(QStringLiteral("A&ctualizar"));
    Actualizar1->setObjectName(QStringLiteral("Actualizar1"));
    Firmware1 = action(Actualizar1, "Firmware1", "&IO Interface", &TForm1::Firmware1Click);
    KORVEL521 = action(Actualizar1, "KORVEL521", "&ZV-318", &TForm1::KORVEL521Click);
    Puestaenhora1 =
        action(Actualizar1, "Puestaenhora1", "&Puesta en hora", &TForm1::Puestaenhora1Click);

    Ayuda1 = MainMenu1->addMenu(QStringLiteral("A&yuda"));
    Ayuda1->setObjectName(QStringLiteral("Ayuda1"));
    Contenidos1 = action(Ayuda1, "Contenidos1", "&Contenidos", &TForm1::Contenidos1Click);
    SobreKORVEL52 = action(Ayuda1, "SobreKORVEL52", "Sobre &KORVEL", &TForm1::SobreKORVEL52Click);
    SobreControlador = action(Ayuda1, "SobreControlador", "Sobre &este controlador",
                              &TForm1::SobreControladorClick);
}

void TForm1::setTabOrder() {
    QWidgetList order{PageControl};
    order += ChannelPlan->tabChain();
    order += Loggers->tabChain();
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

// ---- wiring -----------------------------------------------------------------------------------

void TForm1::setWindows(const Windows& windows) {
    if (windows_.aboutKorvel) windows_.aboutKorvel->disconnect(this);
    windows_ = windows;
    if (windows_.aboutKorvel) {
        connect(windows_.aboutKorvel, &TAboutKORVEL52::hiddenCommandRequested, this,
                &TForm1::HiddenCommandClick);
        connect(windows_.aboutKorvel, &TAboutKORVEL52::hiddenEraseRequested, this,
                &TForm1::HiddenEraseClick);
    }
    ChannelPlan->setWindows(windows_.editor, windows_.dialog);
    Loggers->setWindows(windows_.loggerWindow, windows_.dialog);
    firmware_->setConfirmWindow(windows_.confUpgr);
}

void TForm1::setFeedback(zv318::Feedback* feedback) {
    feedback_ = feedback;
    link_.setFeedback(feedback);
    ChannelPlan->resetProcedures();
    Loggers->resetProcedures();
}

zv318::PlanListView& TForm1::planList() {
    return ChannelPlan->planList();
}

// ---- commands ---------------------------------------------------------------------------------

bool TForm1::runCommand(const std::function<void()>& command) {
    {
        // The instrument is held for the whole command; held by another program, nothing runs.
        const zv318::InstrumentHold hold(link_);
        if (hold.refused()) {
            if (feedback_)
                feedback_->showNotice(zv318::InstrumentInUseText(*link_.Refusal(), table_));
            return false;
        }
        if (!runner_->run(command)) return false;
    }
    if (refreshPending_) {
        refreshPending_ = false;
        ConnectionStatus();
    }
    return true;
}

// ---- start-up and shut-down -------------------------------------------------------------------

void TForm1::AlExecutar() {
    BuildLanguageMenu();
    LoadConfiguredLanguage();
    // Numbers are written and read with "." whatever the regional settings say.
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");
    ConnectionStatus();
    if (watcher_) {
        connect(watcher_, &zv318::DeviceWatcher::deviceChanged, this, &TForm1::deviceChangeNotice,
                Qt::UniqueConnection);
        watcher_->start();
    }
    if (!startupArgument().empty() && startIoUpdate) {
        const std::string image = startupArgument();
        runCommand([this, image] { startIoUpdate(image); });
    }
}

void TForm1::FormClose() {
    link_.Close();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A running instrument operation keeps the window (and the handle it works on) alive.
    if (busy()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TForm1::Salir1Click() {
    close();
}

// ---- connection status ------------------------------------------------------------------------

void TForm1::ConnectionStatus() {
    const zv318::InstrumentHold hold(link_);
    if (hold.refused()) {
        // Another program works with the instrument: say who, and look again a little later.
        CStatus->showInUse(zv318::InstrumentInUseText(*link_.Refusal(), table_));
        QTimer::singleShot(kInUseRetryMs, this, &TForm1::deviceChangeNotice);
        return;
    }
    refreshing_ = true;
    zv318::ConnectionInfo info = zv318::ReadConnectionInfo(
        link_, [this](zv318::ConnectionStage stage, const zv318::ConnectionInfo& known) {
            if (!known.found) return;
            switch (stage) {
                case zv318::ConnectionStage::Searched:
                    CStatus->showFound(known.model);
                    break;
                case zv318::ConnectionStage::Serial:
                    CStatus->showSerial(known.serial);
                    serial_ = known.serial;
                    ChannelPlan->instrumentFound();
                    repaintNow();
                    break;
                case zv318::ConnectionStage::Versions:
                    CStatus->showVersions(known.ioVersion, known.zvVersion);
                    repaintNow();
                    CStatus->placeValueLabels();
                    break;
            }
        });
    if (!info.found) {
        CStatus->showNotFound(info.permissionDenied);
        serial_.clear();
        ChannelPlan->instrumentLost();
        Loggers->ClearLoggerList();
    }
    connected_ = info.found;
    refreshing_ = false;
    if (refreshAgain_) {
        refreshAgain_ = false;
        Timer2->start();
    }
    emit connectionStatusRefreshed(info.found);
}

void TForm1::showNotConnected() {
    // Message 7 is about to say so: the status box says the same, before the box opens.
    CStatus->showNotFound(false);
    connected_ = false;
    if (busy()) refreshPending_ = true;
    repaintNow();
}

void TForm1::repaintNow() {
    // Lets the window repaint; input waits until the refresh is over.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TForm1::deviceChangeNotice() {
    // A notice during a refresh may come after the refresh looked: one more follows it.
    if (refreshing_) {
        refreshAgain_ = true;
        return;
    }
    // Starting a timer that already runs would restart it: a burst gives one refresh.
    if (Timer2->isActive()) return;
    Timer2->start();
}

void TForm1::Timer2Timer() {
    Timer2->stop();
    if (refreshing_) {
        refreshAgain_ = true;
        return;
    }
    if (busy()) {
        // The running command owns the handle; the box is refreshed at its end.
        refreshPending_ = true;
        return;
    }
    ConnectionStatus();
}

// ---- languages (BuildLanguageMenu, LoadLanguage and the rest: tform1_languages.cpp) ----------

void TForm1::ApplyTranslation() {
    auto e = [this](int n) { return QString::fromStdString(table_.entry(n)); };

    ChannelPlan->applyTranslation(table_);
    Loggers->applyTranslation(table_);

    zv318::SetMenuCaptions({{Archivo1->menuAction(), e(1)},
                            {Idioma1->menuAction(), e(4)},
                            {Actualizar1->menuAction(), e(5)},
                            {Ayuda1->menuAction(), e(7)}});
    zv318::SetMenuCaptions({{Copiadeseguridad1, e(1095)}, {Restaurarplanes1, e(1096)}, {Salir1, e(2)}});
    zv318::SetMenuCaptions({{Firmware1, e(6)}, {KORVEL521, e(11)}, {Puestaenhora1, e(28)}});
    zv318::SetMenuCaptions({{Contenidos1, e(8)}, {SobreKORVEL52, e(9)}, {SobreControlador, e(10)}});

    CStatus->applyTranslation();
    {
        // Looked for as every other search is: never opened while another program holds it.
        const zv318::InstrumentHold hold(link_);
        if (hold.refused())
            CStatus->showInUse(zv318::InstrumentInUseText(*link_.Refusal(), table_));
        else
            CStatus->setConnexio(link_.IsOpen() || link_.FindInstrument());
    }

    setWindowTitle(e(31));
    PageControl->setTabText(PageControl->indexOf(ChannelPlan), e(115));
    PageControl->setTabText(PageControl->indexOf(Loggers), e(116));

    if (windows_.confUpgr) windows_.confUpgr->applyTranslation(table_);
    if (windows_.updating) windows_.updating->applyTranslation(table_);
    if (windows_.oculta) windows_.oculta->applyTranslation(table_);
    if (windows_.editor) windows_.editor->applyTranslation(table_);
    if (windows_.loggerWindow) windows_.loggerWindow->applyTranslation(table_);
    if (windows_.aboutKorvel) windows_.aboutKorvel->applyTranslation(table_);
    if (windows_.aboutController) windows_.aboutController->applyTranslation(table_);
    Guide->applyTranslation(table_);
    emit translationApplied();
}

// ---- menu commands ----------------------------------------------------------------------------

void TForm1::Firmware1Click() {
    if (firmwareIoUpdate) runCommand(firmwareIoUpdate);
}

void TForm1::KORVEL521Click() {
    if (instrumentUpdate) runCommand(instrumentUpdate);
}

void TForm1::Puestaenhora1Click() {
    if (!feedback_) return;
    std::optional<std::string> set;
    runCommand([this, &set] { set = zv318::Puestaenhora1Click(link_, *feedback_, serial_); });
    if (!set) return;
    // What was set, so that the person sees it worked: the time and the date apart.
    const QString text = QString::fromStdString(*set);
    const QString confirmation = QString::fromStdString(table_.entry(kClockSetText))
                                     .arg(text.section(QLatin1Char('/'), 0, 0),
                                          text.section(QLatin1Char('/'), 1, 1));
    feedback_->showInformation(confirmation.toStdString(), table_.entry(kClockSetCaption));
}

void TForm1::Contenidos1Click() {
    Guide->Open(zv318::kGuideFirstPage);
}

void TForm1::SobreKORVEL52Click() {
    if (windows_.aboutKorvel) windows_.aboutKorvel->exec();
}

void TForm1::SobreControladorClick() {
    if (windows_.aboutController) windows_.aboutController->exec();
}

void TForm1::HiddenCommandClick() {
    if (windows_.oculta) windows_.oculta->exec();
}

void TForm1::HiddenEraseClick() {
    if (!feedback_) return;
    runCommand([this] { zv318::HiddenEraseAction(link_, *feedback_, ChannelPlan->planList()); });
}

// ---- backup and restore ---------------------------------------------------------------------

void TForm1::Copiadeseguridad1Click() {
    backup_->Copiadeseguridad1Click();
}

void TForm1::Restaurarplanes1Click() {
    backup_->Restaurarplanes1Click();
}
