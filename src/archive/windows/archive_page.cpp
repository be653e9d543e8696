#include "archive/windows/archive_page.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <map>

#include "archive/archive_keeper.h"
#include "archive/archive_report.h"
#include "archive/windows/archive_views.h"
#include "archive/windows/team_archive.h"
#include "loggers/logger_csv.h"
#include "loggers/windows/report_dialog.h"
#include "texts/output_path.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"
#include "texts/user_settings.h"

namespace zv318 {

namespace {

constexpr char kSwitchKey[] = "archive.enabled";
const QDate kNoLimit(2000, 1, 1);
// Name or plan, type, from, to, serial.
constexpr int kLabelEntries[5] = {1473, 1474, 1476, 1477, 1478};

enum Column { kName, kType, kPlan, kMeasured, kRecords, kBelow, kSerial, kColumns };

QString Q(const std::string& s) { return QString::fromStdString(s); }

QTableWidgetItem* Item(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}
QTableWidgetItem* Item(int number) {
    auto* item = new QTableWidgetItem;
    item->setData(Qt::DisplayRole, number);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

}  // namespace

ArchivePage::ArchivePage(ArchiveKeeper& keeper, std::filesystem::path userFolder, QWidget* parent)
    : QWidget(parent), keeper_(keeper), userFolder_(std::move(userFolder)) {
    setObjectName("ArchivePage");
    FilterEdit = new QLineEdit(this);
    FilterEdit->setClearButtonEnabled(true);
    TypeBox = new QComboBox(this);
    TypeBox->addItems({"", "RADIO", "PLC"});
    auto dateEdit = [this] {
        auto* edit = new QDateEdit(this);
        edit->setCalendarPopup(true);
        edit->setDisplayFormat("yyyy-MM-dd");
        edit->setMinimumDate(kNoLimit);
        edit->setSpecialValueText(" ");  // at the minimum: no limit
        edit->setDate(kNoLimit);
        return edit;
    };
    FromEdit = dateEdit();
    ToEdit = dateEdit();
    SerialBox = new QComboBox(this);
    SerialBox->setEditable(true);
    SerialBox->setMinimumContentsLength(10);

    // Two rows of filters: what the logger is called and its type; when and from which
    // instrument.
    auto* filters = new QGridLayout;
    for (int k = 0; k < 5; ++k) labels_[k] = new QLabel(this);
    filters->addWidget(labels_[0], 0, 0);
    filters->addWidget(FilterEdit, 0, 1, 1, 3);
    filters->addWidget(labels_[1], 0, 4);
    filters->addWidget(TypeBox, 0, 5);
    filters->addWidget(labels_[2], 1, 0);
    filters->addWidget(FromEdit, 1, 1);
    filters->addWidget(labels_[3], 1, 2);
    filters->addWidget(ToEdit, 1, 3);
    filters->addWidget(labels_[4], 1, 4);
    filters->addWidget(SerialBox, 1, 5);
    filters->setColumnStretch(1, 1);
    filters->setColumnStretch(3, 1);
    filters->setColumnStretch(5, 1);

    Table = new QTableWidget(0, kColumns, this);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Table->setSortingEnabled(true);
    Table->verticalHeader()->setVisible(false);
    Table->horizontalHeader()->setStretchLastSection(true);
    Table->setAlternatingRowColors(true);
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 6);

    CompareButton = new QPushButton(this);
    TrendButton = new QPushButton(this);
    ExportButton = new QPushButton(this);
    DeleteButton = new QPushButton(this);
    ImportButton = new QPushButton(this);
    ReportButton = new QPushButton(this);
    ReportButton->setObjectName("ReportButton");
    CountLabel = new QLabel(this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {CompareButton, TrendButton, ExportButton, ReportButton, DeleteButton})
        buttons->addWidget(b);
    buttons->addStretch(1);
    // What fills the archive and where it lives, on the line of the count: one row of seven
    // buttons does not fit the page.
    auto* sources = new QHBoxLayout;
    sources->addWidget(CountLabel, 1);
    sources->addWidget(ImportButton);
    Team = new TeamArchiveControls(keeper_, userFolder_, this);
    sources->addWidget(Team->ServerButton);
    connect(Team, &TeamArchiveControls::changed, this, &ArchivePage::Refresh);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(Table, 1);
    layout->addLayout(sources);
    layout->addLayout(buttons);

