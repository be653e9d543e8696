#include "texts/windows/window_growth.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTableView>
#include <QWidget>

#include "texts/user_settings.h"
#include "texts/window_place.h"

namespace zv318 {

GrowthLayout::GrowthLayout(QWidget* container, QSize design)
    : QObject(container), container_(container), design_(design) {
    container_->installEventFilter(this);
}

void GrowthLayout::add(QWidget* control, int growth) {
    controls_.push_back({control, control->geometry(), growth});
}

void GrowthLayout::apply() {
    const int dx = std::max(0, container_->width() - design_.width());
    const int dy = std::max(0, container_->height() - design_.height());
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
    if (watched == container_ && event->type() == QEvent::Resize) apply();
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
    ColumnStretcher(QTableView* table, std::vector<int> widths)
        : QObject(table), table_(table), widths_(std::move(widths)) {
        setObjectName(QStringLiteral("ColumnStretcher"));
        table->viewport()->installEventFilter(this);
        apply();
    }
    void setWidths(std::vector<int> widths) {
        widths_ = std::move(widths);
        apply();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize && watched == table_->viewport()) apply();
        return QObject::eventFilter(watched, event);
    }

private:
    void apply() {
        int design = 0;
        for (int w : widths_) design += w;
        const int room = table_->viewport()->width();
        int used = 0;
        for (std::size_t c = 0; c < widths_.size(); ++c) {
            int width = widths_[c];
            if (room > design && design > 0)
                width = c + 1 < widths_.size() ? widths_[c] * room / design : room - used;
            table_->setColumnWidth(static_cast<int>(c), width);
            used += width;
        }
    }
    QTableView* table_;
    std::vector<int> widths_;
};

}  // namespace

void StretchColumns(QTableView* table, std::vector<int> designWidths) {
    if (auto* existing = table->findChild<ColumnStretcher*>(QStringLiteral("ColumnStretcher"),
                                                            Qt::FindDirectChildrenOnly))
        existing->setWidths(std::move(designWidths));
    else
        new ColumnStretcher(table, std::move(designWidths));
}

}  // namespace zv318
