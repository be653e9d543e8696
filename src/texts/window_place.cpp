#include "texts/window_place.h"

#include <algorithm>
#include <charconv>

namespace zv318 {

namespace {

constexpr int kLargest = 100000;

long long Overlap(const WindowPlace& p, const ScreenRect& s) {
    const long long w = std::min<long long>(p.x + p.width, s.x + s.width) - std::max(p.x, s.x);
    const long long h = std::min<long long>(p.y + p.height, s.y + s.height) - std::max(p.y, s.y);
    return w > 0 && h > 0 ? w * h : 0;
}

}  // namespace

std::string WindowPlaceText(const WindowPlace& place) {
    std::string text = std::to_string(place.x) + "," + std::to_string(place.y) + "," +
                       std::to_string(place.width) + "," + std::to_string(place.height);
    if (place.maximized) text += ",max";
    return text;
}

std::optional<WindowPlace> ParseWindowPlace(std::string_view text) {
    int values[4] = {};
    for (int k = 0; k < 4; ++k) {
        if (k > 0) {
            if (text.empty() || text.front() != ',') return std::nullopt;
            text.remove_prefix(1);
        }
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), values[k]);
        if (error != std::errc() || end == text.data()) return std::nullopt;
        text.remove_prefix(static_cast<std::size_t>(end - text.data()));
        if (values[k] < -kLargest || values[k] > kLargest) return std::nullopt;
    }
    WindowPlace place{values[0], values[1], values[2], values[3], false};
    if (place.width <= 0 || place.height <= 0) return std::nullopt;
    if (text == ",max") place.maximized = true;
    else if (!text.empty()) return std::nullopt;
    return place;
}

WindowPlace FitWindowPlace(WindowPlace place, const std::vector<ScreenRect>& screens,
                           int minimumWidth, int minimumHeight) {
    place.width = std::max(place.width, minimumWidth);
    place.height = std::max(place.height, minimumHeight);
    if (screens.empty()) return place;
    const ScreenRect* best = &screens.front();
    long long most = 0;
    for (const ScreenRect& s : screens) {
        if (const long long o = Overlap(place, s); o > most) {
            most = o;
            best = &s;
        }
    }
    // No larger than its screen (but never below the minimum), and wholly on it.
    place.width = std::max(std::min(place.width, best->width), minimumWidth);
    place.height = std::max(std::min(place.height, best->height), minimumHeight);
    place.x = std::clamp(place.x, best->x, std::max(best->x, best->x + best->width - place.width));
    place.y = std::clamp(place.y, best->y, std::max(best->y, best->y + best->height - place.height));
    return place;
}

}  // namespace zv318
