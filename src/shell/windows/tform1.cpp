#include "shell/windows/tform1.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <clocale>

#include "firmware/firmware_update.h"
#include "firmware/windows/conf_upgr.h"
#include "firmware/windows/updating_form.h"
#include "link/device_watcher.h"
#include "loggers/logger_procedures.h"
#include "loggers/windows/logger_table_widget.h"
#include "loggers/windows/logger_window.h"
#include "plans/plan_editor.h"
#include "loggers/windows/paper_printer.h"
#include "plans/plan_procedures.h"
#include "plans/windows/editor.h"
#include "shell/clock.h"
#include "texts/language_file.h"
#include "shell/service.h"
#include "shell/startup.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"
#include "shell/windows/about_windows.h"
#include "shell/windows/oculta.h"
#include "shell/windows/plan_list_widget.h"
#include "backup/backup.h"

namespace {

constexpr int kClientWidth = 800;
constexpr int kClientHeight = 546;
constexpr int kMonitorDelayMs = 1200;
constexpr int kValueGap = 3;  // pixels between a status caption and its value

const QColor kConnectedColour(Qt::blue);
const QColor kNotConnectedColour(Qt::red);
const QColor kValueColour(0x00, 0x00, 0x80);  // navy

QString Text(const std::string& s) { return QString::fromStdString(s); }

// Data the instrument sends may be in its own code page: shown decoded.
QString InstrumentText(const std::string& s) {
    return QString::fromStdString(zv318::DecodeUtf8OrWindows1252(s));
}

// A menu caption with a keyboard mnemonic: "&" in the text itself is doubled, then the first
// letter or digit not yet taken in the same menu gets the "&".
QString WithMnemonic(const QString& text, QString& taken) {
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
    for (int i = 0; i < escaped.size(); ++i) {
        QChar c = escaped.at(i);
        if (c == QLatin1Char('&')) {
            ++i;  // skip the doubled "&"
            continue;
        }
        if (!c.isLetterOrNumber()) continue;
        QChar key = c.toLower();
        if (taken.contains(key)) continue;
        taken.append(key);
        escaped.insert(i, QLatin1Char('&'));
        return escaped;
    }
    return escaped;
}

QLabel* MakeLabel(const QString& objectName, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    return label;
}

QPushButton* MakeButton(const QString& objectName, const QString& text, QWidget* parent,
                        const QRect& geometry) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setGeometry(geometry);
    return button;
}

}  // namespace

TForm1::TForm1(zv318::Link& link, zv318::ProgramFolders folders, QWidget* parent)
    : QMainWindow(parent), link_(link), folders_(std::move(folders)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ZV-318 Software (BETA)"));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    buildHeader(client);
    buildStatusBox(client);

    PageControl = new QTabWidget(client);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->setGeometry(266, 46, 526, 492);
    buildChannelPlanPage();
    buildLoggersPage();
    buildMenus();
    setTabOrder();

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setSingleShot(true);
    Timer2->setInterval(kMonitorDelayMs);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);

    planList_ = std::make_unique<zv318::LlistaPlanList>(*Llista, [this] {
        setCommandEnabled(Llista, true);
        setCommandEnabled(DelSelBut, true);
        setCommandEnabled(LoadBut, true);
    });

    // Fixed border: the window is exactly as large as its menu bar and client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    startIoUpdate = [this](const std::string&) { Actualitzar(); };
    firmwareIoUpdate = [this] { Actualitzar(); };
    instrumentUpdate = [this] { ActualitzarZV318(); };
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

    Logo = MakeLabel(QStringLiteral("Logo"), QString(), Panel1);
    Logo->setGeometry(6, 2, 160, 36);
    loadPicture(Logo, folders_.data / "Images" / "logo.bmp");

    Bandera = MakeLabel(QStringLiteral("Bandera"), QString(), Panel1);
    Bandera->setGeometry(kClientWidth - 48 - 8, 5, 48, 30);
}

