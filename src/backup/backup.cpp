#include "backup/backup.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "texts/sha256.h"
#include "link/queries.h"
#include "loggers/logger_procedures.h"
#include "plans/plan_model.h"
#include "texts/file_names.h"
#include "texts/local_time.h"
#include "texts/text_file.h"

namespace zv318 {

namespace fs = std::filesystem;

namespace {

// Language entries.
constexpr int kBackupCaption = 1097;
constexpr int kRestoreCaption = 1098;
constexpr int kOtherInstrumentQuestion = 1170;
constexpr int kRestoredNote = 1171;
constexpr int kCheckingStatus = 1172;
constexpr int kStoppedStatus = 40;
constexpr int kWorkingNote = 57;
constexpr int kFinishedStatus = 55;
constexpr int kStartingStatus = 53;
constexpr int kNoteWidth = 295;
// Messages.
constexpr int kNotConnectedMessage = 7;
constexpr int kNoLoggersOfType = 29;
constexpr int kNotCompleted = 26;
constexpr int kCannotWriteBackup = 145;
constexpr int kNotABackup = 146;
constexpr int kFileDoesNotMatch = 147;
constexpr int kReadBackDiffers = 148;
constexpr int kLoggersStay = 149;
constexpr int kFileNotNamed = 252;
constexpr int kNotAFolderFile = 253;
constexpr int kNamedTwice = 254;
// Entries of the texts that name plans.
constexpr int kUnreadablePlansNotice = 1255;
constexpr int kRestoreQuestion = 1256;
constexpr int kMissingPlansNote = 1257;

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// A reply value without the carriage return and blanks around it.
std::string Trimmed(std::string text) {
    const auto blank = [](unsigned char c) { return c == '\r' || c == '\n' || c == ' '; };
    while (!text.empty() && blank(text.back())) text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && blank(text[start])) ++start;
    return text.substr(start);
}

// The person's Feedback without the notice that a logger type is empty: a backup lists what
// there is in its manifest and needs no box for a type without loggers.
class WithoutEmptyTypeNotice : public Feedback {
public:
    explicit WithoutEmptyTypeNotice(Feedback& inner) : inner_(inner) {}
    void showMessage(int number) override {
        if (number != kNoLoggersOfType) inner_.showMessage(number);
    }
    void showFileMessage(int number, const std::string& file) override {
        inner_.showFileMessage(number, file);
    }
    void showNotice(const std::string& text) override { inner_.showNotice(text); }
    void showInformation(const std::string& text, const std::string& caption) override {
        inner_.showInformation(text, caption);
    }
    bool askYesNo(int textEntry, int captionEntry) override {
        return inner_.askYesNo(textEntry, captionEntry);
    }
    Answer askYesNoCancel(int textEntry, int captionEntry) override {
        return inner_.askYesNoCancel(textEntry, captionEntry);
    }
    std::optional<std::string> chooseFile(const FileRequest& request) override {
        return inner_.chooseFile(request);
    }
    ProgressWindow& progress() override { return inner_.progress(); }
    void processEvents() override { inner_.processEvents(); }
    void setBusy(bool busy) override { inner_.setBusy(busy); }

private:
    Feedback& inner_;
};

// The entries joined by commas.
std::string Listed(const std::vector<std::string>& entries) {
    std::string list;
    for (const std::string& entry : entries) list += (list.empty() ? "" : ", ") + entry;
    return list;
}

// What keeps a backup folder from being exactly the files its manifest names: the message
// and the file at fault; nothing when the folder is sound.
std::optional<std::pair<int, std::string>> FolderFault(const fs::path& folder, const Manifest& m) {
    std::vector<std::string> named;
    for (const BackupFile& f : m.files) {
        if (f.unreadable()) continue;
        if (!IsBackupFileName(f.file)) return std::pair{kNotAFolderFile, f.file};
        if (std::find(named.begin(), named.end(), Upper(f.file)) != named.end())
            return std::pair{kNamedTwice, f.file};
        named.push_back(Upper(f.file));
    }
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = PathToText(it->path().filename());
        if (name == kManifestName) continue;
        const bool listed = std::any_of(m.files.begin(), m.files.end(), [&](const BackupFile& f) {
            return !f.unreadable() && f.file == name;
        });
        if (!listed) return std::pair{kFileNotNamed, name};
    }
    if (ec) return std::pair{kFileDoesNotMatch, PathToText(folder)};
    // The loggers stay in the folder, but must be there as made; the plans are read and
    // checked one by one after this.
    for (const BackupFile& f : m.files) {
        if (!f.logger) continue;
        ReadRefusal why = ReadRefusal::CannotOpen;
        const std::optional<std::string> bytes =
            ReadWholeFile(folder / f.file, kLoggerFileMaxBytes, &why);
        if (!bytes && why != ReadRefusal::CannotOpen)
            return std::pair{ReadRefusalMessage(why), f.file};
        if (!bytes || Sha256Hex(*bytes) != f.sha256) return std::pair{kFileDoesNotMatch, f.file};
    }
    return std::nullopt;
}

