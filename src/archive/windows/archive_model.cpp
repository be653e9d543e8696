#include "archive/windows/archive_model.h"

#include "archive/archive_worker.h"

namespace zv318 {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

ArchiveTableModel::ArchiveTableModel(ArchiveWorker& worker, QObject* parent)
    : QAbstractTableModel(parent), worker_(worker) {}

void ArchiveTableModel::setFilter(const ArchiveFilter& filter) {
    filter_ = filter;
    restart();
}

void ArchiveTableModel::setHeadings(const QStringList& headings) {
    headings_ = headings;
    emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

void ArchiveTableModel::restart() {
    beginResetModel();
    rows_.clear();
    total_.reset();
    fetching_ = false;
    const int generation = ++generation_;
    endResetModel();
    // The count and the first page, in one work: the view shows both at once.
    struct First {
        std::optional<std::int64_t> total;
        std::vector<ArchivedLogger> rows;
    };
    fetching_ = true;
    worker_.post<First>(
        [filter = filter_, order = order_](Archive* a) {
            First f;
            if (!a) return f;
            f.total = a->Count(filter);
            if (f.total) f.rows = a->List(filter, order, 0, kPageRows);
            return f;
        },
        this,
        [this, generation](First f) {
            if (generation != generation_) return;
            fetching_ = false;
            total_ = f.total.value_or(0);
            if (!f.rows.empty()) {
                beginInsertRows({}, 0, static_cast<int>(f.rows.size()) - 1);
                rows_ = std::move(f.rows);
                endInsertRows();
            }
            emit counted(*total_);
        });
}

std::int64_t ArchiveTableModel::idAt(int row) const {
    const ArchivedLogger* a = loggerAt(row);
    return a ? a->id : 0;
}

const ArchivedLogger* ArchiveTableModel::loggerAt(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
    return &rows_[static_cast<std::size_t>(row)];
}

int ArchiveTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ArchiveTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant ArchiveTableModel::data(const QModelIndex& index, int role) const {
    const ArchivedLogger* a = loggerAt(index.row());
    if (!a) return {};
    const int column = index.column();
    if (role == Qt::TextAlignmentRole)
        return column == kRecords || column == kBelow
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant();
    if (role == Qt::UserRole) return static_cast<qlonglong>(a->id);
    if (role != Qt::DisplayRole) return {};
    switch (column) {
        case kName: return Q(a->name);
        case kType: return Q(a->type);
        case kPlan: return Q(a->plan);
        case kMeasured: return a->measuredAt ? Q(*a->measuredAt).replace('T', ' ') : QString();
        case kRecords: return a->records;
        case kBelow: return a->belowThreshold;
        case kSerial: return Q(a->serial.value_or(""));
        default: return {};
    }
}

QVariant ArchiveTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < headings_.size())
        return headings_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool ArchiveTableModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !fetching_ && total_ &&
           static_cast<std::int64_t>(rows_.size()) < *total_;
}

void ArchiveTableModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    fetching_ = true;
    const int generation = generation_;
    const int offset = static_cast<int>(rows_.size());
    worker_.post<std::vector<ArchivedLogger>>(
        [filter = filter_, order = order_, offset](Archive* a) {
            return a ? a->List(filter, order, offset, kPageRows) : std::vector<ArchivedLogger>{};
        },
        this,
        [this, generation](std::vector<ArchivedLogger> more) {
            if (generation != generation_) return;
            fetching_ = false;
            if (more.empty()) {
                // The archive holds fewer than counted (removed meanwhile): no more to fetch.
                total_ = static_cast<std::int64_t>(rows_.size());
                return;
            }
            const int first = static_cast<int>(rows_.size());
            beginInsertRows({}, first, first + static_cast<int>(more.size()) - 1);
            for (ArchivedLogger& a : more) rows_.push_back(std::move(a));
            endInsertRows();
        });
}

void ArchiveTableModel::sort(int column, Qt::SortOrder order) {
    static const ArchiveSort by[kColumns] = {ArchiveSort::Name,     ArchiveSort::Type,
                                             ArchiveSort::Plan,     ArchiveSort::Measured,
                                             ArchiveSort::Records,  ArchiveSort::Below,
                                             ArchiveSort::Serial};
    const ArchiveOrder wanted{column >= 0 && column < kColumns ? by[column] : ArchiveSort::Id,
                              order == Qt::DescendingOrder};
    if (wanted.by == order_.by && wanted.descending == order_.descending) return;
    order_ = wanted;
    restart();
}

}  // namespace zv318
