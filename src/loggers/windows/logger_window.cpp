#include "loggers/windows/logger_window.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "link/queries.h"
#include "loggers/logger_csv.h"
#include "loggers/logger_procedures.h"
#include "loggers/print_text.h"
#include "loggers/windows/logger_chart.h"
#include "loggers/windows/paper_printer.h"
#include "loggers/windows/report_dialog.h"
#include "plans/windows/dialog.h"
#include "texts/menu_caption.h"
#include "texts/version.h"
#include "texts/windows/window_growth.h"

namespace {

constexpr int kColumns = 5;
constexpr int kColumnWidths[kColumns] = {25, 50, 180, 180, 180};
// The client area as designed; it grows with the window.
constexpr int kClientWidth = 792;
// The title with the logger's name (%1) and type (%2).
constexpr int kTitleEntry = 1690;
// Language entries of the headings of columns 1 to 4 (column 0 has none).
constexpr int kHeadingEntries[kColumns - 1] = {81, 82, 83, 131};

QString Text(const zv318::LanguageTable& table, int entry) {
    return QString::fromStdString(table.entry(entry));
}

QLabel* FieldLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(x, y, 90, 22);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLineEdit* FieldEdit(QWidget* parent, const char* name, int x, int y) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setGeometry(x, y, 150, 22);
    return edit;
}

}  // namespace

TZVLoggerWindow::TZVLoggerWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName("ZVLoggerWindow");
    setWindowTitle("ZV Logger Window");
    setModal(true);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    Archivo1 = MainMenu1->addMenu("File");
    Archivo1->setObjectName("Archivo1");
    Savelogger1 = Archivo1->addAction("Save logger");
    Savelogger1->setObjectName("Savelogger1");
    Printlogger1 = Archivo1->addAction("Print logger");
    Printlogger1->setObjectName("Printlogger1");
    Previewlogger1 = Archivo1->addAction("Print preview");
    Previewlogger1->setObjectName("Previewlogger1");
    ExportCSV1 = Archivo1->addAction("Export CSV…");
    ExportCSV1->setObjectName("ExportCSV1");
    SaveChart1 = Archivo1->addAction("Save chart as…");
    SaveChart1->setObjectName("SaveChart1");
    Report1 = Archivo1->addAction("Report…");
    Report1->setObjectName("Report1");
    Archivo1->addSeparator();
    Exit1 = Archivo1->addAction("Exit");
    Exit1->setObjectName("Exit1");
    zv318::OpenMenuBarWithF10(this, MainMenu1);
    connect(Exit1, &QAction::triggered, this, &QDialog::close);
    connect(Savelogger1, &QAction::triggered, this, &TZVLoggerWindow::Savelogger1Click);
    connect(Printlogger1, &QAction::triggered, this, &TZVLoggerWindow::Printlogger1Click);
    connect(Previewlogger1, &QAction::triggered, this, &TZVLoggerWindow::Previewlogger1Click);
    connect(ExportCSV1, &QAction::triggered, this, &TZVLoggerWindow::ExportCSV1Click);
    connect(SaveChart1, &QAction::triggered, this, &TZVLoggerWindow::SaveChart1Click);
    connect(Report1, &QAction::triggered, this, &TZVLoggerWindow::Report1Click);

    // The client area below the menu: at least 792 x 546, on a green ground; the grid and the
    // chart take what the window grows by.
    auto* client = new QWidget(this);
    client->setObjectName("ClientArea");
    client->setMinimumSize(kClientWidth, 546);
    QPalette green = client->palette();
    green.setColor(QPalette::Window, QColor(128, 200, 128));
    client->setPalette(green);
    client->setAutoFillBackground(true);

    LoggerNameLabel = new zv318::ClickableLabel("LoggerName", client);
    LoggerNameLabel->setObjectName("LoggerNameLabel");
    QFont large = LoggerNameLabel->font();
    large.setPixelSize(32);
    large.setBold(true);
    LoggerNameLabel->setFont(large);
    LoggerNameLabel->setGeometry(16, 10, 480, 42);
    LoggerNameLabel->setCursor(Qt::PointingHandCursor);
    connect(LoggerNameLabel, &zv318::ClickableLabel::clicked, this,
            &TZVLoggerWindow::LoggerNameLabelClick);

    ChPNameLabel = new QLabel("ChPlanName", client);
    ChPNameLabel->setObjectName("ChPNameLabel");
    QFont medium = ChPNameLabel->font();
    medium.setPixelSize(21);
    ChPNameLabel->setFont(medium);
    ChPNameLabel->setGeometry(16, 58, 480, 28);

    DataLabel = FieldLabel(client, "DataLabel", "Data", 520, 10);
    DataEdit = FieldEdit(client, "DataEdit", 616, 10);
    HoraLabel = FieldLabel(client, "HoraLabel", "Hora", 520, 38);
    HoraEdit = FieldEdit(client, "HoraEdit", 616, 38);
    ModeLabel = FieldLabel(client, "ModeLabel", "Mode", 520, 66);
    ModeEdit = FieldEdit(client, "ModeEdit", 616, 66);
    LlindarLabel = FieldLabel(client, "LlindarLabel", "Llindar", 520, 94);
    LlindarEdit = FieldEdit(client, "LlindarEdit", 616, 94);

    FileNameLabel = new QLabel(client);
    FileNameLabel->setObjectName("FileNameLabel");
    FileNameLabel->setWordWrap(true);
    FileNameLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FileNameLabel->setGeometry(16, 128, 690, 34);

    // The grid and the chart share the room below the file name, one tab each.
    Vistes = new QTabWidget(client);
    Vistes->setObjectName("Vistes");
    Vistes->setGeometry(16, 166, 760, 338);
    TaulaRegistre = new QTableWidget(0, kColumns);
    TaulaRegistre->setObjectName("TaulaRegistre");
    Vistes->addTab(TaulaRegistre, "Table");
    Grafic = new zv318::LoggerChart;
    Vistes->addTab(Grafic, "Chart");
    TaulaRegistre->verticalHeader()->hide();
    TaulaRegistre->setHorizontalHeaderLabels(
        QStringList(kColumns, QString()));  // titles come with the language
    TaulaRegistre->horizontalHeader()->setMinimumSectionSize(20);
    TaulaRegistre->verticalHeader()->setDefaultSectionSize(24);
    TaulaRegistre->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TaulaRegistre->setSelectionBehavior(QAbstractItemView::SelectRows);
    TaulaRegistre->horizontalHeader()->setHighlightSections(false);
    zv318::StretchColumns(TaulaRegistre, {std::begin(kColumnWidths), std::end(kColumnWidths)});
    // The grid keeps the standard ground: the green is the window's, not the grid's.
    QPalette standard = QApplication::palette(TaulaRegistre);
    standard.setColor(QPalette::Window, standard.color(QPalette::Window));  // set, not inherited
    TaulaRegistre->setPalette(standard);

    VersioControllerLabel = new QLabel(zv318::kSoftwareVersionText, client);
    VersioControllerLabel->setObjectName("VersioControllerLabel");
    QFont bold = VersioControllerLabel->font();
    bold.setBold(true);
    VersioControllerLabel->setFont(bold);
    VersioControllerLabel->setGeometry(16, 510, 300, 22);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(client);
    client->installEventFilter(this);
    zv318::RememberPlace(this, "viewer");
}