    keep_ = new QAction(this);
    keep_->setCheckable(true);
    const bool on = UserSettings::Load(UserSettings::FileIn(userFolder_)).flag(kSwitchKey, true);
    keep_->setChecked(on);
    keeper_.setEnabled(on);
    connect(keep_, &QAction::toggled, this, &ArchivePage::setKeeping);

    chooseOpenFiles = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getOpenFileNames(this, caption, {}, filter);
    };
    chooseSaveFile = [this](const QString& caption, const QString& proposed) {
        return QFileDialog::getSaveFileName(this, caption, proposed);
    };

    connect(FilterEdit, &QLineEdit::textChanged, this, &ArchivePage::Refresh);
    connect(TypeBox, &QComboBox::currentIndexChanged, this, &ArchivePage::Refresh);
    connect(FromEdit, &QDateEdit::dateChanged, this, &ArchivePage::Refresh);
    connect(ToEdit, &QDateEdit::dateChanged, this, &ArchivePage::Refresh);
    connect(SerialBox, &QComboBox::currentTextChanged, this, &ArchivePage::Refresh);
    connect(CompareButton, &QPushButton::clicked, this, &ArchivePage::CompareClick);
    connect(TrendButton, &QPushButton::clicked, this, &ArchivePage::TrendClick);
    connect(ExportButton, &QPushButton::clicked, this, &ArchivePage::ExportClick);
    connect(DeleteButton, &QPushButton::clicked, this, &ArchivePage::DeleteClick);
    connect(ImportButton, &QPushButton::clicked, this, &ArchivePage::ImportClick);
    connect(ReportButton, &QPushButton::clicked, this, &ArchivePage::ReportClick);
    connect(Table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        Archive* a = archive();
        if (!a) return;
        const std::int64_t id = Table->item(row, kName)->data(Qt::UserRole).toLongLong();
        if (const std::optional<OpenLogger> logger = a->Logger(id)) emit openLogger(*logger);
    });
}

QString ArchivePage::text(int entry) const {
    return table_ ? Q(table_->entry(entry)) : QString();
}

void ArchivePage::applyTranslation(const LanguageTable& table) {
    table_ = &table;
    for (int k = 0; k < 5; ++k) labels_[k]->setText(text(kLabelEntries[k]));
    TypeBox->setItemText(0, text(1475));
    CompareButton->setText(text(1479));
    TrendButton->setText(text(1480));
    ExportButton->setText(text(1481));
    DeleteButton->setText(text(1482));
    ImportButton->setText(text(1483));
    ReportButton->setText(text(1432));
    QStringList headings;
    for (int c = 0; c < kColumns; ++c) headings << text(1484 + c);
    Table->setHorizontalHeaderLabels(headings);
    keep_->setText(text(1491));
    // What a filter or a button does where its caption cannot say it all.
    const std::pair<QWidget*, int> tips[] = {
        {FilterEdit, 1790},   {TypeBox, 1791},      {FromEdit, 1792},     {ToEdit, 1793},
        {SerialBox, 1794},    {CompareButton, 1795}, {TrendButton, 1796}, {ExportButton, 1797},
        {DeleteButton, 1798}, {ImportButton, 1799}, {ReportButton, 1800}};
    for (const auto& [widget, entry] : tips) widget->setToolTip(text(entry));
    Team->applyTranslation(table);
    Refresh();
}

Archive* ArchivePage::archive() { return keeper_.archive(); }

void ArchivePage::tell(int message, const QString& detail) {
    const std::string body = ArchiveNotice(table_ ? *table_ : LanguageTable(), message,
                                           detail.toStdString());
    QMessageBox::information(this, text(1471), Q(body));
}

void ArchivePage::setKeeping(bool on) {
    keeper_.setEnabled(on);
    (void)UpdateUserSettings(UserSettings::FileIn(userFolder_),
                             [on](UserSettings& s) { s.setFlag(kSwitchKey, on); });
}

