#include "archive/windows/archive_page.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QStyle>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <map>

#include "archive/archive_analysis.h"
#include "archive/archive_keeper.h"
#include "archive/archive_report.h"
#include "archive/archive_server.h"
#include "archive/archive_worker.h"
#include "archive/page_rules.h"
#include "archive/windows/archive_model.h"
#include "archive/windows/archive_views.h"
#include "archive/windows/date_field.h"
#include "archive/windows/team_archive.h"
#include "loggers/logger_csv.h"
#include "loggers/windows/report_dialog.h"
#include "texts/menu_caption.h"
#include "texts/output_path.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"
#include "texts/user_settings.h"
#include "texts/windows/window_growth.h"

namespace zv318 {

namespace {

constexpr char kSwitchKey[] = "archive.enabled";
// The "Clear filters" button; the team server away.
constexpr int kClearFilters = 1698;
constexpr int kServerAway = 1699;
// Which archive the page shows: this PC's, or the team's on a server (%1).
constexpr int kThisPcArchive = 1894, kTeamArchiveOn = 1895;
// The date fields' placeholder in the language's order.
constexpr int kDatePlaceholder = 1892;
// Another program's writes to the archive are read once they pause this long.
constexpr int kWritesPauseMs = 400;
// Name or plan, type, from, to, serial.
constexpr int kLabelEntries[5] = {1473, 1474, 1476, 1477, 1478};
// The filter line runs once typing pauses this long.
constexpr int kTypingPauseMs = 300;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// What the page shows beside the table, read on the worker before the rows.
struct PageState {
    bool usable = false, writable = false;
    std::vector<std::string> serials;  // the instruments the archive knows (asked once)
    int waiting = 0;                   // loggers waiting for the team archive
    bool away = false;                 // the team server does not answer: this PC's archive
    int cause = 0;                     // why, when away: the archive's notice
    std::string causeDetail;
};

}  // namespace

ArchivePage::ArchivePage(ArchiveKeeper& keeper, std::filesystem::path userFolder, QWidget* parent)
    : QWidget(parent),
      keeper_(keeper),
      userFolder_(std::move(userFolder)),
      worker_(new ArchiveWorker(keeper.location(), this)) {
    setObjectName("ArchivePage");
    keep_ = new QAction(this);
    keep_->setCheckable(true);
    const bool on = UserSettings::Load(UserSettings::FileIn(userFolder_)).flag(kSwitchKey, true);
    keep_->setChecked(on);
    keeper_.setEnabled(on);
    connect(keep_, &QAction::toggled, this, &ArchivePage::setKeeping);
    // The team archive's background sending runs whether or not the page was ever shown.
    Team = new TeamArchiveControls(keeper_, userFolder_, this);
    Team->ServerButton->hide();
    connect(Team, &TeamArchiveControls::changed, this, [this] {
        worker_->setLocation(keeper_.location());
        watchArchive();
        Refresh();
    });
    connect(Team, &TeamArchiveControls::causeChanged, this, &ArchivePage::showCount);
    // A logger downloaded while the page shows appears on it (the keeper keeps beside the
    // window: the page's read comes after the logger is in).
    keeper_.setAddedListener([this] { Refresh(); });
    connect(worker_, &ArchiveWorker::busyChanged, this, &ArchivePage::setBusy);
    connect(worker_, &ArchiveWorker::notice, this, [this](int message, const QString& detail) {
        keeper_.TellOnce(message, detail.toStdString());
    });

    // Opened beside the window from the start: a whole-file check that is due runs there.
    worker_->post<bool>([](Archive* a) { return a != nullptr; }, this, {});

    settle_ = new QTimer(this);
    settle_->setSingleShot(true);
    settle_->setInterval(kWritesPauseMs);
    connect(settle_, &QTimer::timeout, this, [this] {
        // This program's own writes were read already (each keep, import or deletion reads
        // again): a read now would only lose the rows the person selected since.
        const QString file = QStringFromPath(keeper_.location().file);
        QDateTime written;
        for (const QString& path : {file, file + "-wal"})
            written = std::max(written, QFileInfo(path).lastModified());
        if (!lastRead_.isValid() || written >= lastRead_) Refresh();
    });
    files_ = new QFileSystemWatcher(this);
    const auto changed = [this] {
        watchArchive();  // a journal made or removed since
        settle_->start();
    };
    connect(files_, &QFileSystemWatcher::fileChanged, this, changed);
    connect(files_, &QFileSystemWatcher::directoryChanged, this, changed);
    watchArchive();

    chooseOpenFiles = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getOpenFileNames(this, caption, {}, filter);
    };
    // The program asks before a file is replaced, once, after its rule of every output.
    chooseSaveFile = [this](const QString& caption, const QString& proposed) {
        return QFileDialog::getSaveFileName(this, caption, proposed, {}, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
}

ArchivePage::~ArchivePage() {
    keeper_.setAddedListener({});
    // One wait for everything the page runs: the worker starts closing while the team
    // archive's send is waited for.
    worker_->beginClose();
    delete Team;
}

void ArchivePage::ensureBuilt() {
    if (FilterEdit) return;
    FilterEdit = new QLineEdit(this);
    FilterEdit->setClearButtonEnabled(true);
    TypeBox = new QComboBox(this);
    TypeBox->addItems({"", "RADIO", "PLC"});
    FromEdit = new DateField(this);
    FromEdit->setObjectName("FromEdit");
    ToEdit = new DateField(this);
    ToEdit->setObjectName("ToEdit");
    ClearFiltersButton = new QPushButton(this);
    ClearFiltersButton->setObjectName("ClearFiltersButton");
    SerialBox = new QComboBox(this);
    SerialBox->setEditable(true);
    SerialBox->setMinimumContentsLength(10);

    // Three rows of filters, so that each fits the designed window in every language: what the
    // logger is called and its type; when; from which instrument, and clearing them all.
    auto* filters = new QGridLayout;
    for (QLabel*& label : labels_) label = new QLabel(this);
    filters->addWidget(labels_[0], 0, 0);
    filters->addWidget(FilterEdit, 0, 1, 1, 3);
    filters->addWidget(labels_[1], 0, 4);
    filters->addWidget(TypeBox, 0, 5);
    filters->addWidget(labels_[2], 1, 0);
    filters->addWidget(FromEdit, 1, 1);
    filters->addWidget(labels_[3], 1, 2);
    filters->addWidget(ToEdit, 1, 3, 1, 3);
    filters->addWidget(labels_[4], 2, 0);
    filters->addWidget(SerialBox, 2, 1);
    filters->addWidget(ClearFiltersButton, 2, 4, 1, 2, Qt::AlignRight);
    filters->setColumnStretch(1, 1);
    filters->setColumnStretch(3, 1);
    filters->setColumnStretch(5, 1);

    Model = new ArchiveTableModel(*worker_, this);
    Table = new QTableView(this);
    Table->setObjectName("ArchiveTable");
    Table->setHorizontalHeader(new WrappingHeader(Table));
    Table->setModel(Model);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->verticalHeader()->setVisible(false);
    Table->setAlternatingRowColors(true);
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 6);
    // Newest first until the person sorts otherwise; a new filter keeps the order chosen.
    Table->horizontalHeader()->setSortIndicator(ArchiveTableModel::kMeasured, Qt::DescendingOrder);
    Table->setSortingEnabled(true);
    Table->installEventFilter(this);

    CompareButton = new QPushButton(this);
    TrendButton = new QPushButton(this);
    ExportButton = new QPushButton(this);
    DeleteButton = new QPushButton(this);
    ImportButton = new QPushButton(this);
    ReportButton = new QPushButton(this);
    ReportButton->setObjectName("ReportButton");
    CheckButton = new QPushButton(this);
    CheckButton->setObjectName("CheckButton");
    CountLabel = new QLabel(this);
    CountLabel->setObjectName("CountLabel");
    // Why loggers wait may hold the server's own words, and takes a second line.
    CountLabel->setTextFormat(Qt::PlainText);
    CountLabel->setWordWrap(true);
    BusyBar = new QProgressBar(this);
    BusyBar->setRange(0, 0);  // moving: no measure of how far
    BusyBar->setTextVisible(true);
    BusyBar->setMaximumWidth(160);
    BusyBar->setVisible(worker_->busy());
    // Below the table: the count (and why loggers wait) on as many lines as it needs, with the
    // busy bar; what reads the loggers shown; what fills the archive and keeps it.
    auto* status = new QHBoxLayout;
    status->addWidget(CountLabel, 1);
    status->addWidget(BusyBar);
    auto* reading = new QHBoxLayout;
    for (QPushButton* b : {CompareButton, TrendButton, ReportButton, ExportButton})
        reading->addWidget(b);
    reading->addStretch(1);
    auto* keeping = new QHBoxLayout;
    keeping->addWidget(ImportButton);
    keeping->addWidget(Team->ServerButton);
    Team->ServerButton->show();
    keeping->addStretch(1);
    keeping->addWidget(DeleteButton);
    keeping->addWidget(CheckButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(Table, 1);
    layout->addLayout(status);
    layout->addLayout(reading);
    layout->addLayout(keeping);

    typing_ = new QTimer(this);
    typing_->setSingleShot(true);
    typing_->setInterval(kTypingPauseMs);
    connect(typing_, &QTimer::timeout, this, &ArchivePage::Refresh);
    connect(FilterEdit, &QLineEdit::textChanged, typing_, qOverload<>(&QTimer::start));
    connect(TypeBox, &QComboBox::currentIndexChanged, this, &ArchivePage::Refresh);
    connect(FromEdit, &DateField::boundChanged, this, &ArchivePage::Refresh);
    connect(ToEdit, &DateField::boundChanged, this, &ArchivePage::Refresh);
    connect(ClearFiltersButton, &QPushButton::clicked, this, &ArchivePage::ClearFiltersClick);
    connect(SerialBox, &QComboBox::currentTextChanged, typing_, qOverload<>(&QTimer::start));
    connect(CompareButton, &QPushButton::clicked, this, &ArchivePage::CompareClick);
    connect(TrendButton, &QPushButton::clicked, this, &ArchivePage::TrendClick);
    connect(ExportButton, &QPushButton::clicked, this, &ArchivePage::ExportClick);
    connect(DeleteButton, &QPushButton::clicked, this, &ArchivePage::DeleteClick);
    connect(ImportButton, &QPushButton::clicked, this, &ArchivePage::ImportClick);
    connect(ReportButton, &QPushButton::clicked, this, &ArchivePage::ReportClick);
    connect(CheckButton, &QPushButton::clicked, this, &ArchivePage::CheckClick);
    connect(Table, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { openRow(index.row()); });
    connect(Model, &ArchiveTableModel::counted, this, [this](qint64 total) {
        shown_ = total;
        showCount();
    });
    // Each filter's caption takes the person to it with its Alt key; Tab goes as one reads the
    // page: the filters row by row, the table, then the buttons row by row.
    QWidget* const fields[5] = {FilterEdit, TypeBox, FromEdit, ToEdit, SerialBox};
    for (int k = 0; k < 5; ++k) labels_[k]->setBuddy(fields[k]);
    QWidget* const order[] = {FilterEdit,    TypeBox,      FromEdit,     ToEdit,
                              SerialBox,     ClearFiltersButton,         Table,
                              CompareButton, TrendButton,  ReportButton, ExportButton,
                              ImportButton,  Team->ServerButton,         DeleteButton,
                              CheckButton};
    for (std::size_t k = 1; k < std::size(order); ++k) setTabOrder(order[k - 1], order[k]);
    applyTexts();
}

void ArchivePage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ensureBuilt();
    if (stale_) Refresh();
}

void ArchivePage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() &&
        keeper_.location().kind == ArchiveLocation::PostgreSql)
        Refresh();
}