bool TZVLoggerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == Vistes->parentWidget()) {
        const QSize room = static_cast<QResizeEvent*>(event)->size();
        Vistes->setGeometry(16, 166, room.width() - 32, room.height() - 208);
        VersioControllerLabel->move(16, room.height() - 36);
        // The date, time, mode and threshold stay at the window's right edge, above the grid's;
        // the file name takes the width between.
        const int right = std::max(0, room.width() - kClientWidth);
        const std::pair<QWidget*, int> fields[] = {{DataLabel, 520}, {DataEdit, 616},
                                                   {HoraLabel, 520}, {HoraEdit, 616},
                                                   {ModeLabel, 520}, {ModeEdit, 616},
                                                   {LlindarLabel, 520}, {LlindarEdit, 616}};
        for (const auto& [field, x] : fields) field->move(x + right, field->y());
        FileNameLabel->resize(690 + right, FileNameLabel->height());
    }
    return QDialog::eventFilter(watched, event);
}

void TZVLoggerWindow::applyTranslation(const zv318::LanguageTable& table) {
    VersioControllerLabel->setText(zv318::kSoftwareVersionText);
    DataLabel->setText(Text(table, 22));
    HoraLabel->setText(Text(table, 21));
    ModeLabel->setText(Text(table, 110));
    LlindarLabel->setText(Text(table, 111));
    LoggerNameLabel->setToolTip(Text(table, 134));
    auto own = [&table](int entry, const char* fallback) {
        return table.entry(entry).empty() ? QString::fromUtf8(fallback) : Text(table, entry);
    };
    zv318::SetMenuCaptions({{Archivo1->menuAction(), Text(table, 1)}});
    zv318::SetMenuCaptions({{Savelogger1, Text(table, 121)},
                            {Printlogger1, Text(table, 122)},
                            {Previewlogger1, Text(table, 1040)},
                            {ExportCSV1, own(1090, "Export CSV…")},
                            {SaveChart1, own(1092, "Save chart as…")},
                            {Report1, own(1432, "Report…")},
                            {Exit1, Text(table, 2)}});
    Vistes->setTabText(Vistes->indexOf(TaulaRegistre), own(1094, "Table"));
    Vistes->setTabText(Vistes->indexOf(Grafic), own(1093, "Chart"));
    Grafic->applyTranslation(table);

    TaulaRegistre->setColumnCount(kColumns);
    QStringList headings{QString()};
    for (int entry : kHeadingEntries) headings << Text(table, entry);
    TaulaRegistre->setHorizontalHeaderLabels(headings);
    zv318::StretchColumns(TaulaRegistre, {std::begin(kColumnWidths), std::end(kColumnWidths)});
}

