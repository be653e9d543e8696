#include "loggers/logger_procedures.h"

#include <algorithm>
#include <cctype>

#include "loggers/logger_observer.h"
#include "plans/plan_model.h"
#include "texts/file_names.h"
#include "texts/output_path.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

constexpr int kOverwriteQuestion = 13;
constexpr int kConfirmCaption = 37;
constexpr int kSavedCaption = 112;
constexpr int kSavedText = 113;

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The hourglass for the length of an operation.
class Hourglass {
public:
    explicit Hourglass(Feedback& feedback) : feedback_(feedback) { feedback_.setBusy(true); }
    ~Hourglass() { feedback_.setBusy(false); }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;

private:
    Feedback& feedback_;
};

// A header the instrument garbled or cut short: a record count no logger can hold (or no
// number at all), or no name, plan or unit to file the logger under.
bool DamagedHeader(const LoggerIndexEntry& e) {
    // Besides a count out of range and texts missing: anything a logger file could not carry
    // and read back.
    return e.recordCount < 0 || e.recordCount > kMaxLoggerRecords || e.name.empty() ||
           e.planName.empty() || e.levelUnit.empty() || HoldsControlCharacter(e.name) ||
           HoldsControlCharacter(e.planName) || HoldsControlCharacter(e.date) ||
           HoldsControlCharacter(e.time) || !ThresholdTextFits(ThresholdText(e));
}

}  // namespace

LoggerProcedures::LoggerProcedures(Link& link, Feedback& feedback, const LanguageTable& language,
                                   std::filesystem::path programFolder)
    : link_(link),
      feedback_(feedback),
      language_(language),
      programFolder_(std::move(programFolder)) {}

const LoggerIndexEntry& LoggerProcedures::entry(int slot) const {
    static const LoggerIndexEntry none;
    if (slot < 0 || slot >= kLoggerSlots) return none;
    return index_[static_cast<std::size_t>(slot)];
}

// ---- the index ------------------------------------------------------------------------------

bool LoggerProcedures::SelectType(int type) {
    // The status byte is not looked at; the search afterwards tells whether anyone answers.
    (void)link_.SendCommand(type == kRadioLogger ? "*EC01" : "*EC02");
    return link_.FindInstrument();
}

LoggerOutcome LoggerProcedures::ReceiveLoggers(int type) {
    table_.ClearLoggerList();
    if (!SelectType(type)) {
        feedback_.showMessage(7);
        return LoggerOutcome::NotConnected;
    }
    // The index is read into a copy: an instrument that stops answering half-way leaves the
    // table as the last complete reception made it.
    const std::array<LoggerIndexEntry, kLoggerSlots> before = index_;
    ReadLoggerPresence();
    for (int slot = 0; slot < kLoggerSlots && link_.IsOpen(); ++slot) {
        if (presence_[static_cast<std::size_t>(slot)])
            ReadLoggerHeader(slot);
        else
            index_[static_cast<std::size_t>(slot)] = EmptyLoggerEntry(slot);
    }
    if (!link_.IsOpen()) {
        index_ = before;
        feedback_.showMessage(7);
        return LoggerOutcome::NotConnected;
    }
    if (table_.ListLoggers(index_) == 0) feedback_.showMessage(29);
    currentType_ = type;
    return LoggerOutcome::Done;
}

void LoggerProcedures::ReadLoggerPresence() {
    presence_ = PresenceFromReply(link_.SendQuery("*?LT"));
}

void LoggerProcedures::ReadLoggerHeader(int slot) {
    const LoggerHeader h = HeaderFromReply(link_.SendQuery(LoggerHeaderCommand(slot)));
    // A reply naming a slot outside the table is not stored anywhere.
    if (h.slot < 0 || h.slot >= kLoggerSlots) return;
    LoggerIndexEntry& e = index_[static_cast<std::size_t>(h.slot)];
    e.present = 1;
    e.number = h.slot;
    e.time = h.time;
    e.date = h.date;
    e.name = h.name;
    e.planName = h.planName;
    e.recordCount = h.recordCount;
    e.threshold = h.threshold;
    e.levelUnit = h.levelUnit;
}

// ---- the open logger ------------------------------------------------------------------------