void ArchivePage::watchArchive() {
    // The file another program writes (zv318ctl's import, a second window), its write-ahead
    // journal, and their folder, where the journal comes and goes.
    if (!files_->files().isEmpty()) files_->removePaths(files_->files());
    if (!files_->directories().isEmpty()) files_->removePaths(files_->directories());
    const ArchiveLocation where = keeper_.location();
    if (where.off() || where.file.empty()) return;
    const QString file = QStringFromPath(where.file);
    QStringList watched;
    for (const QString& path : {QFileInfo(file).absolutePath(), file, file + "-wal"})
        if (QFileInfo::exists(path)) watched << path;
    if (!watched.isEmpty()) (void)files_->addPaths(watched);
}

QString ArchivePage::text(int entry) const {
    return table_ ? Q(table_->entry(entry)) : QString();
}

void ArchivePage::applyTranslation(const LanguageTable& table) {
    table_ = &table;
    Team->applyTranslation(table);
    if (FilterEdit) applyTexts();
}

// The page's texts in the current language; the rows stay as they are.
void ArchivePage::applyTexts() {
    keep_->setText(text(1491));
    TypeBox->setItemText(0, text(1475));
    // Each button a key of its own, clear of the main window's menus.
    QString taken = table_ ? MainMenuKeys(*table_) : QString();
    // The filters' captions and the buttons share the page's keys.
    QLabel* const* const l = labels_;
    const std::pair<QWidget*, int> captions[] = {
        {l[0], kLabelEntries[0]},  {l[1], kLabelEntries[1]},     {l[2], kLabelEntries[2]},
        {l[3], kLabelEntries[3]},  {l[4], kLabelEntries[4]},     {CompareButton, 1479},
        {TrendButton, 1480},       {ExportButton, 1481},         {ReportButton, 1432},
        {DeleteButton, 1482},      {CheckButton, kArchiveCheckEntry}, {ImportButton, 1483},
        {Team->ServerButton, 1528}, {ClearFiltersButton, kClearFilters}};
    QStringList texts;
    for (const auto& [control, entry] : captions) texts << text(entry);
    texts = WithMnemonics(texts, taken);
    qsizetype k = 0;
    for (const auto& [control, entry] : captions) {
        const QString& caption = texts[k++];
        if (auto* label = qobject_cast<QLabel*>(control))
            label->setText(caption);
        else
            static_cast<QPushButton*>(control)->setText(caption);
    }
    BusyBar->setFormat(text(kArchiveBusyEntry));
    for (DateField* field : {FromEdit, ToEdit})
        field->setDateWriting(text(kDatePlaceholder), text(kDateFormatEntry));
    // What a filter or a button does where its caption cannot say it all.
    const std::pair<QWidget*, int> tips[] = {
        {FilterEdit, 1790},   {TypeBox, 1791},       {FromEdit, 1792},    {ToEdit, 1793},
        {SerialBox, 1794},    {CompareButton, 1795}, {TrendButton, 1796}, {ExportButton, 1797},
        {DeleteButton, 1798}, {ImportButton, 1799},  {ReportButton, 1800}};
    for (const auto& [widget, entry] : tips) widget->setToolTip(text(entry));
    QStringList headings;
    for (int c = 0; c < ArchiveTableModel::kColumns; ++c) headings << text(1484 + c);
    Model->setHeadings(headings);
    fitColumns(headings);
    showCount();
}

