#include "loggers/windows/loggers_page.h"
#include "texts/menu_caption.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <tuple>

#include "link/feedback.h"
#include "link/link.h"
#include "loggers/logger_procedures.h"
#include "loggers/windows/logger_table_widget.h"
#include "loggers/windows/logger_window.h"
#include "loggers/windows/paper_printer.h"
#include "texts/version.h"
#include "texts/windows/window_growth.h"

TLoggersPage::TLoggersPage(zv318::PageHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName(QStringLiteral("Loggers"));

    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(10, 6, 280, 18);

    // The grid fills its panel, as wide as the button block below it.
    Panel3 = new QFrame(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel3->setLineWidth(1);
    Panel3->setGeometry(10, 26, 500, 321);

    LoggerIndex = new QTableWidget(Panel3);
    LoggerIndex->setObjectName(QStringLiteral("LoggerIndex"));
    LoggerIndex->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LoggerIndex->setSelectionMode(QAbstractItemView::SingleSelection);
    LoggerIndex->setSelectionBehavior(QAbstractItemView::SelectItems);
    LoggerIndex->setWordWrap(false);
    // Tab walks the cells, row after row; Ctrl+Tab leaves the grid.
    LoggerIndex->setTabKeyNavigation(true);
    LoggerIndex->setFrameShape(QFrame::NoFrame);
    LoggerIndex->viewport()->setCursor(Qt::PointingHandCursor);
    LoggerIndex->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LoggerIndex->setGeometry(1, 1, Panel3->width() - 2, Panel3->height() - 2);
    Label3->setBuddy(LoggerIndex);

    // Receiving and opening on the left, printing and saving on the right.
    const int x1 = 10, x2 = 262, w = 248, h = 30;
    const int y1 = 353, y2 = 386, y3 = 419;
    const std::tuple<QPushButton*&, const char*, const char*, QPoint> buttons[] = {
        {ReceiveRLogBut, "ReceiveRLogBut", "Receive RADIO loggers", {x1, y1}},
        {ReceivePLogBut, "ReceivePLogBut", "Receive PLC loggers", {x1, y2}},
        {OpenLogBut, "OpenLogBut", "Open logger", {x1, y3}},
        {PrintSelBut, "PrintSelBut", "Print selected loggers", {x2, y1}},
        {SaveLogAsBut, "SaveLogAsBut", "Save loggers as", {x2, y2}},
        {SaveLogBut, "SaveLogBut", "Save loggers", {x2, y3}},
    };
    for (const auto& [button, name, text, place] : buttons) {
        button = new QPushButton(QLatin1String(text), this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(QRect(place, QSize(w, h)));
    }

    VersioControllerLabel2 = new QLabel(this);
    VersioControllerLabel2->setObjectName(QStringLiteral("VersioControllerLabel2"));
    VersioControllerLabel2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    VersioControllerLabel2->setGeometry(x2, 6, w, 18);

    // The grid fills its panel, as large as the panel grows.
    auto* grid = new zv318::GrowthLayout(Panel3, Panel3->size());
    grid->add(LoggerIndex, zv318::GrowsWide | zv318::GrowsTall);

    for (QWidget* control :
         {static_cast<QWidget*>(LoggerIndex), static_cast<QWidget*>(ReceiveRLogBut),
          static_cast<QWidget*>(ReceivePLogBut), static_cast<QWidget*>(OpenLogBut)})
        host_.setCommandEnabled(control, true);
    for (QWidget* control :
         {static_cast<QWidget*>(PrintSelBut), static_cast<QWidget*>(SaveLogAsBut),
          static_cast<QWidget*>(SaveLogBut)})
        host_.setCommandEnabled(control, false);

    zv318::SetUpLoggerGrid(*LoggerIndex);
    auto* events = new zv318::LoggerGridEvents(*LoggerIndex);
    connect(events, &zv318::LoggerGridEvents::released, this, &TLoggersPage::LoggerIndexMouseUp);
    connect(events, &zv318::LoggerGridEvents::doubleClicked, this,
            &TLoggersPage::LoggerIndexDblClick);
    connect(ReceiveRLogBut, &QPushButton::clicked, this, &TLoggersPage::ReceiveRLogButClick);
    connect(ReceivePLogBut, &QPushButton::clicked, this, &TLoggersPage::ReceivePLogButClick);
    connect(OpenLogBut, &QPushButton::clicked, this, &TLoggersPage::OpenLogButClick);
    connect(SaveLogBut, &QPushButton::clicked, this, &TLoggersPage::SaveLogButClick);
    connect(SaveLogAsBut, &QPushButton::clicked, this, &TLoggersPage::SaveLogAsButClick);
    connect(PrintSelBut, &QPushButton::clicked, this, &TLoggersPage::PrintSelButClick);
}

TLoggersPage::~TLoggersPage() = default;

void TLoggersPage::setWindows(TZVLoggerWindow* viewer, TDialog* dialog) {
    viewer_ = viewer;
    dialog_ = dialog;
}

void TLoggersPage::resetProcedures() {
    loggerProcedures_.reset();
}

zv318::LoggerProcedures* TLoggersPage::loggerProcedures() {
    zv318::Feedback* feedback = host_.feedback();
    if (!feedback) return nullptr;
    if (!loggerProcedures_)
        loggerProcedures_ = std::make_unique<zv318::LoggerProcedures>(
            host_.link(), *feedback, host_.languageTable(), host_.programFolder());
    return loggerProcedures_.get();
}

QWidgetList TLoggersPage::tabChain() const {
    return {LoggerIndex, ReceiveRLogBut, ReceivePLogBut, OpenLogBut,
            PrintSelBut, SaveLogAsBut,   SaveLogBut};
}

void TLoggersPage::growWith(QWidget* reference, QSize design) {
    // The grid takes the room the window gains; the buttons stay below it, in their columns.
    auto* growth = new zv318::GrowthLayout(this, design, reference);
    growth->add(Panel3, zv318::GrowsWide | zv318::GrowsTall);
    for (QPushButton* b : {ReceiveRLogBut, ReceivePLogBut, OpenLogBut})
        growth->add(b, zv318::MovesDown);
    for (QPushButton* b : {PrintSelBut, SaveLogAsBut, SaveLogBut})
        growth->add(b, zv318::MovesDown | zv318::MovesRight);
    growth->add(VersioControllerLabel2, zv318::MovesRight);
}

void TLoggersPage::applyTranslation(const zv318::LanguageTable& table) {
    auto e = [&table](int n) { return QString::fromStdString(table.entry(n)); };
    VersioControllerLabel2->setText(QString::fromLatin1(zv318::kSoftwareVersionText));
    // Each button a key of its own, clear of the main window's menus.
    QString taken = zv318::MainMenuKeys(table);
    zv318::SetButtonCaptions<QPushButton>(taken, {{ReceiveRLogBut, e(114)},
                                                  {ReceivePLogBut, e(128)},
                                                  {OpenLogBut, e(119)},
                                                  {PrintSelBut, e(123)},
                                                  {SaveLogAsBut, e(125)},
                                                  {SaveLogBut, e(30)}});
    // The grid's caption takes the person to the grid.
    zv318::SetButtonCaptions<QLabel>(taken, {{Label3, e(72)}});
    zv318::SetLoggerHeadings(*LoggerIndex, {e(20), e(21), e(22), e(23)});
    SaveLogBut->setToolTip(e(1823));
    SaveLogAsBut->setToolTip(e(1824));
    PrintSelBut->setToolTip(e(1825));
    // The marks in this language's words (a file without them keeps the table's own).
    marks_ = {};
    if (!table.entry(zv318::kMarkYesEntry).empty() && !table.entry(zv318::kMarkNoEntry).empty())
        marks_ = {e(zv318::kMarkYesEntry), e(zv318::kMarkNoEntry)};
    if (loggerProcedures_) zv318::ShowLoggerTable(*LoggerIndex, loggerProcedures_->table(), marks_);
}

void TLoggersPage::ClearLoggerList() {
    if (zv318::LoggerProcedures* loggers = loggerProcedures()) loggers->table().ClearLoggerList();
    ListLoggers();
}

void TLoggersPage::ListLoggers() {
    zv318::LoggerProcedures* loggers = loggerProcedures();
    if (!loggers) return;
    zv318::ShowLoggerTable(*LoggerIndex, loggers->table(), marks_);
    const bool listed = loggers->table().listingCommandsEnabled();
    for (QWidget* control :
         {static_cast<QWidget*>(PrintSelBut), static_cast<QWidget*>(SaveLogAsBut),
          static_cast<QWidget*>(SaveLogBut)})
        host_.setCommandEnabled(control, listed);
}

void TLoggersPage::receiveLoggers(int type) {
    zv318::LoggerProcedures* loggers = loggerProcedures();
    if (!loggers) return;
    host_.runCommand([this, loggers, type] {
        // The emptied table shows while the index is read.
        loggers->table().ClearLoggerList();
        ListLoggers();
        host_.repaintNow();
        loggers->ReceiveLoggers(type);
        ListLoggers();
    });
}

void TLoggersPage::ReceiveRLogButClick() {
    receiveLoggers(zv318::kRadioLogger);
}

void TLoggersPage::ReceivePLogButClick() {
    receiveLoggers(zv318::kPlcLogger);
}

void TLoggersPage::OpenLogButClick() {
    zv318::LoggerProcedures* loggers = loggerProcedures();
    if (loggers && loggers->LoadLogger(-1) == zv318::kLoggerFileRead) showLoggerViewer();
}

void TLoggersPage::LoggerIndexMouseUp(int column, int row, bool leftButton) {
    zv318::LoggerProcedures* loggers = loggerProcedures();
    if (loggers && loggers->table().LoggerIndexMouseUp(column, row, leftButton)) ListLoggers();
}

void TLoggersPage::LoggerIndexDblClick() {
    zv318::LoggerProcedures* loggers = loggerProcedures();
    if (!loggers || host_.busy()) return;
    int result = 0;
    host_.runCommand([loggers, &result] { result = loggers->LoggerIndexDblClick(); });
    if (result == zv318::kLoggerLoaded) showLoggerViewer();
}

void TLoggersPage::SaveLogButClick() {
    if (zv318::LoggerProcedures* loggers = loggerProcedures())
        host_.runCommand([loggers] { loggers->SaveLogButClick(); });
}

void TLoggersPage::SaveLogAsButClick() {
    if (zv318::LoggerProcedures* loggers = loggerProcedures())
        host_.runCommand([loggers] { loggers->SaveLogAsButClick(); });
}

void TLoggersPage::PrintSelButClick() {
    zv318::LoggerProcedures* loggers = loggerProcedures();
    if (!loggers) return;
    host_.runCommand([this, loggers] {
        // The print dialog belongs to the main window, as every box of the program does.
        zv318::PaperLoggerPrinter paper(window());
        loggers->PrintSelButClick(loggerPrinter ? *loggerPrinter : paper);
    });
}

void TLoggersPage::showLoggerViewer() {
    zv318::LoggerProcedures* loggers = loggerProcedures();
    if (!viewer_ || !loggers) return;
    viewer_->setProcedures(loggers, dialog_, &host_.languageTable());
    viewer_->ShowLogger(loggers->logger());
    viewer_->exec();
}
