#include "texts/windows/window_growth.h"

#include <QEvent>
#include <algorithm>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QWidget>

#include "texts/user_settings.h"
#include "texts/window_place.h"

namespace zv318 {

GrowthLayout::GrowthLayout(QWidget* container, QSize design, QWidget* reference)
    : QObject(container),
      container_(container),
      reference_(reference ? reference : container),
      design_(design) {
    container_->installEventFilter(this);
    if (reference_ != container_) reference_->installEventFilter(this);
}

void GrowthLayout::add(QWidget* control, int growth) {
    controls_.push_back({control, control->geometry(), growth});
}

void GrowthLayout::apply() {
    const int dx = std::max(0, reference_->width() - design_.width());
    const int dy = std::max(0, reference_->height() - design_.height());
    for (const Control& c : controls_) {
        QRect place = c.design;
        if (c.growth & MovesRight) place.translate(dx, 0);
        if (c.growth & MovesDown) place.translate(0, dy);
        if (c.growth & GrowsWide) place.setWidth(place.width() + dx);
        if (c.growth & GrowsTall) place.setHeight(place.height() + dy);
        c.widget->setGeometry(place);
    }
}

bool GrowthLayout::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == container_ || watched == reference_) && event->type() == QEvent::Resize)
        apply();
    return QObject::eventFilter(watched, event);
}

namespace {

std::filesystem::path& PlacesFile() {
    static std::filesystem::path file;
    return file;
}

std::vector<ScreenRect> Screens() {
    std::vector<ScreenRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect r = screen->availableGeometry();
        screens.push_back({r.x(), r.y(), r.width(), r.height()});
    }
    return screens;
}

// Saves the window's place when it is hidden (or closed).
class PlaceKeeper : public QObject {
public:
    PlaceKeeper(QWidget* window, std::string key) : QObject(window), key_(std::move(key)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A close hides the window too: one save for both.
        if (event->type() == QEvent::Hide && watched == parent() && !PlacesFile().empty())
            save(*static_cast<QWidget*>(watched));
        return QObject::eventFilter(watched, event);
    }

private:
    void save(const QWidget& window) {
        const QRect normal = window.normalGeometry().isValid() && window.isMaximized()
                                 ? window.normalGeometry()
                                 : QRect(window.pos(), window.size());
        const WindowPlace place{normal.x(), normal.y(), normal.width(), normal.height(),
                                window.isMaximized()};
        const std::string text = WindowPlaceText(place);
        (void)UpdateUserSettings(PlacesFile(), [&](UserSettings& s) { s.set(key_, text); });
    }
    std::string key_;
};

}  // namespace

void SetWindowPlacesFile(std::filesystem::path file) { PlacesFile() = std::move(file); }

void RememberPlace(QWidget* window, const std::string& name) {
    const std::string key = WindowPlaceKey(name);
    if (!PlacesFile().empty()) {
        const UserSettings settings = UserSettings::Load(PlacesFile());
        if (const auto text = settings.value(key)) {
            if (const auto saved = ParseWindowPlace(*text)) {
                const QSize minimum = window->minimumSize();
                const WindowPlace place =
                    FitWindowPlace(*saved, Screens(), minimum.width(), minimum.height());
                window->resize(place.width, place.height);
                window->move(place.x, place.y);
                if (place.maximized) window->setWindowState(window->windowState() | Qt::WindowMaximized);
            }
        }
    }
    new PlaceKeeper(window, key);
}

namespace {

class ColumnStretcher : public QObject {
public:
    ColumnStretcher(QTableView* table, std::vector<int> widths, std::vector<int> minimums)
        : QObject(table), table_(table) {
        setObjectName(QStringLiteral("ColumnStretcher"));
        table->viewport()->installEventFilter(this);
        setWidths(std::move(widths), std::move(minimums));
    }
    void setWidths(std::vector<int> widths, std::vector<int> minimums) {
        widths_ = std::move(widths);
        // No minimum given: a column never gives up any of its designed width.
        minimums_ = minimums.size() == widths_.size() ? std::move(minimums) : widths_;
        for (std::size_t c = 0; c < widths_.size(); ++c)
            minimums_[c] = std::min(minimums_[c], widths_[c]);
        apply();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize && watched == table_->viewport()) apply();
        return QObject::eventFilter(watched, event);
    }

private:
    void apply() {
        int design = 0, least = 0;
        for (std::size_t c = 0; c < widths_.size(); ++c) {
            design += widths_[c];
            least += minimums_[c];
        }
        // Before the table shows, its viewport has no size yet: the room it will have.
        const QScrollBar* bar = table_->verticalScrollBar();
        const int room = table_->isVisible()
                             ? table_->viewport()->width()
                             : table_->width() - 2 * table_->frameWidth() -
                                   (table_->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn
                                        ? bar->sizeHint().width()
                                        : 0);
        int used = 0;
        for (std::size_t c = 0; c < widths_.size(); ++c) {
            const bool last = c + 1 == widths_.size();
            int width = widths_[c];
            if (room > design && design > 0) {
                width = last ? room - used : widths_[c] * room / design;
            } else if (room < design && least < design) {
                // What the columns give up, shared by what each may give up.
                const int give = std::min(design - room, design - least);
                width = widths_[c] - (widths_[c] - minimums_[c]) * give / (design - least);
                if (last && room >= least) width = std::max(minimums_[c], room - used);
            }
            table_->setColumnWidth(static_cast<int>(c), width);
            used += width;
        }
    }
    QTableView* table_;
    std::vector<int> widths_;
    std::vector<int> minimums_;
};

}  // namespace

void StretchColumns(QTableView* table, std::vector<int> designWidths,
                    std::vector<int> minimumWidths) {
    for (QObject* child : table->children()) {
        if (auto* existing = dynamic_cast<ColumnStretcher*>(child)) {
            existing->setWidths(std::move(designWidths), std::move(minimumWidths));
            return;
        }
    }
    new ColumnStretcher(table, std::move(designWidths), std::move(minimumWidths));
}

WrappingHeader::WrappingHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setDefaultAlignment(Qt::AlignCenter | static_cast<Qt::Alignment>(Qt::TextWordWrap));
    // A column resized may need another line: the header's height is measured again.
    connect(this, &QHeaderView::sectionResized, this, [this] {
        if (count() > 0) headerDataChanged(Qt::Horizontal, 0, count() - 1);
    });
}

QSize WrappingHeader::sectionSizeFromContents(int logicalIndex) const {
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    if (!model()) return size;
    const QString text = model()->headerData(logicalIndex, Qt::Horizontal).toString();
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    const int one = fontMetrics().height();
    const int width = std::max(1, sectionSize(logicalIndex) - 2 * margin);
    const int tall =
        fontMetrics().boundingRect(QRect(0, 0, width, 100 * one), Qt::TextWordWrap, text).height();
    size.setHeight(std::max(size.height(), size.height() - one + tall));
    return size;
}

}  // namespace zv318