int LoggerProcedures::LoadLogger(int source) {
    Hourglass hourglass(feedback_);
    if (source != -1) return LoadLoggerFromInstrument(source, currentType_);
    const int result = ReadLoggerFile();
    if (result == kNotALoggerFile)
        feedback_.showMessage(11);
    else if (result != kLoggerFileCancelled && result != kLoggerFileRead)
        feedback_.showMessage(26);
    return result;
}

int LoggerProcedures::LoadLoggerFromInstrument(int row, int type) {
    OpenLogger loaded;
    const int result = DownloadLogger(row, type, loaded);
    if (result != kLoggerLoaded) return result;
    logger_ = std::move(loaded);
    TellLoggerDownloaded(logger_, table_.LoggerRowMap(row));
    return kLoggerLoaded;
}

int LoggerProcedures::DownloadLogger(int row, int type, OpenLogger& loaded) {
    const int slot = table_.LoggerRowMap(row);
    const LoggerIndexEntry& e = entry(slot);
    loaded = OpenLogger{};
    loaded.name = table_.cell(row, 1);
    loaded.planName = e.planName;
    loaded.date = table_.cell(row, 3);
    loaded.time = table_.cell(row, 2);
    loaded.thresholdText = ThresholdText(e);
    loaded.typeText = TypeLabelFor(type);
    if (loaded.typeText.empty()) {
        feedback_.showMessage(25);
        return kLoggerLoadFailed;
    }
    // A row that shows no logger has nothing to download.
    if (slot < 0) return kLoggerLoadFailed;
    // A damaged header: nothing is asked, nothing sized from it, nothing saved under it.
    if (DamagedHeader(e)) {
        feedback_.showMessage(kDamagedLoggerHeader);
        return kLoggerDamaged;
    }
    // The records answer for the type selected last; other commands (a plan reading) may have
    // switched it since the reception.
    if (!SelectType(type)) {
        feedback_.showMessage(7);
        return kLoggerLost;
    }
    loaded.records.reserve(static_cast<std::size_t>(e.recordCount));
    for (int k = 0; k < e.recordCount; ++k) {
        LoggerRecordReply r;
        const int step = ReadLoggerRecord(slot, k, r);
        if (step == 2) {
            feedback_.showMessage(7);
            return kLoggerLost;
        }
        if (step != 0) return kLoggerLoadFailed;
        loaded.records.push_back({r.channel, HzToMHzText(r.frequency), HzToMHzText(r.bandwidth),
                                  r.power + " " + e.levelUnit});
    }
    return kLoggerLoaded;
}

int LoggerProcedures::ReadLoggerRecord(int slot, int record, LoggerRecordReply& out) {
    if (slot >= kLoggerSlots || slot < 0) return 1;
    std::optional<Report> report = BuildTextReport(kCodeQuery, LoggerRecordCommand(slot, record));
    if (!report) return 1;
    std::optional<Report> reply = link_.Exchange(*report);
    if (!reply) return 2;
    std::optional<LoggerRecordReply> read = RecordFromReply(QueryValue(*reply, kRecordTextOffset));
    // A record the instrument sent damaged is never kept as if it were sound.
    if (!read) return 1;
    out = std::move(*read);
    return 0;
}

int LoggerProcedures::ReadLoggerFile() {
    FileRequest request;
    request.kind = FileRequest::OpenLogger;
    request.startFolder = LoggersFolder().string();
    std::optional<std::string> chosen = feedback_.chooseFile(request);
    if (!chosen) return kLoggerFileCancelled;
    return ReadLoggerFileAt(*chosen, logger_, feedback_);
}

std::filesystem::path LoggerProcedures::PrintTextPath() const {
    return LoggersFolder() / kPrintTextName;
}

std::optional<LoggerProcedures::SavePlace> LoggerProcedures::SavePath(int mode, int type) {
    const std::string extension = LoggerExtension(type);
    const std::string stem = stemInRun_ ? *stemInRun_ : SafeFileName(logger_.name);
    switch (mode) {
        case 1:
            return SavePlace{PrintTextPath()};
        case 2:
            return SavePlace{LoggersFolder() / PathFromText(stem + extension)};
        case 3: {
            FileRequest request;
            request.kind = FileRequest::SaveLogger;
            request.startFolder = PathToText(LoggersFolder());
            request.proposedName = stem + extension;
            std::optional<std::string> chosen = feedback_.chooseFile(request);
            if (!chosen) return std::nullopt;
            std::string path = *chosen;
            // The dialog asked about the path chosen, not about one with the extension added.
            const bool asked = path.ends_with(extension);
            if (!asked) path += extension;
            return SavePlace{PathFromText(path), asked};
        }
        default:
            return SavePlace{SaveAllAsFilePath(PathFromText(saveAllAsPath), stem, type)};
    }
}

