#pragma once
// Where a window stood and how large it was, kept in the person's settings ("window.NAME" in
// settings.txt) so that it opens there again: "x,y,width,height" and ",max" when maximised.
// What the file holds is outside input: a value that does not parse is no place, and a place is
// fitted to the screens there are now (a screen unplugged since, a smaller desktop).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv318 {

struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
};

struct WindowPlace {
    int x = 0, y = 0, width = 0, height = 0;
    bool maximized = false;
    friend bool operator==(const WindowPlace&, const WindowPlace&) = default;
};

[[nodiscard]] std::string WindowPlaceText(const WindowPlace& place);
// Nothing unless the text is four whole numbers (sizes above zero, every number within
// ±100000) and, at most, ",max".
[[nodiscard]] std::optional<WindowPlace> ParseWindowPlace(std::string_view text);

// The place on the screens: no smaller than `minimum` (width, height) nor larger than the screen
// it is on, and moved onto the screen that holds most of it (the first screen when none does).
[[nodiscard]] WindowPlace FitWindowPlace(WindowPlace place, const std::vector<ScreenRect>& screens,
                                         int minimumWidth, int minimumHeight);

// The settings key of a window's place.
[[nodiscard]] inline std::string WindowPlaceKey(std::string_view window) {
    return "window." + std::string(window);
}

}  // namespace zv318