void TForm1::buildStatusBox(QWidget* client) {
    CStatus = new QGroupBox(QStringLiteral("ZV-318 USB CONNECTION STATUS"), client);
    CStatus->setObjectName(QStringLiteral("CStatus"));
    CStatus->setGeometry(8, 46, 250, 492);

    Connexio = MakeLabel(QStringLiteral("Connexio"), QStringLiteral("Connection ??"), CStatus);
    QFont big = Connexio->font();
    big.setBold(true);
    big.setPixelSize(16);
    Connexio->setFont(big);
    Connexio->setAlignment(Qt::AlignCenter);
    Connexio->setGeometry(8, 28, 234, 24);

    Usb = MakeLabel(QStringLiteral("Usb"), QString(), CStatus);
    Usb->setGeometry((250 - 64) / 2, 60, 64, 40);

    QFont valueFont = font();
    valueFont.setBold(true);
    QPalette valuePalette = palette();
    valuePalette.setColor(QPalette::WindowText, kValueColour);

    struct Pair {
        QLabel*& caption;
        QLabel*& value;
        const char* captionName;
        const char* valueName;
        const char* text;
    };
    Pair pairs[] = {
        {Model, Mod, "Model", "Mod", "Model: "},
        {SNumber, SN, "SNumber", "SN", "Serial Number:"},
        {IOVersion, IOV, "IOVersion", "IOV", "IO Interface Version:"},
        {ZVVersion, ZVV, "ZVVersion", "ZVV", "ZV-318 Version:"},
    };
    int y = 120;
    for (Pair& p : pairs) {
        p.caption = MakeLabel(QLatin1String(p.captionName), QLatin1String(p.text), CStatus);
        p.caption->move(10, y);
        p.caption->adjustSize();
        p.value = MakeLabel(QLatin1String(p.valueName), QString(), CStatus);
        p.value->setFont(valueFont);
        p.value->setPalette(valuePalette);
        p.value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        p.value->move(p.caption->x() + p.caption->width() + kValueGap, y);
        y += 26;
    }

    PermissionHint = MakeLabel(QStringLiteral("PermissionHint"), QString(), CStatus);
    PermissionHint->setWordWrap(true);
    PermissionHint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    PermissionHint->setGeometry(10, y + 8, 230, 492 - (y + 8) - 10);
    PermissionHint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PermissionHint->hide();

    // The instrument itself, in the room below the values (the hint takes it when shown).
    InstrumentPicture = MakeLabel(QStringLiteral("InstrumentPicture"), QString(), CStatus);
    InstrumentPicture->setGeometry((250 - 120) / 2, 492 - 160 - 16, 120, 160);
    loadPicture(InstrumentPicture, folders_.data / "Images" / "instrument.bmp");
}

void TForm1::buildChannelPlanPage() {
    ChannelPlan = new QWidget;
    ChannelPlan->setObjectName(QStringLiteral("ChannelPlan"));
    PageControl->addTab(ChannelPlan, QStringLiteral("ChannelPlan"));

    ListLabel = MakeLabel(QStringLiteral("ListLabel"), QStringLiteral("Equipment's channel plans"),
                          ChannelPlan);
    ListLabel->setGeometry(10, 6, 250, 18);

    Llista = new QListWidget(ChannelPlan);
    Llista->setObjectName(QStringLiteral("Llista"));
    Llista->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Llista->setGeometry(10, 26, 250, 422);
    ListLabel->setBuddy(Llista);

    const int x = 272, w = 238, h = 30;
    ReceiveBut = MakeButton(QStringLiteral("ReceiveBut"),
                            QStringLiteral("Read equipment's channel plans"), ChannelPlan,
                            {x, 26, w, h});
    LoadBut = MakeButton(QStringLiteral("LoadBut"), QStringLiteral("Load channel plan"),
                         ChannelPlan, {x, 62, w, h});
    DelSelBut = MakeButton(QStringLiteral("DelSelBut"),
                           QStringLiteral("Delete selected channel plans"), ChannelPlan,
                           {x, 98, w, h});
    EditBut = MakeButton(QStringLiteral("EditBut"), QStringLiteral("Edit channel plan"),
                         ChannelPlan, {x, 154, w, h});
    NewRBut = MakeButton(QStringLiteral("NewRBut"), QStringLiteral("New RADIO channel plan"),
                         ChannelPlan, {x, 190, w, h});
    NewPBut = MakeButton(QStringLiteral("NewPBut"), QStringLiteral("New PLC channel plan"),
                         ChannelPlan, {x, 226, w, h});

    VersioControllerLabel = MakeLabel(QStringLiteral("VersioControllerLabel"), QString(),
                                      ChannelPlan);
    VersioControllerLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    VersioControllerLabel->setGeometry(x, 430, w, 18);

    connect(ReceiveBut, &QPushButton::clicked, this, &TForm1::ReceiveButClick);
    connect(LoadBut, &QPushButton::clicked, this, &TForm1::LoadButClick);
    connect(DelSelBut, &QPushButton::clicked, this, &TForm1::DelSelButClick);
    connect(EditBut, &QPushButton::clicked, this, &TForm1::EditButClick);
    connect(NewRBut, &QPushButton::clicked, this, &TForm1::NewRButClick);
    connect(NewPBut, &QPushButton::clicked, this, &TForm1::NewPButClick);
    connect(Llista, &QListWidget::itemDoubleClicked, this, &TForm1::LlistaDblClick);

    for (QWidget* w : {static_cast<QWidget*>(ReceiveBut), static_cast<QWidget*>(EditBut),
                       static_cast<QWidget*>(NewRBut), static_cast<QWidget*>(NewPBut)})
        setCommandEnabled(w, true);
    for (QWidget* w : {static_cast<QWidget*>(Llista), static_cast<QWidget*>(DelSelBut),
                       static_cast<QWidget*>(LoadBut)})
        setCommandEnabled(w, false);
}