bool LoggerProcedures::MayReplace(const SavePlace& place) {
    // The rule of every output (never the archive's files, never anything but a regular file
    // or a new name), with this writer's own question.
    return MayWriteOutput(
        place.path, {}, place.overwriteAsked,
        [this] { return feedback_.askYesNo(kOverwriteQuestion, kConfirmCaption); },
        [this, &place](int message) {
            feedback_.showFileMessage(message, PathToText(place.path));
        });
}

int LoggerProcedures::WriteLogger(int mode) {
    const int type = TypeFromLabel(logger_.typeText);
    if (type != kRadioLogger && type != kPlcLogger) {
        feedback_.showMessage(25);
        return kLoggerBadType;
    }
    const std::optional<SavePlace> place = SavePath(mode, type);
    if (!place) return kLoggerWritten;  // the save dialog was cancelled
    const std::string bytes = mode == 1 ? LoggerPrintText(logger_) : LoggerFileText(logger_);
    bool alreadyThere = false;
    if (mode != 1) {
        if (!LoggerFileReadsBack(bytes, logger_)) {
            feedback_.showMessage(kLoggerNotReadable);
            return kLoggerUnreadable;
        }
        // The same logger saved before is left as it is: nothing to replace, nothing to ask.
        alreadyThere = ReadWholeFile(place->path, kLoggerFileMaxBytes) == bytes;
        if (!alreadyThere && !MayReplace(*place)) return kLoggerNotOverwritten;
    }
    // The program's own "Loggers" folder is made on first use: a new user folder is empty.
    if (mode == 1 || mode == 2) {
        std::error_code error;
        std::filesystem::create_directories(LoggersFolder(), error);
    }
    WriteFailure why = WriteFailure::Other;
    if (!alreadyThere && !WriteFileAtomically(place->path, bytes, &why)) {
        feedback_.showFileMessage(18, PathToText(place->path));
        if (const int cause = WriteFailureMessage(why)) feedback_.showMessage(cause);
        return kLoggerCannotCreate;
    }
    if (mode != 1) logger_.fileName = PathToText(place->path);
    return kLoggerWritten;
}

// ---- the table's commands -------------------------------------------------------------------

LoggerOutcome LoggerProcedures::LoadFailed(int code) {
    if (code == kLoggerLost) return LoggerOutcome::NotConnected;
    if (code != kLoggerDamaged) feedback_.showMessage(26);
    return LoggerOutcome::Failed;
}

void LoggerProcedures::FinishedNotice(const std::filesystem::path& folder) {
    std::string text = language_.entry(kSavedText);
    if (!folder.empty()) {
        std::error_code error;
        const std::filesystem::path whole = std::filesystem::absolute(folder, error);
        text += "\n" + language_.entry(kSavedFolderEntry) + "\n" +
                PathToText((error ? folder : whole).lexically_normal());
    }
    feedback_.showInformation(text, language_.entry(kSavedCaption));
}

std::string LoggerProcedures::RunStem(int row, std::vector<std::string>& taken) const {
    std::string stem = SafeFileName(logger_.name);
    // Names that differ only in case are one file on some systems.
    if (std::find(taken.begin(), taken.end(), Upper(stem)) != taken.end())
        stem += LoggerSlotTag(TypeFromLabel(logger_.typeText), table_.LoggerRowMap(row));
    taken.push_back(Upper(stem));
    return stem;
}

LoggerOutcome LoggerProcedures::RunOutcome(const std::vector<int>& results,
                                           const std::filesystem::path& folder) {
    FinishedNotice(folder);
    const auto failed = [](int r) { return r != kLoggerWritten && r != kLoggerNotOverwritten; };
    if (std::any_of(results.begin(), results.end(), failed)) return LoggerOutcome::Failed;
    if (std::find(results.begin(), results.end(), kLoggerNotOverwritten) != results.end())
        return LoggerOutcome::Cancelled;
    return LoggerOutcome::Done;
}

int LoggerProcedures::LoggerIndexDblClick() {
    const int row = table_.DoubleClickRow();
    if (row == 0) return 0;
    const int result = LoadLogger(row);
    if (result != kLoggerLoaded) LoadFailed(result);
    return result;
}