// Columns as wide as their headings and typical values (measuring every row would read them
// all). At the designed width every column shows: the names give up room first, the headings
// take a second line, the date and the numbers stay whole.
void ArchivePage::fitColumns(const QStringList& headings) {
    const QFontMetrics metrics = Table->fontMetrics();
    const int margin = 2 * Table->style()->pixelMetric(QStyle::PM_HeaderMargin) + 2;
    // The sort mark beside a heading.
    const int mark = Table->style()->pixelMetric(QStyle::PM_HeaderMarkSize) + margin / 2;
    struct Column {
        QString typical;  // a value as wide as most
        QString least;    // what the column never gives up
    };
    const Column columns[ArchiveTableModel::kColumns] = {
        {"MMMMMMMMMM", "MMM"},    {"RADIO", "RADIO"},       {"MMMMMMMMM", "MMM"},
        {"2025-12-14 09:12:00", "2025-12-14 09:12:00"},    {"150", "150"},
        {"150", "150"},           {"00012345", "0001234"}};
    std::vector<int> design, minimum;
    for (int c = 0; c < ArchiveTableModel::kColumns; ++c) {
        const QString heading = headings.value(c);
        int word = 0;
        for (const QString& w : heading.split(' ', Qt::SkipEmptyParts))
            word = std::max(word, metrics.horizontalAdvance(w));
        const int least = std::max(metrics.horizontalAdvance(columns[c].least), word) + margin;
        design.push_back(std::max({metrics.horizontalAdvance(columns[c].typical),
                                   metrics.horizontalAdvance(heading)}) + margin + mark);
        minimum.push_back(least);
    }
    StretchColumns(Table, std::move(design), std::move(minimum));
}