void TForm1::buildLoggersPage() {
    Loggers = new QWidget;
    Loggers->setObjectName(QStringLiteral("Loggers"));
    PageControl->addTab(Loggers, QStringLiteral("Loggers"));

    Label3 = MakeLabel(QStringLiteral("Label3"), QString(), Loggers);
    Label3->setGeometry(10, 6, 280, 18);

    Panel3 = new QFrame(Loggers);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel3->setLineWidth(1);
    Panel3->setGeometry(10, 26, 433, 321);

    // Its rows, headings and widths: setUpLoggerTab.
    LoggerIndex = new QTableWidget(Panel3);
    LoggerIndex->setObjectName(QStringLiteral("LoggerIndex"));
    LoggerIndex->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LoggerIndex->setSelectionMode(QAbstractItemView::SingleSelection);
    LoggerIndex->setSelectionBehavior(QAbstractItemView::SelectItems);
    LoggerIndex->setWordWrap(false);
    LoggerIndex->setFrameShape(QFrame::NoFrame);
    LoggerIndex->viewport()->setCursor(Qt::PointingHandCursor);
    LoggerIndex->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Label3->setBuddy(LoggerIndex);

    // Receiving and opening on the left, printing and saving on the right.
    const int x1 = 10, x2 = 262, w = 248, h = 30;
    const int y1 = 353, y2 = 386, y3 = 419;
    ReceiveRLogBut = MakeButton(QStringLiteral("ReceiveRLogBut"),
                                QStringLiteral("Receive RADIO loggers"), Loggers, {x1, y1, w, h});
    ReceivePLogBut = MakeButton(QStringLiteral("ReceivePLogBut"),
                                QStringLiteral("Receive PLC loggers"), Loggers, {x1, y2, w, h});
    OpenLogBut = MakeButton(QStringLiteral("OpenLogBut"), QStringLiteral("Open logger"), Loggers,
                            {x1, y3, w, h});
    PrintSelBut = MakeButton(QStringLiteral("PrintSelBut"),
                             QStringLiteral("Print selected loggers"), Loggers, {x2, y1, w, h});
    SaveLogAsBut = MakeButton(QStringLiteral("SaveLogAsBut"), QStringLiteral("Save loggers as"),
                              Loggers, {x2, y2, w, h});
    SaveLogBut = MakeButton(QStringLiteral("SaveLogBut"), QStringLiteral("Save loggers"),
                            Loggers, {x2, y3, w, h});

    VersioControllerLabel2 = MakeLabel(QStringLiteral("VersioControllerLabel2"), QString(),
                                       Loggers);
    VersioControllerLabel2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    VersioControllerLabel2->setGeometry(x2, 6, w, 18);

    for (QWidget* w : {static_cast<QWidget*>(LoggerIndex), static_cast<QWidget*>(ReceiveRLogBut),
                       static_cast<QWidget*>(ReceivePLogBut), static_cast<QWidget*>(OpenLogBut)})
        setCommandEnabled(w, true);
    for (QWidget* w : {static_cast<QWidget*>(PrintSelBut), static_cast<QWidget*>(SaveLogAsBut),
                       static_cast<QWidget*>(SaveLogBut)})
        setCommandEnabled(w, false);
    setUpLoggerTab();
}

void TForm1::buildMenus() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    auto action = [this](QMenu* menu, const char* name, const char* text) {
        QAction* a = menu->addAction(QString::fromUtf8(text));
        a->setObjectName(QLatin1String(name));
        return a;
    };

    Archivo1 = MainMenu1->addMenu(QStringLiteral("&Archivo"));
    Archivo1->setObjectName(QStringLiteral("Archivo1"));
    Copiadeseguridad1 = action(Archivo1, "Copiadeseguridad1", "Copia de seguridad…");
    Restaurarplanes1 = action(Archivo1, "Restaurarplanes1", "Restaurar planes…");
    Archivo1->addSeparator();
    Salir1 = action(Archivo1, "Salir1", "&Salir");

    Idioma1 = MainMenu1->addMenu(QStringLiteral("&Idioma"));
    Idioma1->setObjectName(QStringLiteral("Idioma1"));

    Actualizar1 = MainMenu1->addMenu(QStringLiteral("A&ctualizar"));
    Actualizar1->setObjectName(QStringLiteral("Actualizar1"));
    Firmware1 = action(Actualizar1, "Firmware1", "&IO Interface");
    KORVEL521 = action(Actualizar1, "KORVEL521", "&ZV-318");
    Puestaenhora1 = action(Actualizar1, "Puestaenhora1", "&Puesta en hora");

    Ayuda1 = MainMenu1->addMenu(QStringLiteral("A&yuda"));
    Ayuda1->setObjectName(QStringLiteral("Ayuda1"));
    Contenidos1 = action(Ayuda1, "Contenidos1", "&Contenidos");
    Contenidos1->setEnabled(false);
    SobreKORVEL52 = action(Ayuda1, "SobreKORVEL52", "Sobre &KORVEL");
    SobreControlador = action(Ayuda1, "SobreControlador", "Sobre &este controlador");

    connect(Copiadeseguridad1, &QAction::triggered, this, &TForm1::Copiadeseguridad1Click);
    connect(Restaurarplanes1, &QAction::triggered, this, &TForm1::Restaurarplanes1Click);
    connect(Salir1, &QAction::triggered, this, &TForm1::Salir1Click);
    connect(Firmware1, &QAction::triggered, this, &TForm1::Firmware1Click);
    connect(KORVEL521, &QAction::triggered, this, &TForm1::KORVEL521Click);
    connect(Puestaenhora1, &QAction::triggered, this, &TForm1::Puestaenhora1Click);
    connect(SobreKORVEL52, &QAction::triggered, this, &TForm1::SobreKORVEL52Click);
    connect(SobreControlador, &QAction::triggered, this, &TForm1::SobreControladorClick);
}