// Removes the folder it guards unless told to keep it.
class StageFolder {
public:
    explicit StageFolder(fs::path path) : path_(std::move(path)) {}
    ~StageFolder() {
        if (path_.empty()) return;
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    StageFolder(const StageFolder&) = delete;
    StageFolder& operator=(const StageFolder&) = delete;
    [[nodiscard]] const fs::path& path() const { return path_; }
    void keep() { path_.clear(); }

private:
    fs::path path_;
};

// Removes the unfinished folders an earlier backup of this instrument left in `dir` (it ended
// before its rename: a crash, a second interrupt). This program holds the instrument's lock, so
// none of them is still being written.
void RemoveStaleStages(const fs::path& dir, const std::string& prefix) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with("." + prefix) && name.ends_with(".partial") && it->is_directory(ec) &&
            !it->is_symlink(ec)) {
            std::error_code removed;
            fs::remove_all(it->path(), removed);
        }
    }
}

}  // namespace

InstrumentBackup::InstrumentBackup(Link& link, Feedback& feedback, const LanguageTable& language)
    : link_(link), feedback_(feedback), language_(language) {}

std::string InstrumentBackup::UniqueName(const std::string& stem, const std::string& suffix) {
    // Two names may become the same file name once made safe, or differ only in case.
    std::string name = stem + suffix;
    for (int n = 2; std::find(taken_.begin(), taken_.end(), Upper(name)) != taken_.end(); ++n)
        name = stem + "~" + std::to_string(n) += suffix;
    taken_.push_back(Upper(name));
    return name;
}

bool InstrumentBackup::AddFile(const fs::path& stage, BackupFile file, const std::string& bytes,
                               Manifest& manifest) {
    if (!WriteFileAtomically(stage / file.file, bytes)) {
        feedback_.showMessage(kCannotWriteBackup);
        return false;
    }
    file.sha256 = Sha256Hex(bytes);
    if (onFile) onFile(file);
    manifest.files.push_back(std::move(file));
    return true;
}

