#pragma once
// The one way a text from outside (a name from the instrument, the archive or a file, a
// version, a serial, a path, a lock holder's name) is shown on a terminal or in a message:
// what could steer a terminal or turn the text around is written as an escape, so that a
// planted "ESC[2J" shows instead of clearing the screen.

#include <string>
#include <string_view>

namespace zv318 {

// `text` with the C0 controls, DEL and every byte that is no UTF-8 (a lone 0x9B among them)
// written as "\xNN"; the C1 controls (U+0080 to U+009F) and the bidirectional controls
// (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069) as "\uNNNN". Printable text,
// UTF-8 included, is unchanged; so are line breaks ("\n", and "\r\n" as one) when
// `keepLineBreaks` (a notice of several lines, a CSV).
[[nodiscard]] std::string TerminalText(std::string_view text, bool keepLineBreaks = false);

}  // namespace zv318