std::vector<int> LoggerProcedures::ListedRows() const {
    std::vector<int> rows;
    for (int r = 1; r <= table_.RowsWithMark(); ++r) rows.push_back(r);
    return rows;
}

LoggerOutcome LoggerProcedures::SaveLogButClick() {
    return SaveLoggers(ListedRows());
}

LoggerOutcome LoggerProcedures::SaveLogAsButClick() {
    return SaveLoggersAs(ListedRows());
}

LoggerOutcome LoggerProcedures::SaveLoggers(const std::vector<int>& rows) {
    std::vector<std::string> taken;
    std::vector<int> results;
    for (int r : rows) {
        const int loaded = LoadLogger(r);
        if (loaded != kLoggerLoaded && loaded != kLoggerDamaged) return LoadFailed(loaded);
        // A logger that cannot be saved was reported and the run goes on; a file that cannot
        // be written was named and the run ends failed there, as every later file into the
        // same folder would fail alike.
        int written = loaded;
        if (loaded == kLoggerLoaded) {
            stemInRun_ = RunStem(r, taken);
            written = WriteLogger(2);
            stemInRun_.reset();
        }
        if (written == kLoggerCannotCreate) return LoggerOutcome::Failed;
        results.push_back(written);
        if (written == kLoggerWritten && onSaved) onSaved(logger_.fileName);
    }
    return RunOutcome(results, LoggersFolder());
}

LoggerOutcome LoggerProcedures::SaveLoggersAs(const std::vector<int>& rows) {
    std::vector<std::string> taken;
    std::vector<int> results;
    bool chosen = false;
    for (int r : rows) {
        const int loaded = LoadLogger(r);
        if (loaded == kLoggerDamaged) {
            results.push_back(loaded);
            continue;
        }
        if (loaded != kLoggerLoaded) return LoadFailed(loaded);
        if (!chosen) {
            FileRequest request;
            request.kind = FileRequest::SaveAllLoggers;
            request.startFolder = PathToText(LoggersFolder());
            request.proposedName = "MyLoggers";
            std::optional<std::string> path = feedback_.chooseFile(request);
            if (!path) return LoggerOutcome::Cancelled;
            saveAllAsPath = *path;
            chosen = true;
        }
        stemInRun_ = RunStem(r, taken);
        const int written = WriteLogger(4);
        stemInRun_.reset();
        if (written == kLoggerNotOverwritten) return LoggerOutcome::Cancelled;
        // Message 18 was shown by the writer: the run ends there.
        if (written == kLoggerCannotCreate) return LoggerOutcome::Failed;
        results.push_back(written);
        if (written == kLoggerWritten && onSaved) onSaved(logger_.fileName);
    }
    return RunOutcome(results,
                      chosen ? PathFromText(saveAllAsPath).parent_path() : std::filesystem::path());
}

LoggerOutcome LoggerProcedures::Printlogger1Click(LoggerPrinter& printer) {
    if (!printer.choosePrinter()) return LoggerOutcome::Cancelled;
    printer.SetPrintTitle(logger_.name);
    if (WriteLogger(1) != kLoggerWritten) {
        feedback_.showMessage(26);
        return LoggerOutcome::Failed;
    }
    if (printer.PrintTextFile(PrintTextPath()) == 0) {
        feedback_.showMessage(28);
        return LoggerOutcome::Failed;
    }
    return LoggerOutcome::Done;
}

LoggerOutcome LoggerProcedures::PrintSelButClick(LoggerPrinter& printer) {
    bool any = false;
    for (int r = 1; r <= table_.RowsWithMark(); ++r) {
        if (!table_.Marked(r)) continue;
        if (!any && !printer.choosePrinter()) return LoggerOutcome::Cancelled;
        any = true;
        const int result = LoadLogger(r);
        if (result != kLoggerLoaded) return LoadFailed(result);
        if (WriteLogger(1) != kLoggerWritten) {
            feedback_.showMessage(26);
            return LoggerOutcome::Failed;
        }
        printer.SetPrintTitle(logger_.name);
        if (printer.PrintTextFile(PrintTextPath()) == 0) {
            feedback_.showMessage(28);
            return LoggerOutcome::Failed;
        }
    }
    if (!any) {
        feedback_.showMessage(30);
        return LoggerOutcome::Failed;
    }
    return LoggerOutcome::Done;
}

}  // namespace zv318
