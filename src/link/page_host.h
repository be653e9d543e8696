#pragma once
// What a page or a menu command of the main window may ask of the window that holds it: run an
// instrument command with the window's other commands held back, keep a control's enabled
// state across such a command, the link, the language table, the Feedback, the program's
// folders and a refresh of the connection status box.
//
// It lives here, beside Feedback, because every windows library of the subsystems (plans,
// loggers, firmware, backup) already sits on the link: the pages include this header and never
// the main window's own (src/shell), so includes still run only down the layers. The language
// table and the Qt widget are only named (declared), so the link itself takes in neither the
// texts library nor Qt Widgets.

#include <filesystem>
#include <functional>

class QWidget;

namespace zv318 {

class Feedback;
class LanguageTable;
class Link;

class PageHost {
public:
    virtual ~PageHost() = default;

    // Runs `command` with the window's other commands disabled; false (and nothing run) when
    // a command is already running. A status refresh that falls due meanwhile runs after it.
    virtual bool runCommand(const std::function<void()>& command) = 0;
    [[nodiscard]] virtual bool busy() const = 0;
    // Sets the state a command control should have; applied at once unless a command runs,
    // else at its end.
    virtual void setCommandEnabled(QWidget* control, bool enabled) = 0;

    [[nodiscard]] virtual Link& link() = 0;
    [[nodiscard]] virtual LanguageTable& languageTable() = 0;
    // Null until the window is given one.
    [[nodiscard]] virtual Feedback* feedback() const = 0;
    // Where the person's files (plan copies, loggers, backups) are written.
    [[nodiscard]] virtual const std::filesystem::path& programFolder() const = 0;
    // Where the shipped data (pictures, languages, firmware images) is read.
    [[nodiscard]] virtual const std::filesystem::path& dataFolder() const = 0;

    // Refreshes the connection status box from a fresh search of the instrument.
    virtual void ConnectionStatus() = 0;
    // Lets the window repaint while a command runs; input waits until it is over.
    virtual void repaintNow() = 0;
};

}  // namespace zv318