BackupOutcome InstrumentBackup::Backup(const fs::path& dir) {
    folder_.clear();
    taken_.clear();
    if (!link_.FindInstrument()) {
        feedback_.showMessage(kNotConnectedMessage);
        return BackupOutcome::NotConnected;
    }
    Manifest manifest;
    manifest.serial = Trimmed(GetSerial(link_));
    manifest.ioVersion = Trimmed(GetIOVersion(link_));
    manifest.zvVersion = Trimmed(GetZVVersion(link_));
    if (Lost()) {
        feedback_.showMessage(kNotConnectedMessage);
        return BackupOutcome::NotConnected;
    }
    const std::tm local = LocalTimeNow();
    char date[16], time[16], stamp[32];
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    manifest.date = date;
    manifest.time = time;

    const std::string name = "ZV318-" + SafeFileName(manifest.serial) + "-" + stamp;
    std::error_code ec;
    fs::create_directories(dir, ec);
    RemoveStaleStages(dir, "ZV318-" + SafeFileName(manifest.serial) + "-");
    StageFolder stage(dir / ("." + name + ".partial"));
    fs::remove_all(stage.path(), ec);
    const fs::path copies = stage.path() / ".copies";
    if (!fs::create_directories(copies, ec)) {
        feedback_.showMessage(kCannotWriteBackup);
        return BackupOutcome::Failed;
    }

    // The plans, read as "Read equipment's channel plans" reads them: the files are the very
    // copies that reading writes, so a backup holds what reading them one by one gives.
    // A plan that cannot be read costs only itself: it is named in the manifest as unreadable.
    PlanList list;
    PlanProcedures plans(link_, feedback_, language_, list, copies);
    plans.setReadEveryPlan(true);
    switch (plans.ReceiveButClick()) {
        case PlanOutcome::Done:
        case PlanOutcome::Failed:
            break;
        case PlanOutcome::NotConnected:
            return BackupOutcome::NotConnected;
        case PlanOutcome::Cancelled:
            return BackupOutcome::Failed;
    }
    std::vector<std::string> unreadable;
    int numbers[3] = {0, 0, 0};
    for (int k = 0; k < list.count(); ++k) {
        const std::string entry = list.entry(k);
        BackupFile file;
        file.type = entry.ends_with(ListSuffixFor(kRadioPlan)) ? kRadioPlan : kPlcPlan;
        file.number = numbers[file.type]++;
        file.original = entry.substr(0, entry.size() - ListSuffixFor(file.type).size());
        file.file = UniqueName(SafeFileName(file.original), ListSuffixFor(file.type) + ".c318");
        const std::optional<fs::path> copy = plans.LatestReadingCopy(k);
        if (!copy) {
            file.file.clear();
            unreadable.push_back(entry);
            if (onFile) onFile(file);
            manifest.files.push_back(std::move(file));
            continue;
        }
        const std::optional<std::string> bytes = ReadWholeFile(*copy, kPlanFileMaxBytes);
        if (!bytes) {
            feedback_.showMessage(kCannotWriteBackup);
            return BackupOutcome::Failed;
        }
        if (!AddFile(stage.path(), std::move(file), *bytes, manifest)) return BackupOutcome::Failed;
    }

    // The loggers, listed and downloaded record by record as opening each one does; each
    // file holds what saving that logger gives.
    WithoutEmptyTypeNotice quiet(feedback_);
    LoggerProcedures loggers(link_, quiet, language_, copies);
    ProgressWindow& progress = feedback_.progress();
    // A failure from here on leaves the window stopped, with its OK button to close it.
    struct StopUnlessDone {
        ProgressWindow& p;
        std::string stopped;
        bool done = false;
        ~StopUnlessDone() {
            if (done) return;
            p.setStatus(stopped);
            p.moveToEnd();
            p.setOkEnabled(true);
        }
    } stop{progress, Entry(kStoppedStatus)};
    for (int type : {kRadioLogger, kPlcLogger}) {
        switch (loggers.ReceiveLoggers(type)) {
            case LoggerOutcome::Done:
                break;
            case LoggerOutcome::NotConnected:
                return BackupOutcome::NotConnected;
            case LoggerOutcome::Cancelled:
            case LoggerOutcome::Failed:
                return BackupOutcome::Failed;
        }
        const LoggerTable& table = loggers.table();
        progress.setRange(0, table.ListedLoggerCount());
        progress.setPosition(0);
        progress.setBarVisible(true);
        progress.setOkEnabled(false);
        progress.setCaption(Entry(kBackupCaption));
        progress.setStatus(Entry(kStartingStatus));
        progress.show();
        feedback_.processEvents();
        for (int row = 1; row <= table.ListedLoggerCount(); ++row) {
            const int loaded = loggers.LoadLoggerFromInstrument(row, type);
            if (loaded == kLoggerLost) return BackupOutcome::NotConnected;  // message 7 shown
            if (loaded != kLoggerLoaded) {
                feedback_.showMessage(kNotCompleted);
                return BackupOutcome::Failed;
            }
            BackupFile file;
            file.logger = true;
            file.type = type;
            file.number = table.LoggerRowMap(row);
            file.original = loggers.logger().name;
            file.file = UniqueName(SafeFileName(file.original),
                                   LoggerSlotTag(type, file.number) + LoggerExtension(type));
            if (!AddFile(stage.path(), std::move(file), LoggerFileText(loggers.logger()), manifest))
                return BackupOutcome::Failed;
            progress.advance();
            feedback_.processEvents();
        }
    }
    fs::remove_all(copies, ec);

    if (!WriteFileAtomically(stage.path() / kManifestName, ManifestText(manifest))) {
        feedback_.showMessage(kCannotWriteBackup);
        return BackupOutcome::Failed;
    }
    // Everything was read: the one rename that makes the folder a backup.
    fs::path target = dir / name;
    for (int n = 2; fs::exists(target, ec); ++n) target = dir / (name + "-" + std::to_string(n));
    fs::rename(stage.path(), target, ec);
    if (ec) {
        feedback_.showMessage(kCannotWriteBackup);
        return BackupOutcome::Failed;
    }
    stage.keep();
    stop.done = true;
    folder_ = target;

    ProgressWindow& p = feedback_.progress();
    p.setCaption(Entry(kBackupCaption));
    p.setStatus(Entry(kFinishedStatus));
    p.setNoteWidth(kNoteWidth);
    p.setNote(PathToText(target));
    p.moveToEnd();
    p.setOkEnabled(true);
    if (!unreadable.empty()) {
        feedback_.showNotice(FillIn(Entry(kUnreadablePlansNotice), {Listed(unreadable)}));
        return BackupOutcome::Incomplete;
    }
    return BackupOutcome::Done;
}