void TZVLoggerWindow::setProcedures(zv318::LoggerProcedures* procedures, TDialog* dialog,
                                    const zv318::LanguageTable* table) {
    procedures_ = procedures;
    dialog_ = dialog;
    table_ = table;
}

void TZVLoggerWindow::nameTitle(const std::string& name, const std::string& type) {
    // The title names the logger, so that two viewers (or the taskbar) tell which is which.
    const std::string format = table_ && !table_->entry(kTitleEntry).empty()
                                   ? table_->entry(kTitleEntry)
                                   : std::string("Logger %1 (%2)");
    setWindowTitle(QString::fromStdString(zv318::FillIn(format, {name, type})));
}

void TZVLoggerWindow::ShowLogger(const zv318::OpenLogger& logger) {
    auto text = [](const std::string& s) { return QString::fromStdString(s); };
    LoggerNameLabel->setText(text(logger.name));
    nameTitle(logger.name, logger.typeText);
    ChPNameLabel->setText(text(logger.planName));
    FileNameLabel->setText(text(logger.fileName));
    DataEdit->setText(text(logger.date));
    HoraEdit->setText(text(logger.time));
    ModeEdit->setText(text(logger.typeText));
    LlindarEdit->setText(text(logger.thresholdText));

    TaulaRegistre->clearContents();
    TaulaRegistre->setRowCount(static_cast<int>(logger.records.size()));
    int row = 0;
    for (const zv318::LoggerRecordRow& r : logger.records) {
        const QString cells[kColumns] = {QString::number(row + 1), text(r.channel),
                                         text(r.frequency), text(r.bandwidth), text(r.power)};
        for (int column = 0; column < kColumns; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column != 1) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            TaulaRegistre->setItem(row, column, item);
        }
        ++row;
    }
    if (TaulaRegistre->rowCount() > 0) TaulaRegistre->scrollToTop();
    Grafic->ShowLogger(logger);
}

void TZVLoggerWindow::Savelogger1Click() {
    if (!procedures_) return;
    (void)procedures_->WriteLogger(3);  // the writer reports its own failures
    ShowLogger(procedures_->logger());  // the file the logger now belongs to
}

void TZVLoggerWindow::Printlogger1Click() {
    if (!procedures_) return;
    if (printer_) {
        procedures_->Printlogger1Click(*printer_);
        return;
    }
    zv318::PaperLoggerPrinter paper(this);
    procedures_->Printlogger1Click(paper);
}

void TZVLoggerWindow::Previewlogger1Click() {
    if (!procedures_) return;
    zv318::PreviewLogger(*procedures_, this);
}

void TZVLoggerWindow::LoggerNameLabelClick() {
    if (!procedures_ || !dialog_) return;
    for (;;) {
        if (table_) {
            dialog_->setWindowTitle(Text(*table_, 129));
            dialog_->Label1->setText(Text(*table_, 130));
        }
        dialog_->Edit1->setText(QString::fromStdString(procedures_->logger().name));
        dialog_->Edit1->selectAll();
        if (dialog_->exec() != QDialog::Accepted) return;
        std::optional<std::string> name =
            zv318::LoggerNameFromRename(dialog_->Edit1->text().toStdString());
        if (name) {
            procedures_->logger().name = *name;
            LoggerNameLabel->setText(QString::fromStdString(*name));
            nameTitle(*name, ModeEdit->text().toStdString());
            Grafic->ShowLogger(procedures_->logger());  // the chart's title
            return;
        }
        procedures_->feedback().showMessage(120);
    }
}

void TZVLoggerWindow::ExportCSV1Click() {
    if (!procedures_) return;
    (void)zv318::ExportLoggerCsv(procedures_->logger(), procedures_->feedback());
}

void TZVLoggerWindow::SaveChart1Click() {
    if (!procedures_) return;
    zv318::Feedback& feedback = procedures_->feedback();
    const std::optional<std::string> chosen = feedback.chooseFile(
        zv318::FileRequest{zv318::FileRequest::SaveChart, {}, procedures_->logger().name + ".png",
                           {procedures_->logger().fileName}});
    if (!chosen || chosen->empty()) return;
    if (!Grafic->SaveChart(*chosen)) feedback.showMessage(zv318::kMessageChartNotSaved);
    else feedback.fileWritten(*chosen);
}

void TZVLoggerWindow::Report1Click() {
    if (!procedures_ || !table_) return;
    zv318::ReportLogger open{procedures_->logger(), {}};
    // A logger just downloaded was measured with the instrument still connected.
    if (open.logger.fileName.empty())
        open.instrument = zv318::QueryInstrumentIdentity(procedures_->link());
    (void)zv318::MakeSiteReport(this, {open}, procedures_->feedback(), *table_,
                                procedures_->programFolder());
}