void ArchivePage::Refresh() {
    Archive* a = archive();
    const bool usable = a != nullptr;
    const bool writable = usable && a->state() == Archive::State::Ready;
    for (QPushButton* b : {CompareButton, TrendButton, ExportButton, ReportButton})
        b->setEnabled(usable);
    DeleteButton->setEnabled(writable);
    ImportButton->setEnabled(writable);
    Table->setSortingEnabled(false);
    Table->setRowCount(0);
    if (!usable) {
        CountLabel->setText(text(1000 + kMessageArchiveUnavailable));
        return;
    }
    // The instruments the archive knows, for the serial's list.
    const QString serial = SerialBox->currentText();
    if (SerialBox->count() == 0) {
        QSignalBlocker quiet(SerialBox);
        SerialBox->addItem("");
        for (const InstrumentFacts& i : a->Instruments()) SerialBox->addItem(Q(i.serial));
        SerialBox->setEditText(serial);
    }
    ArchiveFilter f;
    f.text = FilterEdit->text().trimmed().toStdString();
    f.type = TypeBox->currentIndex() == 0 ? std::string() : TypeBox->currentText().toStdString();
    if (FromEdit->date() != kNoLimit) f.since = FromEdit->date().toString(Qt::ISODate).toStdString();
    if (ToEdit->date() != kNoLimit) f.until = ToEdit->date().toString(Qt::ISODate).toStdString();
    f.serial = serial.trimmed().toStdString();
    const std::vector<ArchivedLogger> list = a->List(f);
    Table->setRowCount(static_cast<int>(list.size()));
    int row = 0;
    for (const ArchivedLogger& lg : list) {
        QTableWidgetItem* name = Item(Q(lg.name));
        name->setData(Qt::UserRole, static_cast<qlonglong>(lg.id));
        Table->setItem(row, kName, name);
        Table->setItem(row, kType, Item(Q(lg.type)));
        Table->setItem(row, kPlan, Item(Q(lg.plan)));
        Table->setItem(row, kMeasured,
                       Item(lg.measuredAt ? Q(*lg.measuredAt).replace('T', ' ') : QString()));
        Table->setItem(row, kRecords, Item(lg.records));
        Table->setItem(row, kBelow, Item(lg.belowThreshold));
        Table->setItem(row, kSerial, Item(Q(lg.serial.value_or(""))));
        ++row;
    }
    Table->setSortingEnabled(true);
    Table->resizeColumnsToContents();
    const QString waiting = Team->pendingText();
    CountLabel->setText(text(1501) + ' ' + QString::number(list.size()) +
                        (waiting.isEmpty() ? QString() : "    " + waiting));
}

std::vector<std::int64_t> ArchivePage::SelectedIds() const {
    std::vector<std::int64_t> ids;
    for (int row = 0; row < Table->rowCount(); ++row)
        if (Table->item(row, kName) && Table->item(row, kName)->isSelected())
            ids.push_back(Table->item(row, kName)->data(Qt::UserRole).toLongLong());
    return ids;
}

void ArchivePage::selectIds(const std::vector<std::int64_t>& ids) {
    Table->clearSelection();
    for (int row = 0; row < Table->rowCount(); ++row) {
        const std::int64_t id = Table->item(row, kName)->data(Qt::UserRole).toLongLong();
        if (std::find(ids.begin(), ids.end(), id) != ids.end())
            for (int c = 0; c < kColumns; ++c) Table->item(row, c)->setSelected(true);
    }
}

void ArchivePage::ShowLoggers(const QString& serial, const std::vector<std::int64_t>& ids) {
    {
        const QSignalBlocker quiet[] = {QSignalBlocker(FilterEdit), QSignalBlocker(TypeBox),
                                        QSignalBlocker(FromEdit), QSignalBlocker(ToEdit),
                                        QSignalBlocker(SerialBox)};
        FilterEdit->clear();
        TypeBox->setCurrentIndex(0);
        FromEdit->setDate(kNoLimit);
        ToEdit->setDate(kNoLimit);
        SerialBox->setEditText(serial);
    }
    Refresh();
    selectIds(ids);
    const QList<QTableWidgetItem*> shown = Table->selectedItems();
    if (!shown.isEmpty()) Table->scrollToItem(shown.front());
}

