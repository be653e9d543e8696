#pragma once
// Menu captions with keyboard mnemonics for the main window's menus.

#include <QString>

namespace zv318 {

// "&" in the text itself is doubled, then the first letter or digit not yet in `taken` (the
// keys of the same menu so far) gets the "&" and joins `taken`.
[[nodiscard]] QString WithMnemonic(const QString& text, QString& taken);

}  // namespace zv318