void TForm1::setTabOrder() {
    QWidget* order[] = {PageControl,    Llista,         ReceiveBut,  LoadBut,
                        DelSelBut,      EditBut,        NewRBut,     NewPBut,
                        LoggerIndex,    ReceiveRLogBut, ReceivePLogBut, OpenLogBut,
                        PrintSelBut,    SaveLogAsBut,   SaveLogBut};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
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
}

void TForm1::setFeedback(zv318::Feedback* feedback) {
    feedback_ = feedback;
    link_.setFeedback(feedback);
    planProcedures_.reset();
    loggerProcedures_.reset();
}

zv318::PlanListView& TForm1::planList() { return *planList_; }

zv318::PlanProcedures* TForm1::planProcedures() {
    if (!feedback_) return nullptr;
    if (!planProcedures_)
        planProcedures_ = std::make_unique<zv318::PlanProcedures>(link_, *feedback_, table_,
                                                                  *planList_, folders_.user);
    return planProcedures_.get();
}

// ---- commands ---------------------------------------------------------------------------------

bool TForm1::runCommand(const std::function<void()>& command) {
    if (busy_ || !command) return false;
    busy_ = true;
    applyCommandStates();
    auto end = [this] {
        busy_ = false;
        applyCommandStates();
    };
    try {
        command();
    } catch (...) {
        end();
        throw;
    }
    end();
    if (refreshPending_) {
        refreshPending_ = false;
        ConnectionStatus();
    }
    return true;
}