void ArchivePage::CompareClick() {
    const std::vector<std::int64_t> ids = SelectedIds();
    Archive* a = archive();
    if (ids.size() != 2 || !a) {
        tell(460);
        return;
    }
    const std::optional<Comparison> c = Compare(*a, ids[0], ids[1]);
    if (!c) return;
    auto* window = new ArchiveAnalysisWindow(*table_, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->ShowComparison(*c);
    window->show();
}

void ArchivePage::TrendClick() {
    const std::vector<std::int64_t> ids = SelectedIds();
    Archive* a = archive();
    if (ids.size() != 1 || !a) {
        tell(461);
        return;
    }
    const std::int64_t id = ids[0];
    std::vector<std::string> channels;
    for (const ArchivedRecord& r : a->Records(id))
        if (std::find(channels.begin(), channels.end(), r.channel) == channels.end())
            channels.push_back(r.channel);
    // The first few channels to begin with; the list ticks others.
    const std::vector<std::string> first(channels.begin(),
                                         channels.begin() + std::min<std::size_t>(3, channels.size()));
    const std::optional<Trend> t = TrendOf(*a, id, first);
    if (!t) return;
    auto* window = new ArchiveAnalysisWindow(*table_, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->ShowTrend(*t, channels, [this, id](const std::vector<std::string>& chosen) {
        Archive* again = archive();
        return again ? TrendOf(*again, id, chosen) : std::nullopt;
    });
    window->show();
}

void ArchivePage::ExportClick() {
    const std::vector<std::int64_t> ids = SelectedIds();
    Archive* a = archive();
    if (!a || ids.size() != 1) {
        tell(461);
        return;
    }
    const std::optional<ArchivedLogger> lg = a->Find(ids[0]);
    if (!lg) return;
    const std::string extension = lg->type == "PLC" ? ".logplc" : ".lograd";
    QString chosen = chooseSaveFile(text(1481), Q(lg->name + extension));
    if (chosen.isEmpty()) return;
    const bool csv = chosen.endsWith(".csv", Qt::CaseInsensitive);
    // The dialog asked about the name chosen; never over the archive's own files.
    const bool asked = csv || chosen.endsWith(Q(extension));
    if (!asked) chosen += Q(extension);
    const auto mayReplace = [this] {
        return QMessageBox::question(this, text(1471), text(kReplaceFileQuestion),
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    if (!MayWriteOutput(PathFromQString(chosen), keeper_.location().localFiles(), asked,
                        mayReplace, [&](int message) { tell(message, chosen); }))
        return;
    bool written = false;
    if (csv) {
        const std::optional<OpenLogger> logger = a->Logger(ids[0]);
        written = logger && WriteFileAtomically(PathFromQString(chosen), LoggerCsvText(*logger));
    } else {
        const std::optional<std::string> bytes = a->Bytes(ids[0]);
        written = bytes && WriteFileAtomically(PathFromQString(chosen), *bytes);
    }
    if (!written) tell(kMessageArchiveNotWritten, chosen);
}

void ArchivePage::DeleteClick() {
    const std::vector<std::int64_t> ids = SelectedIds();
    Archive* a = archive();
    if (!a || ids.empty()) return;
    QMessageBox ask(QMessageBox::Question, text(1471), text(1470),
                    QMessageBox::Yes | QMessageBox::No, this);
    ask.setDefaultButton(QMessageBox::No);
    if (ask.exec() != QMessageBox::Yes) return;
    if (!a->Delete(ids)) tell(kMessageArchiveReadOnly, Q(a->detail()));
    Refresh();
}

void ArchivePage::ImportClick() {
    Archive* a = archive();
    if (!a) return;
    const QStringList files = chooseOpenFiles(text(1483), text(1505));
    // The files refused, by the message that says why.
    std::map<int, QStringList> refused;
    for (const QString& file : files) {
        int read = 0;
        ReadRefusal why = ReadRefusal::CannotOpen;
        if (a->ImportFile(PathFromQString(file), &read, &why)) continue;
        const bool unread = read == kLoggerFileUnreadable && why != ReadRefusal::CannotOpen;
        refused[unread ? ReadRefusalMessage(why) : kMessageArchiveNotLoggerFile] << file;
    }
    for (const auto& [message, names] : refused) tell(message, names.join('\n'));
    Refresh();
}

void ArchivePage::ReportClick() {
    Archive* a = archive();
    Feedback* feedback = reportFeedback ? reportFeedback() : nullptr;
    if (!a || !feedback || !table_) return;
    const std::optional<std::vector<ReportLogger>> loggers =
        ReportLoggersFromArchive(*a, SelectedIds());
    if (!loggers) {
        tell(kMessageArchiveNoSuchLogger);
        return;
    }
    (void)MakeSiteReport(this, *loggers, *feedback, *table_, userFolder_);
}

}  // namespace zv318
