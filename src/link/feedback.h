#pragma once
// What a procedure may ask of the person at the screen. The windows implement it with message
// boxes, dialogs and the progress window; zv318ctl with a terminal; the tests with a recorder.

#include <optional>
#include <string>
#include <vector>

namespace zv318 {

// The progress window of the long instrument operations: a status line, a note, a bar and an
// OK button that closes it.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    virtual void setCaption(const std::string& text) = 0;
    virtual void setStatus(const std::string& text) = 0;  // Status
    virtual void setNote(const std::string& text) = 0;    // DoNotDisconnect
    virtual void setNoteWidth(int pixels) = 0;
    virtual void setRange(int minimum, int maximum) = 0;  // Progres
    virtual void setPosition(int position) = 0;
    [[nodiscard]] virtual int position() const = 0;
    [[nodiscard]] virtual int maximum() const = 0;
    virtual void setBarVisible(bool visible) = 0;
    virtual void setOkEnabled(bool enabled) = 0;  // OutUpd
    virtual void show() = 0;

    void advance(int by = 1) { setPosition(position() + by); }
    void moveToEnd() { setPosition(maximum()); }
};

// Which file a procedure asks the person for.
struct FileRequest {
    enum Kind {
        LoadPlan,        // a plan file to send to the instrument (no filter)
        EditPlan,        // a ".c318" plan file to open in the editor
        SavePlan,        // where to save a plan file
        FirmwareImage,    // an IO Interface image (.hex)
        InstrumentImage,  // an instrument image (.zv318)
        OpenLogger,      // a logger file to open
        SaveLogger,      // where to save one logger
        SaveAllLoggers,  // the base name of a save-all run
        ExportCsv,       // where to write a plan or a logger as CSV
        ImportCsv,       // a CSV file to read a plan from
        SaveChart,       // where to save a logger's chart (PNG or PDF)
        SaveReport,      // where to write a site report (PDF)
        BackupFolder,    // the folder a backup of the instrument goes into
        RestoreFolder,   // a backup folder whose plans go back to the instrument
    };
    Kind kind = LoadPlan;
    std::string startFolder;   // folder the dialog starts in; empty: the dialog's own choice
    std::string proposedName;  // file name the dialog starts with
    // Save dialogs: the files the command reads, which the chosen file must not be.
    std::vector<std::string> inputs;
};

enum class Answer { Yes, No, Cancel };

class Feedback {
public:
    virtual ~Feedback() = default;
    // Shows numbered message n of the catalogue (nothing for 0 and numbers above 31).
    virtual void showMessage(int number) = 0;
    // Message n about one file, which it names (a file that could not be written). Where a
    // feedback has no box of its own for it: the message, then the file's name as a notice.
    virtual void showFileMessage(int number, const std::string& file) {
        showMessage(number);
        showNotice(file);
    }
    // A notice whose text is not in the language table (for instance a faulty language file).
    virtual void showNotice(const std::string& text) = 0;
    // The same with words a technician need not read (a database server's own message): the
    // windows keep them in the box's "Details" part; elsewhere they follow the text.
    virtual void showNoticeWithDetails(const std::string& text, const std::string& details) {
        showNotice(details.empty() ? text : text + "\n" + details);
    }
    // An information box with its own caption (the end of a save run); where captions mean
    // nothing (a terminal, a recorder) the text alone, as a notice.
    virtual void showInformation(const std::string& text, const std::string& /*caption*/) {
        showNotice(text);
    }
    // A file the person asked for was written (a report, an export, a CSV): the windows name it
    // and offer to open it or its folder; elsewhere nothing more is said.
    virtual void fileWritten(const std::string& /*path*/) {}
    // Yes/No question with the texts of two language entries; No is the default answer.
    [[nodiscard]] virtual bool askYesNo(int textEntry, int captionEntry) = 0;
    [[nodiscard]] virtual Answer askYesNoCancel(int textEntry, int captionEntry) = 0;
    // A Yes/No question whose text the procedure made up (counts, names) from language entries;
    // No is the default answer, and what a person who is never asked gives.
    [[nodiscard]] virtual bool askYesNoText(const std::string& /*text*/, int /*captionEntry*/) {
        return false;
    }
    // The chosen path, or nothing when the person cancelled.
    [[nodiscard]] virtual std::optional<std::string> chooseFile(const FileRequest& request) = 0;
    virtual ProgressWindow& progress() = 0;
    // Lets pending window events run.
    virtual void processEvents() = 0;
    // The hourglass cursor.
    virtual void setBusy(bool busy) = 0;
};

}  // namespace zv318