void TForm1::setCommandEnabled(QWidget* control, bool enabled) {
    if (!control) return;
    if (wanted_.emplace(control, enabled).second) control->installEventFilter(this);
    wanted_[control] = enabled;
    applying_ = true;
    control->setEnabled(enabled && !busy_);
    applying_ = false;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !applying_) {
        auto* control = qobject_cast<QWidget*>(watched);
        auto it = control ? wanted_.find(control) : wanted_.end();
        if (it != wanted_.end()) {
            it->second = !control->testAttribute(Qt::WA_Disabled);
            if (busy_ && it->second) {
                applying_ = true;
                control->setEnabled(false);
                applying_ = false;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TForm1::commandEnabled(QWidget* control) const {
    auto it = wanted_.find(control);
    return it != wanted_.end() && it->second;
}

void TForm1::applyCommandStates() {
    applying_ = true;
    for (auto& [control, enabled] : wanted_) control->setEnabled(enabled && !busy_);
    applying_ = false;
    for (QMenu* menu : {Archivo1, Idioma1, Actualizar1, Ayuda1})
        menu->menuAction()->setEnabled(!busy_);
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
        connect(watcher_, &zv318::DeviceWatcher::deviceChanged, this,
                &TForm1::deviceChangeNotice, Qt::UniqueConnection);
        watcher_->start();
    }
    if (!startupArgument_.empty() && startIoUpdate) {
        const std::string image = startupArgument_;
        runCommand([this, image] { startIoUpdate(image); });
    }
}

void TForm1::FormClose() { link_.Close(); }

void TForm1::closeEvent(QCloseEvent* event) {
    // A running instrument operation keeps the window (and the handle it works on) alive.
    if (busy_) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TForm1::Salir1Click() { close(); }

// ---- connection status ------------------------------------------------------------------------

void TForm1::ConnectionStatus() {
    refreshing_ = true;
    zv318::ConnectionInfo info = zv318::ReadConnectionInfo(
        link_, [this](zv318::ConnectionStage stage, const zv318::ConnectionInfo& known) {
            if (!known.found) return;
            switch (stage) {
                case zv318::ConnectionStage::Searched:
                    PermissionHint->hide();
                    InstrumentPicture->show();
                    loadPicture(Usb, folders_.data / "Images" / "usb.bmp");
                    setConnexio(true);
                    Model->setEnabled(true);
                    Mod->setText(InstrumentText(known.model));
                    break;
                case zv318::ConnectionStage::Serial:
                    SNumber->setEnabled(true);
                    SN->setText(InstrumentText(known.serial));
                    serial_ = known.serial;
                    setCommandEnabled(ReceiveBut, true);
                    repaintNow();
                    break;
                case zv318::ConnectionStage::Versions:
                    IOVersion->setEnabled(true);
                    ZVVersion->setEnabled(true);
                    IOV->setText(InstrumentText(known.ioVersion));
                    ZVV->setText(InstrumentText(known.zvVersion));
                    repaintNow();
                    placeValueLabels();
                    break;
            }
        });
    if (!info.found) showNotFoundState(info.permissionDenied);
    connected_ = info.found;
    refreshing_ = false;
    if (refreshAgain_) {
        refreshAgain_ = false;
        Timer2->start();
    }
    emit connectionStatusRefreshed(info.found);
}

void TForm1::showNotFoundState(bool permissionDenied) {
    loadPicture(Usb, folders_.data / "Images" / "Nousb.bmp");
    setConnexio(false);
    for (QLabel* value : {Mod, SN, IOV, ZVV}) value->clear();
    serial_.clear();
    for (QLabel* caption : {Model, SNumber, IOVersion, ZVVersion}) caption->setEnabled(false);
    for (QWidget* control : {static_cast<QWidget*>(ReceiveBut), static_cast<QWidget*>(DelSelBut),
                             static_cast<QWidget*>(LoadBut), static_cast<QWidget*>(Llista)})
        setCommandEnabled(control, false);
    Llista->clear();
    ClearLoggerList();

    if (permissionDenied) PermissionHint->setText(Text(zv318::PermissionHint()));
    PermissionHint->setVisible(permissionDenied);
    InstrumentPicture->setVisible(!permissionDenied);
}

void TForm1::setConnexio(bool found) {
    Connexio->setText(Text(table_.entry(zv318::ConnectionCaptionEntry(found))));
    QPalette p = Connexio->palette();
    p.setColor(QPalette::WindowText, found ? kConnectedColour : kNotConnectedColour);
    Connexio->setPalette(p);
}

void TForm1::placeValueLabels() {
    const std::pair<QLabel*, QLabel*> pairs[] = {
        {Model, Mod}, {SNumber, SN}, {IOVersion, IOV}, {ZVVersion, ZVV}};
    for (auto [caption, value] : pairs) {
        caption->adjustSize();
        value->adjustSize();
        value->move(caption->x() + caption->width() + kValueGap, caption->y());
    }
}

void TForm1::loadPicture(QLabel* target, const std::filesystem::path& file) {
    // A missing or unreadable picture leaves the control empty; the program goes on.
    QPixmap picture;
    if (picture.load(zv318::QStringFromPath(file))) target->setPixmap(picture);
    else target->clear();
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
    if (busy_) {
        // The running command owns the handle; the box is refreshed at its end.
        refreshPending_ = true;
        return;
    }
    ConnectionStatus();
}

// ---- languages --------------------------------------------------------------------------------

void TForm1::BuildLanguageMenu() {
    Idioma1->clear();
    delete languageGroup_;
    languageGroup_ = new QActionGroup(this);
    languageGroup_->setExclusive(true);
    std::vector<std::string> names = zv318::ListLanguages(folders_);
    for (std::size_t i = 0; i < names.size(); ++i) {
        QAction* item = Idioma1->addAction(Text(zv318::LanguageItemCaption(names[i])));
        item->setObjectName(QStringLiteral("Language_") + Text(names[i]));
        item->setCheckable(true);
        item->setData(static_cast<int>(i));
        item->setChecked(names[i] == currentLanguage_);
        languageGroup_->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { LanguageItemClick(item); });
    }
}

void TForm1::LanguageItemClick(QAction* item) {
    if (!item) return;
    currentLanguage_ = zv318::LanguageNameFromCaption(item->text().toStdString());
    LoadLanguage();
    if (!zv318::WriteConfigLanguage(folders_, currentLanguage_) && feedback_)
        feedback_->showMessage(18);
}

void TForm1::LoadConfiguredLanguage() {
    currentLanguage_ = zv318::ConfiguredLanguage(folders_);
    LoadLanguage();
}

void TForm1::LoadLanguage() {
    // The default language under the chosen one: the window is never without its texts, and
    // message 4 itself reads in the default language.
    zv318::LanguageLoad load =
        zv318::ReadLanguageOverDefault(folders_, currentLanguage_, table_);
    if (!load.notice.empty() && feedback_) feedback_->showNotice(load.notice);
    ApplyTranslation();
    if (!load.opened && feedback_) feedback_->showMessage(4);

    QPixmap flag;
    if (flag.load(zv318::QStringFromPath(zv318::FlagPath(folders_, currentLanguage_)))) {
        Bandera->setPixmap(flag);
    } else {
        loadPicture(Bandera, zv318::FlagPath(folders_, "NoLanguage"));
        if (feedback_) feedback_->showMessage(3);
    }

    if (languageGroup_) {
        for (QAction* item : languageGroup_->actions())
            item->setChecked(zv318::LanguageNameFromCaption(item->text().toStdString()) ==
                             currentLanguage_);
    }
}

void TForm1::ApplyTranslation() {
    auto e = [this](int n) { return Text(table_.entry(n)); };

    const QString version = QString::fromLatin1(zv318::kSoftwareVersionText);
    VersioControllerLabel->setText(version);
    VersioControllerLabel2->setText(version);

    QString topTaken;
    Archivo1->setTitle(WithMnemonic(e(1), topTaken));
    QString fileTaken;
    Copiadeseguridad1->setText(WithMnemonic(e(1095), fileTaken));
    Restaurarplanes1->setText(WithMnemonic(e(1096), fileTaken));
    Salir1->setText(WithMnemonic(e(2), fileTaken));
    Idioma1->setTitle(WithMnemonic(e(4), topTaken));
    Actualizar1->setTitle(WithMnemonic(e(5), topTaken));
    QString updateTaken;
    Firmware1->setText(WithMnemonic(e(6), updateTaken));
    KORVEL521->setText(WithMnemonic(e(11), updateTaken));
    Puestaenhora1->setText(WithMnemonic(e(28), updateTaken));
    Ayuda1->setTitle(WithMnemonic(e(7), topTaken));
    QString helpTaken;
    Contenidos1->setText(WithMnemonic(e(8), helpTaken));
    SobreKORVEL52->setText(WithMnemonic(e(9), helpTaken));
    SobreControlador->setText(WithMnemonic(e(10), helpTaken));

    Model->setText(e(16));
    SNumber->setText(e(17));
    IOVersion->setText(e(18));
    ZVVersion->setText(e(32));
    CStatus->setTitle(e(19));
    placeValueLabels();

    setConnexio(link_.FindInstrument());

    setWindowTitle(e(31));
    Label3->setText(e(72));
    PageControl->setTabText(PageControl->indexOf(ChannelPlan), e(115));
    PageControl->setTabText(PageControl->indexOf(Loggers), e(116));
    ReceiveBut->setText(e(41));
    DelSelBut->setText(e(42));
    LoadBut->setText(e(44));
    EditBut->setText(e(93));
    NewRBut->setText(e(94));
    NewPBut->setText(e(91));
    ListLabel->setText(e(77));
    ReceiveRLogBut->setText(e(114));
    ReceivePLogBut->setText(e(128));
    PrintSelBut->setText(e(123));
    OpenLogBut->setText(e(119));
    SaveLogAsBut->setText(e(125));
    SaveLogBut->setText(e(30));
    zv318::SetLoggerHeadings(*LoggerIndex, {e(20), e(21), e(22), e(23)});

    if (windows_.confUpgr) windows_.confUpgr->applyTranslation(table_);
    if (windows_.updating) windows_.updating->applyTranslation(table_);
    if (windows_.oculta) windows_.oculta->applyTranslation(table_);
    if (windows_.editor) windows_.editor->applyTranslation(table_);
    if (windows_.loggerWindow) windows_.loggerWindow->applyTranslation(table_);
    if (windows_.aboutKorvel) windows_.aboutKorvel->applyTranslation(table_);
    if (windows_.aboutController) windows_.aboutController->applyTranslation(table_);
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
    runCommand([this] { zv318::Puestaenhora1Click(link_, *feedback_, serial_); });
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
    runCommand([this] { zv318::HiddenEraseAction(link_, *feedback_, *planList_); });
}

// ---- backup and restore ---------------------------------------------------------------------

void TForm1::Copiadeseguridad1Click() {
    if (!feedback_) return;
    runCommand([this] {
        zv318::FileRequest request;
        request.kind = zv318::FileRequest::BackupFolder;
        request.startFolder = zv318::PathToText(folders_.user);
        const std::optional<std::string> dir = feedback_->chooseFile(request);
        if (!dir) return;
        zv318::InstrumentBackup backup(link_, *feedback_, table_);
        (void)backup.Backup(zv318::PathFromText(*dir));
    });
}

void TForm1::Restaurarplanes1Click() {
    zv318::PlanProcedures* plans = planProcedures();
    if (!plans) return;
    runCommand([this, plans] {
        zv318::FileRequest request;
        request.kind = zv318::FileRequest::RestoreFolder;
        request.startFolder = zv318::PathToText(folders_.user);
        const std::optional<std::string> folder = feedback_->chooseFile(request);
        if (!folder) return;
        // The main window's own plan procedures: the list shows the plans read back.
        zv318::InstrumentBackup backup(link_, *feedback_, table_);
        (void)backup.RestorePlans(zv318::PathFromText(*folder), *plans, *planList_);
    });
}

// ---- firmware updates -------------------------------------------------------------------------

void TForm1::Actualitzar() { runFirmwareUpdate(true); }

void TForm1::ActualitzarZV318() { runFirmwareUpdate(false); }

void TForm1::runFirmwareUpdate(bool ioInterface) {
    if (!feedback_) return;
    static zv318::ThreadSleeper threadSleeper;
    zv318::FirmwareUpdate update(link_, *feedback_, table_, folders_.data,
                                 firmwareSleeper_ ? *firmwareSleeper_ : threadSleeper);
    update.startupArgument = startupArgument_;
    update.dialogFile = firmwareDialogFile_;
    update.confirm = [this, &update](const zv318::UpdateQuestion& question) {
        return confirmUpdate(question, update);
    };
    if (ioInterface)
        (void)update.Actualitzar(IOV->text().toStdString());
    else
        (void)update.ActualitzarZV318(ZVV->text().toStdString());
    startupArgument_ = update.startupArgument;
    firmwareDialogFile_ = update.dialogFile;
    if (windows_.confUpgr)
        windows_.confUpgr->setStartupArgument(zv318::QStringFromPath(startupArgument_));
}

bool TForm1::confirmUpdate(const zv318::UpdateQuestion& question,
                           const zv318::FirmwareUpdate& update) {
    TConfUpgr* dialog = windows_.confUpgr;
    if (!dialog) return feedback_->askYesNo(question.questionEntry, 33);
    dialog->Confirm->setText(Text(table_.entry(question.questionEntry)));
    dialog->VersioActual->setText(Text(question.currentVersion));
    dialog->setStartupArgument(zv318::QStringFromPath(update.startupArgument));
    dialog->setDialogFile(zv318::QStringFromPath(update.dialogFile));
    return dialog->exec() == QDialog::Accepted;
}

// ---- channel plan commands --------------------------------------------------------------------

void TForm1::ReceiveButClick() {
    if (zv318::PlanProcedures* plans = planProcedures())
        runCommand([plans] { plans->ReceiveButClick(); });
}

void TForm1::LoadButClick() {
    if (zv318::PlanProcedures* plans = planProcedures())
        runCommand([plans] { plans->LoadButClick(); });
}

void TForm1::DelSelButClick() {
    if (zv318::PlanProcedures* plans = planProcedures())
        runCommand([plans] { plans->DelSelButClick(); });
}

// ---- the channel plan editor ------------------------------------------------------------------

TEditor* TForm1::planEditor() {
    if (!windows_.editor || !feedback_) return nullptr;
    if (!planFiles_) {
        planFiles_ = std::make_unique<zv318::PlanFiles>(*feedback_, *planList_, folders_.user);
        windows_.editor->attach(*feedback_, *planFiles_, windows_.dialog);
    }
    return windows_.editor;
}

void TForm1::EditButClick() {
    if (TEditor* editor = planEditor())
        if (editor->OpenChannelPlanFile(-1) == zv318::kPlanRead) editor->ShowModally();
}

void TForm1::NewRButClick() {
    if (TEditor* editor = planEditor()) editor->NewChannelPlan(false, true);
}

void TForm1::NewPButClick() {
    if (TEditor* editor = planEditor()) editor->NewChannelPlan(false, false);
}

void TForm1::LlistaDblClick() {
    TEditor* editor = planEditor();
    if (!editor) return;
    std::optional<int> position;
    runCommand([this, &position] { position = zv318::PlanToEdit(link_, *feedback_, *planList_); });
    if (!position) return;
    // Only a copy the latest reading wrote whole stands for the plan in the instrument; an
    // older or cut-short copy is never opened as if it did.
    zv318::PlanProcedures* plans = planProcedures();
    if (!plans || !plans->LatestReadingCopy(*position)) {
        feedback_->showMessage(zv318::kOutdatedCopyMessage);
        return;
    }
    if (editor->OpenChannelPlanFile(*position) == zv318::kPlanRead) editor->ShowModally();
}

void TForm1::EditPlanFile(const std::filesystem::path& file) {
    if (TEditor* editor = planEditor())
        if (editor->OpenPlanFile(file) == zv318::kPlanRead) editor->ShowModally();
}

// ---- the "Loggers" tab --------------------------------------------------------------------------

void TForm1::setUpLoggerTab() {
    // The grid fills its panel, as wide as the button block below it.
    Panel3->setGeometry(10, 26, 500, 321);
    LoggerIndex->setGeometry(1, 1, Panel3->width() - 2, Panel3->height() - 2);
    zv318::SetUpLoggerGrid(*LoggerIndex);
    auto* events = new zv318::LoggerGridEvents(*LoggerIndex);
    connect(events, &zv318::LoggerGridEvents::released, this, &TForm1::LoggerIndexMouseUp);
    connect(events, &zv318::LoggerGridEvents::doubleClicked, this, &TForm1::LoggerIndexDblClick);
    connect(ReceiveRLogBut, &QPushButton::clicked, this, &TForm1::ReceiveRLogButClick);
    connect(ReceivePLogBut, &QPushButton::clicked, this, &TForm1::ReceivePLogButClick);
    connect(OpenLogBut, &QPushButton::clicked, this, &TForm1::OpenLogButClick);
    connect(SaveLogBut, &QPushButton::clicked, this, &TForm1::SaveLogButClick);
    connect(SaveLogAsBut, &QPushButton::clicked, this, &TForm1::SaveLogAsButClick);
    connect(PrintSelBut, &QPushButton::clicked, this, &TForm1::PrintSelButClick);
}

zv318::LoggerProcedures* TForm1::loggerProcedures() {
    if (!feedback_) return nullptr;
    if (!loggerProcedures_)
        loggerProcedures_ = std::make_unique<zv318::LoggerProcedures>(link_, *feedback_, table_,
                                                                      folders_.user);
    return loggerProcedures_.get();
}

void TForm1::ClearLoggerList() {
    if (zv318::LoggerProcedures* loggers = loggerProcedures()) loggers->table().ClearLoggerList();
    ListLoggers();
}

void TForm1::ListLoggers() {
    zv318::LoggerProcedures* loggers = loggerProcedures();
    if (!loggers) return;
    zv318::ShowLoggerTable(*LoggerIndex, loggers->table());
    const bool listed = loggers->table().listingCommandsEnabled();
    for (QWidget* w : {static_cast<QWidget*>(PrintSelBut), static_cast<QWidget*>(SaveLogAsBut),
                       static_cast<QWidget*>(SaveLogBut)})
        setCommandEnabled(w, listed);
}

void TForm1::receiveLoggers(int type) {
    zv318::LoggerProcedures* loggers = loggerProcedures();
    if (!loggers) return;
    runCommand([this, loggers, type] {
        // The emptied table shows while the index is read.
        loggers->table().ClearLoggerList();
        ListLoggers();
        repaintNow();
        loggers->ReceiveLoggers(type);
        ListLoggers();
    });
}

void TForm1::ReceiveRLogButClick() { receiveLoggers(zv318::kRadioLogger); }

void TForm1::ReceivePLogButClick() { receiveLoggers(zv318::kPlcLogger); }

void TForm1::OpenLogButClick() {
    zv318::LoggerProcedures* loggers = loggerProcedures();
    if (loggers && loggers->LoadLogger(-1) == zv318::kLoggerFileRead) showLoggerViewer();
}

void TForm1::LoggerIndexMouseUp(int column, int row, bool leftButton) {
    zv318::LoggerProcedures* loggers = loggerProcedures();
    if (loggers && loggers->table().LoggerIndexMouseUp(column, row, leftButton)) ListLoggers();
}

void TForm1::LoggerIndexDblClick() {
    zv318::LoggerProcedures* loggers = loggerProcedures();
    if (!loggers || busy_) return;
    int result = 0;
    runCommand([loggers, &result] { result = loggers->LoggerIndexDblClick(); });
    if (result == zv318::kLoggerLoaded) showLoggerViewer();
}

void TForm1::SaveLogButClick() {
    if (zv318::LoggerProcedures* loggers = loggerProcedures())
        runCommand([loggers] { loggers->SaveLogButClick(); });
}

void TForm1::SaveLogAsButClick() {
    if (zv318::LoggerProcedures* loggers = loggerProcedures())
        runCommand([loggers] { loggers->SaveLogAsButClick(); });
}

void TForm1::PrintSelButClick() {
    zv318::LoggerProcedures* loggers = loggerProcedures();
    if (!loggers) return;
    runCommand([this, loggers] {
        zv318::PaperLoggerPrinter paper(this);
        loggers->PrintSelButClick(loggerPrinter ? *loggerPrinter : paper);
    });
}

void TForm1::showLoggerViewer() {
    TZVLoggerWindow* viewer = windows_.loggerWindow;
    zv318::LoggerProcedures* loggers = loggerProcedures();
    if (!viewer || !loggers) return;
    viewer->setProcedures(loggers, windows_.dialog, &table_);
    viewer->ShowLogger(loggers->logger());
    viewer->exec();
}
