#pragma once
// The Archive page's table as a model that never holds the whole archive: the loggers a filter
// selects are counted with COUNT(*), and their rows are read a page at a time on the archive's
// worker as the view scrolls to them. A new filter or order starts afresh; an answer to an
// older one is dropped.

#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "archive/archive.h"

namespace zv318 {

class ArchiveWorker;

class ArchiveTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kName, kType, kPlan, kMeasured, kRecords, kBelow, kSerial, kColumns };
    static constexpr int kPageRows = 200;

    ArchiveTableModel(ArchiveWorker& worker, QObject* parent = nullptr);

    // Reads the loggers of the filter afresh, in the order the view asked last.
    void setFilter(const ArchiveFilter& filter);
    void setHeadings(const QStringList& headings);
    // The count of the last filter, once the worker has answered (nothing before).
    [[nodiscard]] std::optional<std::int64_t> total() const { return total_; }
    [[nodiscard]] std::int64_t idAt(int row) const;
    [[nodiscard]] const ArchivedLogger* loggerAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    void sort(int column, Qt::SortOrder order) override;

signals:
    // The count of the current filter is known.
    void counted(qint64 total);

private:
    void restart();

    ArchiveWorker& worker_;
    ArchiveFilter filter_;
    ArchiveOrder order_;
    QStringList headings_;
    std::vector<ArchivedLogger> rows_;
    std::optional<std::int64_t> total_;
    int generation_ = 0;  // of the filter and order the rows belong to
    bool fetching_ = false;
};

}  // namespace zv318
