#include "plans/windows/plan_list_widget.h"

#include <QListWidget>

#include "texts/text_file.h"

namespace zv318 {

namespace {
constexpr int kEntryRole = Qt::UserRole + 1;
}

LlistaPlanList::LlistaPlanList(QListWidget& list, std::function<void()> enableCommands)
    : list_(list), enableCommands_(std::move(enableCommands)) {}

void LlistaPlanList::clear() { list_.clear(); }

void LlistaPlanList::add(const std::string& entry) {
    // The instrument may send names that are not UTF-8: show them decoded, keep the bytes.
    auto* item = new QListWidgetItem(QString::fromStdString(DecodeUtf8OrWindows1252(entry)));
    item->setData(kEntryRole, QByteArray::fromStdString(entry));
    list_.addItem(item);
}

int LlistaPlanList::count() const { return list_.count(); }

std::string LlistaPlanList::entry(int index) const {
    const QListWidgetItem* item = list_.item(index);
    if (!item) return {};
    QVariant kept = item->data(kEntryRole);
    return kept.isValid() ? kept.toByteArray().toStdString() : item->text().toStdString();
}

bool LlistaPlanList::isSelected(int index) const {
    const QListWidgetItem* item = list_.item(index);
    return item && item->isSelected();
}

void LlistaPlanList::enablePlanCommands() {
    if (enableCommands_) enableCommands_();
}

}  // namespace zv318