void ArchivePage::tell(int message, const QString& detail) {
    const NoticeParts parts =
        ArchiveNoticeParts(table_ ? *table_ : LanguageTable(), message, detail.toStdString());
    QMessageBox box(QMessageBox::Information, text(1471), Q(parts.text), QMessageBox::Ok, this);
    box.setDetailedText(Q(parts.details));  // the database's own words
    box.exec();
}

void ArchivePage::setKeeping(bool on) {
    keeper_.setEnabled(on);
    (void)UpdateUserSettings(UserSettings::FileIn(userFolder_),
                             [on](UserSettings& s) { s.setFlag(kSwitchKey, on); });
}

bool ArchivePage::busy() const {
    // Another program's writes seen and about to be read count as a read under way.
    return worker_->busy() || (typing_ && typing_->isActive()) || settle_->isActive();
}

void ArchivePage::whenIdle(std::function<void()> then) {
    if (!busy()) {
        then();
        return;
    }
    whenIdle_.push_back(std::move(then));
}

void ArchivePage::setBusy(bool busy) {
    if (BusyBar) BusyBar->setVisible(busy);
    if (Table) Table->setCursor(busy ? Qt::BusyCursor : Qt::ArrowCursor);
    if (busy) return;
    std::vector<std::function<void()>> ready;
    ready.swap(whenIdle_);
    for (auto& then : ready) then();
}

