#pragma once
// The software's name and version, shown on the main window, the editor, the logger viewer
// and the about-this-software window.

namespace zv318 {

inline constexpr char kSoftwareVersionText[] = "ZV-318 Software v1.2";

}  // namespace zv318