// ---- restoring the plans ---------------------------------------------------------------------

BackupOutcome InstrumentBackup::Refuse(int message, const std::string& note) {
    refused_ = note;
    ProgressWindow& p = feedback_.progress();
    p.setStatus(Entry(kStoppedStatus));
    p.setNote(note);
    p.setBarVisible(false);  // nothing was restored: no full bar
    p.setOkEnabled(true);
    feedback_.showMessage(message);
    return BackupOutcome::Failed;
}

BackupOutcome InstrumentBackup::RestorePlans(const fs::path& folder, PlanProcedures& plans,
                                             const PlanListView& list) {
    restored_ = 0;
    refused_.clear();
    ReadRefusal why = ReadRefusal::CannotOpen;
    const std::optional<std::string> text =
        ReadWholeFile(folder / kManifestName, kManifestFileMaxBytes, &why);
    const std::optional<Manifest> manifest = text ? ParseManifest(*text) : std::nullopt;
    if (!manifest) {
        // A FIFO or a device in its place, or one too large: the verdict every reader gives.
        feedback_.showMessage(text || why == ReadRefusal::CannotOpen ? kNotABackup
                                                                     : ReadRefusalMessage(why));
        return BackupOutcome::Failed;
    }
    std::vector<const BackupFile*> planFiles;
    bool loggers = false;
    for (const BackupFile& f : manifest->files) {
        if (f.logger)
            loggers = true;
        else
            planFiles.push_back(&f);
    }

    ProgressWindow& p = feedback_.progress();
    p.setRange(0, static_cast<int>(planFiles.size()));
    p.setPosition(0);
    p.setBarVisible(true);
    p.setOkEnabled(false);
    p.setCaption(Entry(kRestoreCaption));
    p.setStatus(Entry(kCheckingStatus));
    p.setNoteWidth(kNoteWidth);
    p.setNote(Entry(kWorkingNote));
    p.show();
    feedback_.processEvents();

    // Every file is read and checked before the instrument is touched: the folder holds
    // exactly the files the manifest names, each with its hash; then every plan line as
    // sending it checks them, then that it is the plan the manifest says, in the manifest's
    // order (plan 0, 1, ... of each type, at most ten of a type).
    if (const auto fault = FolderFault(folder, *manifest)) return Refuse(fault->first, fault->second);
    std::vector<PreparedPlan> prepared;
    std::vector<std::string> bytes, missing;
    int numbers[3] = {0, 0, 0};
    for (const BackupFile* f : planFiles) {
        if (f->unreadable()) {
            if (f->number != numbers[f->type]++) return Refuse(kFileDoesNotMatch, f->original);
            missing.push_back(f->original + ListSuffixFor(f->type));
            continue;
        }
        ReadRefusal why = ReadRefusal::CannotOpen;
        std::optional<std::string> content =
            ReadWholeFile(folder / f->file, kPlanFileMaxBytes, &why);
        // A file that is there but is no plan file at all says so; a missing one does not match.
        if (!content && why != ReadRefusal::CannotOpen)
            return Refuse(ReadRefusalMessage(why), f->file);
        if (!content || Sha256Hex(*content) != f->sha256) return Refuse(kFileDoesNotMatch, f->file);
        PlanFileCheck check = CheckPlanText(*content, language_);
        if (!check.accepted())
            return Refuse(check.message,
                          check.note.empty() ? f->file : f->file + ": " + check.note);
        if (check.plan.type != f->type || check.plan.name != f->original ||
            f->number != numbers[f->type]++ || numbers[f->type] > kMaxPlansPerType)
            return Refuse(kFileDoesNotMatch, f->file);
        if (onFile) onFile(*f);
        prepared.push_back(std::move(check.plan));
        bytes.push_back(std::move(*content));
        p.advance();
        feedback_.processEvents();
    }

    if (!link_.FindInstrument()) {
        p.setOkEnabled(true);
        feedback_.showMessage(kNotConnectedMessage);
        return BackupOutcome::NotConnected;
    }
    const std::string serial = Trimmed(GetSerial(link_));
    if (Lost()) {
        p.setOkEnabled(true);
        feedback_.showMessage(kNotConnectedMessage);
        return BackupOutcome::NotConnected;
    }
    if (serial != manifest->serial &&
        !feedback_.askYesNo(kOtherInstrumentQuestion, kRestoreCaption)) {
        p.setOkEnabled(true);
        return BackupOutcome::Cancelled;
    }
    // What the restore erases and writes, asked every time; No is the default.
    std::vector<std::string> counts;
    for (int type : {kRadioPlan, kPlcPlan}) {
        (void)link_.SendCommand(type == kRadioPlan ? "*EC01" : "*EC02");
        counts.push_back(std::to_string(std::clamp(GetChannelPlanQuantity(link_), 0, kMaxPlansPerType)));
    }
    if (Lost()) {
        p.setOkEnabled(true);
        feedback_.showMessage(kNotConnectedMessage);
        return BackupOutcome::NotConnected;
    }
    for (int type : {kRadioPlan, kPlcPlan})
        counts.push_back(std::to_string(std::count_if(
            prepared.begin(), prepared.end(), [&](const PreparedPlan& plan) { return plan.type == type; })));
    std::string question = FillIn(Entry(kRestoreQuestion), counts);
    if (!missing.empty()) question += "\n" + FillIn(Entry(kMissingPlansNote), {Listed(missing)});
    if (!feedback_.askYesNoText(question, kRestoreCaption)) {
        p.setOkEnabled(true);
        return BackupOutcome::Cancelled;
    }

    switch (plans.RewritePlans(prepared)) {
        case PlanOutcome::Done:
            break;
        case PlanOutcome::NotConnected:
            return BackupOutcome::NotConnected;
        case PlanOutcome::Cancelled:
        case PlanOutcome::Failed:
            return BackupOutcome::Failed;
    }
    // The reading that ended the rewrite: each plan as it is now on the instrument.
    bool same = list.count() == static_cast<int>(prepared.size());
    for (int k = 0; same && k < list.count(); ++k) {
        const std::optional<fs::path> copy = plans.LatestReadingCopy(k);
        same = list.entry(k) == prepared[k].name + ListSuffixFor(prepared[k].type) && copy &&
               ReadWholeFile(*copy, kPlanFileMaxBytes) == bytes[k];
    }
    if (!same) {
        feedback_.showMessage(kReadBackDiffers);
        return BackupOutcome::Failed;
    }
    restored_ = static_cast<int>(prepared.size());
    p.setCaption(Entry(kRestoreCaption));
    p.setStatus(Entry(kFinishedStatus));
    p.setNote(Entry(kRestoredNote) + " " + std::to_string(restored_));
    p.moveToEnd();
    p.setOkEnabled(true);
    if (loggers) feedback_.showMessage(kLoggersStay);
    return BackupOutcome::Done;
}

}  // namespace zv318