void ArchivePage::showCount() {
    if (!CountLabel) return;
    if (!usable_ && shown_ >= 0) {
        CountLabel->setText(text(1000 + kMessageArchiveUnavailable));
        return;
    }
    // The team server away: the loggers shown are this PC's, and some wait to be sent (why
    // is said under the count when known).
    const QString waiting = Team->pendingText(waiting_);
    const QString away =
        away_ && (waiting.isEmpty() || !Team->hasCause()) ? text(kServerAway) + "    " : QString();
    // Which archive the rows come from (the away line says it itself).
    const ArchiveLocation where = keeper_.location();
    const bool team = where.kind == ArchiveLocation::PostgreSql && !away_;
    QString which = away.isEmpty() ? text(team ? kTeamArchiveOn : kThisPcArchive) : QString();
    if (which.contains(QLatin1String("%1"))) which = which.arg(Q(where.describe()));
    if (!which.isEmpty()) which += "    ";
    CountLabel->setToolTip(Q(where.describe()));
    CountLabel->setText(which + away + text(1501) + ' ' +
                        (shown_ >= 0 ? QString::number(shown_) : "…") +
                        (waiting.isEmpty() ? QString() : "    " + waiting));
}

void ArchivePage::Refresh() {
    if (!FilterEdit || !isVisible()) {
        stale_ = true;  // read when the page shows
        return;
    }
    stale_ = false;
    lastRead_ = QDateTime::currentDateTime();
    typing_->stop();
    const bool askSerials = SerialBox->count() == 0;
    const ArchiveLocation where = keeper_.location();
    worker_->post<PageState>(
        [askSerials, where](Archive* a) {
            PageState s;
            s.usable = a != nullptr;
            s.writable = a && a->state() == Archive::State::Ready;
            if (a && askSerials)
                for (const InstrumentIdentity& i : a->Instruments()) s.serials.push_back(i.serial);
            if (where.kind == ArchiveLocation::PostgreSql) {
                s.away = a && a->offline();
                s.waiting = s.away ? a->PendingCount().value_or(0) : PendingLoggers(where);
                if (s.away) {
                    s.cause = a->notice();
                    s.causeDetail = a->detail();
                }
            }
            return s;
        },
        this,
        [this, askSerials](const PageState& s) {
            usable_ = s.usable;
            writable_ = s.writable;
            waiting_ = s.waiting;
            away_ = s.away;
            // Refused or away as the page's own archive found the server (a send told since
            // may know better; it is kept until this says something).
            if (s.cause != 0) Team->setCause(s.cause, s.causeDetail);
            for (QPushButton* b :
                 {CompareButton, TrendButton, ExportButton, ReportButton, CheckButton})
                b->setEnabled(usable_);
            DeleteButton->setEnabled(writable_);
            ImportButton->setEnabled(writable_);
            if (askSerials && s.usable && SerialBox->count() == 0) {
                // The instruments the archive knows, for the serial's list.
                QSignalBlocker quiet(SerialBox);
                const QString typed = SerialBox->currentText();
                SerialBox->addItem("");
                for (const std::string& serial : s.serials) SerialBox->addItem(Q(serial));
                SerialBox->setEditText(typed);
            }
            showCount();
        });
    ArchiveFilter f;
    f.text = FilterEdit->text().trimmed().toStdString();
    f.type = TypeBox->currentIndex() == 0 ? std::string() : TypeBox->currentText().toStdString();
    f.since = FromEdit->bound().value_or("");
    f.until = ToEdit->bound().value_or("");
    f.serial = SerialBox->currentText().trimmed().toStdString();
    shown_ = -1;
    Model->setFilter(f);
    showCount();
}

