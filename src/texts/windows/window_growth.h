#pragma once
// Windows that grow: the controls of a page laid out at their design places follow the room the
// page gets beyond its design size (a list grows, the buttons beside it move along), and a
// window keeps its size and place in the person's settings.

#include <QHeaderView>
#include <QObject>
#include <QRect>
#include <QSize>
#include <filesystem>
#include <string>
#include <vector>

class QTableView;
class QWidget;

namespace zv318 {

// How a control follows the room its container gets beyond its design size.
enum Growth {
    Stays = 0,
    MovesRight = 1,
    MovesDown = 2,
    GrowsWide = 4,
    GrowsTall = 8,
};

class GrowthLayout : public QObject {
public:
    // The controls of `container` follow what `reference` (the container itself unless given)
    // has grown beyond `design`, its size as designed; the controls' present places are the
    // designed ones.
    GrowthLayout(QWidget* container, QSize design, QWidget* reference = nullptr);
    // `control` at its present (design) place follows `growth` (a combination of Growth).
    void add(QWidget* control, int growth);
    // Places every control for the container's present size.
    void apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Control {
        QWidget* widget;
        QRect design;
        int growth;
    };
    QWidget* container_;
    QWidget* reference_;
    QSize design_;
    std::vector<Control> controls_;
};

// The settings file the windows keep their places in; until it is set (the tests), nothing is
// kept nor read.
void SetWindowPlacesFile(std::filesystem::path file);

// Puts `window` where the settings last saw it (fitted to the screens of now) and keeps its size
// and place there each time it is hidden or closed. `name`: the window's key ("main").
void RememberPlace(QWidget* window, const std::string& name);

// The columns of a table fill the width of its view: all grow in proportion when the view has
// more room than their designed widths need. With `minimumWidths`, they also shrink when it has
// less, each in proportion to what it may give up, never below its minimum (only then does the
// table scroll sideways); without, each keeps its designed width. Set again, the new widths
// replace the old.
void StretchColumns(QTableView* table, std::vector<int> designWidths,
                    std::vector<int> minimumWidths = {});

// A table's column headings written on as many lines as their columns' widths need: the header
// grows to the tallest, a heading's words kept whole.
class WrappingHeader : public QHeaderView {
public:
    explicit WrappingHeader(QWidget* parent = nullptr);

protected:
    [[nodiscard]] QSize sectionSizeFromContents(int logicalIndex) const override;
};

}  // namespace zv318