std::vector<std::int64_t> ArchivePage::SelectedIds() const {
    std::vector<std::int64_t> ids;
    if (!Table) return ids;
    QModelIndexList rows = Table->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    for (const QModelIndex& index : rows) ids.push_back(Model->idAt(index.row()));
    return ids;
}

void ArchivePage::openRow(int row) {
    const std::int64_t id = Model->idAt(row);
    if (id == 0) return;
    worker_->post<std::optional<OpenLogger>>(
        [id](Archive* a) { return a ? a->Logger(id) : std::nullopt; }, this,
        [this](std::optional<OpenLogger> logger) {
            if (logger) emit openLogger(*logger);
        });
}

void ArchivePage::selectIds(const std::vector<std::int64_t>& ids) {
    Table->clearSelection();
    QModelIndex first;
    for (int row = 0; row < Model->rowCount(); ++row) {
        if (std::find(ids.begin(), ids.end(), Model->idAt(row)) == ids.end()) continue;
        const QModelIndex index = Model->index(row, 0);
        Table->selectionModel()->select(index,
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (!first.isValid()) first = index;
    }
    if (first.isValid()) Table->scrollTo(first);
}

void ArchivePage::ShowLoggers(const QString& serial, const std::vector<std::int64_t>& ids) {
    ensureBuilt();
    {
        const QSignalBlocker a(FilterEdit), b(TypeBox), c(FromEdit), d(ToEdit), e(SerialBox);
        FilterEdit->clear();
        TypeBox->setCurrentIndex(0);
        FromEdit->setBound(std::nullopt);
        ToEdit->setBound(std::nullopt);
        SerialBox->setEditText(serial);
    }
    Refresh();
    // Selected once the rows are read.
    whenIdle([this, ids] { selectIds(ids); });
}

void ArchivePage::CompareClick() {
    const std::vector<std::int64_t> ids = SelectedIds();
    if (ids.size() != 2) {
        tell(460);
        return;
    }
    worker_->post<std::optional<Comparison>>(
        [ids](Archive* a) { return a ? Compare(*a, ids[0], ids[1]) : std::nullopt; }, this,
        [this](std::optional<Comparison> c) {
            if (!c || !table_) return;
            auto* window = new ArchiveAnalysisWindow(*table_, this);
            window->setAttribute(Qt::WA_DeleteOnClose);
            window->fileWritten = [this](const std::string& file) { tellWritten(file); };
            window->ShowComparison(*c);
            window->show();
        });
}

void ArchivePage::TrendClick() {
    const std::vector<std::int64_t> ids = SelectedIds();
    if (ids.size() != 1) {
        tell(461);
        return;
    }
    const std::int64_t id = ids[0];
    struct Found {
        std::vector<std::string> channels;
        std::optional<Trend> trend;
    };
    worker_->post<Found>(
        [id](Archive* a) {
            Found f;
            if (!a) return f;
            for (const ArchivedRecord& r : a->Records(id))
                if (std::find(f.channels.begin(), f.channels.end(), r.channel) == f.channels.end())
                    f.channels.push_back(r.channel);
            // The first few channels to begin with; the list ticks others.
            const std::vector<std::string> first(
                f.channels.begin(),
                f.channels.begin() + std::min<std::size_t>(3, f.channels.size()));
            f.trend = TrendOf(*a, id, first);
            return f;
        },
        this,
        [this, id](Found f) {
            if (!f.trend || !table_) return;
            auto* window = new ArchiveAnalysisWindow(*table_, this);
            window->setAttribute(Qt::WA_DeleteOnClose);
            window->fileWritten = [this](const std::string& file) { tellWritten(file); };
            window->ShowTrend(*f.trend, f.channels,
                              [this, id, window](const std::vector<std::string>& chosen,
                                                 const std::function<void(const Trend&)>& show) {
                                  worker_->post<std::optional<Trend>>(
                                      [id, chosen](Archive* a) {
                                          return a ? TrendOf(*a, id, chosen) : std::nullopt;
                                      },
                                      window,
                                      [show](std::optional<Trend> t) {
                                          if (t) show(*t);
                                      });
                              });
            window->show();
        });
}

void ArchivePage::ExportClick() {
    const std::vector<std::int64_t> ids = SelectedIds();
    if (ids.size() != 1) {
        tell(461);
        return;
    }
    const std::int64_t id = ids[0];
    worker_->post<std::optional<ArchivedLogger>>(
        [id](Archive* a) { return a ? a->Find(id) : std::nullopt; }, this,
        [this, id](std::optional<ArchivedLogger> lg) {
            if (!lg) return;
            const std::string extension = lg->type == "PLC" ? ".logplc" : ".lograd";
            // The rule of every output first (never the archive's own files), then one question
            // before a file is replaced; a refused or kept file brings the dialog back.
            const auto mayReplace = [this] {
                return QMessageBox::question(this, text(1471), text(kReplaceFileQuestion),
                                             QMessageBox::Yes | QMessageBox::No,
                                             QMessageBox::No) == QMessageBox::Yes;
            };
            QString chosen;
            bool csv = false;
            for (QString proposed = Q(lg->name + extension);; proposed = chosen) {
                chosen = chooseSaveFile(text(1481), proposed);
                if (chosen.isEmpty()) return;
                csv = chosen.endsWith(".csv", Qt::CaseInsensitive);
                if (!csv && !chosen.endsWith(Q(extension))) chosen += Q(extension);
                if (MayWriteOutput(PathFromQString(chosen), keeper_.location().localFiles(), false,
                                   mayReplace, [&](int message) { tell(message, chosen); }))
                    break;
            }
            const std::filesystem::path file = PathFromQString(chosen);
            worker_->post<bool>(
                [id, csv, file](Archive* a) {
                    if (!a) return false;
                    if (csv) {
                        const std::optional<OpenLogger> logger = a->Logger(id);
                        return logger && WriteFileAtomically(file, LoggerCsvText(*logger));
                    }
                    const std::optional<std::string> bytes = a->Bytes(id);
                    return bytes && WriteFileAtomically(file, *bytes);
                },
                this,
                [this, chosen](bool written) {
                    if (!written)
                        tell(kMessageArchiveNotWritten, chosen);
                    else
                        tellWritten(PathToText(PathFromQString(chosen)));
                });
        });
}

void ArchivePage::tellWritten(const std::string& file) {
    if (Feedback* feedback = reportFeedback ? reportFeedback() : nullptr)
        feedback->fileWritten(file);
}

bool ArchivePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Table && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            DeleteClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ArchivePage::ClearFiltersClick() {
    {
        const QSignalBlocker a(FilterEdit), b(TypeBox), c(FromEdit), d(ToEdit), e(SerialBox);
        FilterEdit->clear();
        TypeBox->setCurrentIndex(0);
        FromEdit->setBound(std::nullopt);
        ToEdit->setBound(std::nullopt);
        SerialBox->setEditText({});
    }
    Refresh();
}

void ArchivePage::DeleteClick() {
    const std::vector<std::int64_t> ids = SelectedIds();
    if (!writable_ || ids.empty()) return;
    // The question names what it deletes.
    std::vector<std::string> names;
    QModelIndexList rows = Table->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    for (const QModelIndex& index : rows)
        if (const ArchivedLogger* lg = Model->loggerAt(index.row())) names.push_back(lg->name);
    const QString question = Q(DeleteQuestion(table_ ? *table_ : LanguageTable(), names));
    QMessageBox ask(QMessageBox::Question, text(1471), question, QMessageBox::Yes | QMessageBox::No,
                    this);
    ask.setDefaultButton(QMessageBox::No);
    if (ask.exec() != QMessageBox::Yes) return;
    struct Deleted {
        bool done = false;
        std::string detail;
    };
    worker_->post<Deleted>(
        [ids](Archive* a) {
            if (!a) return Deleted{};
            return Deleted{a->Delete(ids).has_value(), a->detail()};
        },
        this,
        [this](const Deleted& d) {
            if (!d.done) tell(kMessageArchiveReadOnly, Q(d.detail));
            Refresh();
        });
}

void ArchivePage::ImportClick() {
    if (!writable_) return;
    const QStringList files = chooseOpenFiles(text(1483), text(1505));
    if (files.isEmpty()) return;
    // The files refused, by the message that says why.
    using Refused = std::map<int, QStringList>;
    worker_->post<Refused>(
        [files](Archive* a) {
            Refused refused;
            for (const QString& file : files) {
                int read = 0;
                ReadRefusal why = ReadRefusal::CannotOpen;
                if (a && a->ImportFile(PathFromQString(file), &read, &why)) continue;
                // The disk is full: said once, and the files after it are not tried.
                if (a && a->diskFull()) {
                    refused[WriteFailureMessage(WriteFailure::DiskFull)] << file;
                    break;
                }
                const bool unread =
                    a && read == kLoggerFileUnreadable && why != ReadRefusal::CannotOpen;
                refused[unread ? ReadRefusalMessage(why) : kMessageArchiveNotLoggerFile] << file;
            }
            return refused;
        },
        this,
        [this](const Refused& refused) {
            for (const auto& [message, names] : refused) tell(message, names.join('\n'));
            Refresh();
        });
}

void ArchivePage::ReportClick() {
    Feedback* feedback = reportFeedback ? reportFeedback() : nullptr;
    if (!feedback || !table_) return;
    const std::vector<std::int64_t> ids = SelectedIds();
    worker_->post<std::optional<std::vector<ReportLogger>>>(
        [ids](Archive* a) {
            return a ? ReportLoggersFromArchive(*a, ids)
                     : std::optional<std::vector<ReportLogger>>();
        },
        this,
        [this, feedback](std::optional<std::vector<ReportLogger>> loggers) {
            if (!loggers) {
                tell(kMessageArchiveNoSuchLogger);
                return;
            }
            (void)MakeSiteReport(this, *loggers, *feedback, *table_, userFolder_);
        });
}

void ArchivePage::CheckClick() {
    worker_->post<std::string>([](Archive* a) { return a ? a->Check() : std::string("not open"); },
                               this,
                               [this](const std::string& damage) {
                                   if (damage.empty())
                                       tell(kMessageArchiveSound);
                                   else
                                       tell(kMessageArchiveDamaged, Q(damage));
                               });
}

}  // namespace zv318
