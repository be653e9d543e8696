#include "plans/plan_procedures.h"

#include <algorithm>
#include <cstdio>

#include "link/interrupts.h"
#include "link/queries.h"
#include "link/report.h"
#include "texts/fields.h"
#include "texts/output_path.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

// Language entries of the progress window.
constexpr int kReadingCaption = 45;
constexpr int kWritingCaption = 25;
constexpr int kStartingStatus = 53;
constexpr int kFinishedStatus = 55;
constexpr int kStoppedStatus = 40;
// A reading stopped because a copy could not be written (the plan itself is sound).
constexpr int kCopyNotWrittenStatus = 1689;
constexpr int kNotConnectedStatus = 67;
constexpr int kWorkingNote = 57;
constexpr int kDoneNote = 29;
constexpr int kNoteWidth = 295;
// Language entries of the deletion question.
constexpr int kDeleteQuestion = 38;
constexpr int kDeleteCaption = 37;
// Language entries of the note on a plan name that cannot be a file name.
constexpr int kNameFaultNote = 1000;
constexpr int kAtTheEndNote = 1001;
// A plan never has more channels than the channel query can address.
constexpr int kMaxQueriedChannels = 999;

std::string Padded(int value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", digits, value);
    return buf;
}

}  // namespace

// ---- conversions -------------------------------------------------------------------------

int ChannelReplyTail(std::string_view reply, int type, std::string& tail) {
    const std::optional<PlanLimits> limits = LimitsFor(type);
    if (!limits) return 25;
    if (reply.empty()) return 13;
    // One leading character, then name&frequency&bandwidth&flags and nothing else.
    std::string_view body = reply.substr(1);
    std::string_view fields[4];
    for (int k = 0; k < 4; ++k) {
        const std::size_t amp = k < 3 ? body.find('&') : body.size();
        if (amp == std::string_view::npos) return 13;
        fields[k] = body.substr(0, amp);
        body.remove_prefix(k < 3 ? amp + 1 : amp);
    }
    const std::string_view name = fields[0];
    // A comma or a control character would break the copy's channel line.
    if (name.find(',') != std::string_view::npos || HoldsControlCharacter(name)) return 13;
    const std::optional<std::int32_t> frequency = HertzField(fields[1]);
    const std::optional<std::int32_t> bandwidth = HertzField(fields[2]);
    const std::optional<std::int64_t> flags = DigitsField(fields[3], 255);
    if (!frequency || !limits->frequencyFits(*frequency)) return 13;
    if (!bandwidth || !limits->bandwidthFits(*bandwidth)) return 13;
    if (!flags) return 13;

    tail = ",";
    tail += name;
    tail += ',' + std::to_string(*frequency) + ',' + std::to_string(*bandwidth) + ',';
    tail += *flags >= 128 ? "ON" : "OFF";
    return 0;
}

std::string ChannelReplyToLine(std::string_view reply, int type, Feedback& feedback) {
    std::string tail;
    if (const int message = ChannelReplyTail(reply, type, tail)) {
        feedback.showMessage(message);
        return "error";
    }
    return tail;
}

std::string LineToChannelPayload::operator()(std::string_view line, bool first, int type) {
    std::string payload = Quietly(line, first, type);
    if (IsPayloadError(payload) && feedback_)
        feedback_->showMessage(payload == "error00" ? 25 : 14);
    return payload;
}

std::string LineToChannelPayload::Quietly(std::string_view line, bool first, int type) {
    const std::optional<PlanLimits> limits = LimitsFor(type);
    if (!limits) return "error00";
    if (first) {
        LastSentIndex = -1;
        LastSentFrequency = limits->lowestFrequency - 1;
    }
    // A line the file does not hold (it announced more channels) is refused as the first
    // check it cannot pass: the index that does not follow the last, or for the first channel
    // the frequency.
    if (line.empty()) {
        if (LastSentIndex >= 0) return "error02";
        return type == kRadioPlan ? "error03" : "error04";
    }
    const ChannelLineFields f = SplitChannelLine(line);

    const std::optional<std::int64_t> index = DecimalField(f.index, 0, kMaxPayloadIndex);
    if (!index) return "error01";
    // Indices run 0, 1, 2 … as every writer of plan files numbers them, and as the editor
    // reads them: a file the editor would refuse is never sent either.
    if (*index != LastSentIndex + 1) return "error02";
    LastSentIndex = static_cast<std::int32_t>(*index);
    std::string payload = Padded(LastSentIndex, 3);

    // "&" separates the payload's fields: a name holding one would shift them; the instrument
    // stops reading the command at a control character and keeps a plan cut short.
    if (f.name.find('&') != std::string_view::npos || HoldsControlCharacter(f.name))
        return "error09";
    payload += '&';
    payload += f.name;

    const std::optional<std::int32_t> frequency = HertzField(f.frequency);
    if (!frequency || !limits->frequencyFits(*frequency))
        return type == kRadioPlan ? "error03" : "error04";
    if (*frequency <= LastSentFrequency) return "error05";
    LastSentFrequency = *frequency;
    payload += '&' + std::to_string(*frequency);

    const std::optional<std::int32_t> bandwidth = HertzField(f.bandwidth);
    if (!bandwidth || !limits->bandwidthFits(*bandwidth))
        return type == kRadioPlan ? "error06" : "error07";
    payload += '&' + std::to_string(*bandwidth);

    if (f.state == "ON")
        payload += "&128";
    else if (f.state == "OFF")
        payload += "&0";
    else
        return "error08";

    if (payload.size() > kMaxPayloadLength) return "error09";
    return payload;
}

// ---- checking a plan file ----------------------------------------------------------------

PlanFileCheck CheckPlanText(std::string text, const LanguageTable& language) {
    PlanFileCheck check;
    LineReader reader(std::move(text));
    const PlanFileHeader header = ReadPlanFileHeader(reader);
    if (!LimitsFor(header.type)) {
        check.code = kPlanBadType;
        check.message = 13;
        check.line = 1;
        return check;
    }
    if (!header.count) {
        check.code = kPlanBadCount;
        check.message = 14;
        check.line = 3;
        return check;
    }
    // A name that does not fit its command, or whose copy could not be a file.
    check.line = 2;
    if (header.name.size() > kMaxSentNameLength) {
        check.code = kPlanBadName;
        check.message = 14;
        return check;
    }
    if (const std::optional<FileNameFault> fault = FindFileNameFault(header.name)) {
        check.code = kPlanBadName;
        check.message = 14;
        check.note = language.entry(kNameFaultNote) + " " + ShownFaultCharacter(*fault);
        if (fault->atEnd) check.note += " " + language.entry(kAtTheEndNote);
        return check;
    }
    // The name rule every reader of plan files keeps: one verdict for one name.
    if (!PlanNameFitsFile(header.name)) {
        check.code = kPlanBadName;
        check.message = 14;
        return check;
    }
    // A plan holds at most 150 channels; a larger one is never sent, since no reading of it
    // could open it again.
    check.line = 3;
    if (*header.count > kMaxFileChannels) {
        check.code = kPlanTooManyLines;
        check.message = 14;
        return check;
    }
    check.line = 0;
    check.plan.type = header.type;
    check.plan.name = header.name;
    check.plan.count = *header.count;
    LineToChannelPayload payload;
    for (int c = 0; c < *header.count; ++c) {
        const std::string line = ReadChannelLine(reader).value_or(std::string{});
        std::string p = payload.Quietly(line, c == 0, header.type);
        if (IsPayloadError(p)) {
            check.code = 1000 * (c + 1) + static_cast<int>(DigitsField(p.substr(5), 9).value_or(0));
            check.message = 14;
            check.note = "Error " + p.substr(5, 2) + "." + std::to_string(c);
            check.line = c + 4;
            check.plan.payloads.clear();
            return check;
        }
        check.plan.payloads.push_back(std::move(p));
    }
    // More channel lines than the count: refused as the line whose index the count excludes.
    if (!OnlyEmptyLinesLeft(reader)) {
        check.code = 1000 * (*header.count + 1) + 2;
        check.message = 14;
        check.note = "Error 02." + std::to_string(*header.count);
        check.line = *header.count + 4;
        check.plan.payloads.clear();
    }
    return check;
}

std::string RefusedLineNotice(const PlanFileCheck& check, const LanguageTable& language) {
    if (check.accepted() || check.line <= 0) return {};
    return FillIn(language.entry(kEntryRefusedPlanLine), {std::to_string(check.line)});
}

bool SamePlan(const PreparedPlan& a, const PreparedPlan& b) {
    // The index that starts each payload is where the file put the channel; the instrument
    // numbers its channels afresh, so only what follows it is compared.
    auto same = [](const std::string& x, const std::string& y) {
        return x.size() >= 3 && y.size() >= 3 && x.compare(3, std::string::npos, y, 3) == 0;
    };
    return a.type == b.type && a.name == b.name && a.payloads.size() == b.payloads.size() &&
           std::equal(a.payloads.begin(), a.payloads.end(), b.payloads.begin(), same);
}

PlanFileCheck CheckPlanFile(const std::filesystem::path& file, const LanguageTable& language) {
    ReadRefusal why{};
    std::optional<std::string> text = ReadWholeFile(file, kPlanFileMaxBytes, &why);
    if (!text) {
        PlanFileCheck check;
        check.code = kPlanFileUnreadable;
        check.message = ReadRefusalMessage(why);
        return check;
    }
    return CheckPlanText(std::move(*text), language);
}

// ---- the procedures ----------------------------------------------------------------------

PlanProcedures::PlanProcedures(Link& link, Feedback& feedback, const LanguageTable& language,
                               PlanListView& list, std::filesystem::path programFolder)
    : link_(link),
      feedback_(feedback),
      language_(language),
      list_(list),
      programFolder_(std::move(programFolder)) {}

bool PlanProcedures::SelectType(int type) {
    // The command searches again: a handle lost just before is opened afresh, so callers check
    // the link after every step that writes, not only after this one.
    (void)link_.SendCommand(type == kRadioPlan ? "*EC01" : "*EC02");
    return !Lost();
}

bool PlanProcedures::Send(const std::string& command) {
    (void)link_.SendQuery(command);
    return !Lost();
}

bool PlanProcedures::ErasePlans() {
    link_.ErasePlans();
    return !Lost();
}

int PlanProcedures::PlanCount() {
    // The instrument stores at most ten plans of a type; a reply beyond that is not trusted.
    return std::clamp(GetChannelPlanQuantity(link_), 0, kMaxPlansPerType);
}

int PlanProcedures::ChannelCount(int plan) {
    return std::clamp(GetChannelQuantity(link_, plan), 0, kMaxQueriedChannels);
}

bool PlanProcedures::WriteCopy(const std::optional<std::filesystem::path>& copy,
                               const std::string& text) {
    if (copy && WriteFileAtomically(*copy, text)) return true;
    // The reading stops here, and says which file: the copies after it would fail alike (a
    // folder that may not be written, a full disk).
    const std::string file = copy ? PathToText(*copy) : std::string{};
    EndProgress(kCopyNotWrittenStatus, file);
    feedback_.showFileMessage(18, file);
    copyFailed_ = true;
    return false;
}

void PlanProcedures::BeginProgress(int captionEntry, int maximum) {
    ProgressWindow& p = feedback_.progress();
    p.setRange(0, maximum);
    p.setPosition(0);
    p.setBarVisible(true);
    p.setOkEnabled(false);
    p.setCaption(Entry(captionEntry));
    p.setStatus(Entry(kStartingStatus));
    p.setNoteWidth(kNoteWidth);
    p.setNote(Entry(kWorkingNote));
    p.show();
    feedback_.processEvents();
}

void PlanProcedures::EndProgress(int statusEntry, const std::optional<std::string>& note) {
    ProgressWindow& p = feedback_.progress();
    p.setStatus(Entry(statusEntry));
    // A transfer that stopped never shows a full bar nor "do not disconnect".
    const bool finished = statusEntry == kFinishedStatus;
    if (note || !finished) p.setNote(note.value_or(std::string{}));
    if (finished)
        p.moveToEnd();
    else
        p.setBarVisible(false);
    p.setOkEnabled(true);
}

PlanOutcome PlanProcedures::EndLost() {
    EndProgress(kNotConnectedStatus, std::string{});
    feedback_.showMessage(7);
    return PlanOutcome::NotConnected;
}

PlanOutcome PlanProcedures::Refuse(int message, const std::optional<std::string>& note) {
    // The window shows how it ended before the message box opens over it.
    EndProgress(kStoppedStatus, note);
    feedback_.showMessage(message);
    return PlanOutcome::Failed;
}

std::optional<std::filesystem::path> PlanProcedures::LatestReadingCopy(int index) const {
    if (index < 0 || index >= list_.count()) return std::nullopt;
    auto it = whole_.find(index);
    // The list may have been filled anew since (a deletion lists the kept plans first).
    if (it == whole_.end() || it->second.entry != list_.entry(index)) return std::nullopt;
    return it->second.file;
}

// ---- reading -----------------------------------------------------------------------------

PlanOutcome PlanProcedures::ReceiveButClick() {
    if (!link_.FindInstrument()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }
    list_.enablePlanCommands();
    list_.clear();
    copyFailed_ = false;
    written_.clear();
    whole_.clear();
    bool failed = false;
    auto lost = [this] {
        RemoveUnwrittenCopies();
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    };
    for (int type : {kRadioPlan, kPlcPlan}) {
        (void)SelectType(type);
        const int q = PlanCount();
        if (Lost()) return lost();
        if (q == 0) continue;
        for (int j = 0; j < q; ++j) list_.add(GetChannelPlanName(link_, j) + ListSuffixFor(type));
        if (Lost()) return lost();
        const int result = SaveChannelPlans(type);
        // SaveChannelPlans has closed its progress window; the list shows what was read.
        if (Lost()) return lost();
        if (result != -1) failed = true;
        if (copyFailed_) break;
    }
    RemoveUnwrittenCopies();
    return failed || copyFailed_ ? PlanOutcome::Failed : PlanOutcome::Done;
}

void PlanProcedures::RemoveUnwrittenCopies() {
    // A copy left from an earlier reading would show (and a deletion would rewrite) plans
    // that may no longer be what the instrument holds.
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(list_.count()));
    for (int k = 0; k < list_.count(); ++k) entries.push_back(list_.entry(k));
    const std::vector<std::filesystem::path> copies = CopyPathsFor(programFolder_, entries);
    for (int k = 0; k < list_.count(); ++k) {
        if (written_.contains(k)) continue;
        std::error_code ec;
        std::filesystem::remove(copies[static_cast<std::size_t>(k)], ec);
    }
}

int PlanProcedures::SaveChannelPlans(int type) {
    if (!LimitsFor(type)) {
        feedback_.showMessage(25);
        return -30;
    }
    const int q = PlanCount();
    int total = 0;
    for (int i = 0; i < q; ++i) total += ChannelCount(i);
    if (Lost()) return 0;  // the caller reports the vanished instrument
    BeginProgress(kReadingCaption, total);
    ProgressWindow& progress = feedback_.progress();
    int failed = -1;  // the first plan that could not be read whole, in readEveryPlan_ mode

    // Writes the copy of a plan and records what the reading wrote.
    // Plan i of the type is list position first + i: the reading has just listed the type's
    // plans. Each position has a copy of its own, whatever the plans are named.
    const int first = std::max(0, list_.count() - q);
    auto keep = [this](int position, const std::optional<std::filesystem::path>& copy,
                       const std::string& text, bool whole) {
        if (!WriteCopy(copy, text)) return false;
        const ReadingCopy written{list_.entry(position), *copy};
        written_[position] = written;
        if (whole) whole_[position] = written;
        return true;
    };
    for (int i = 0; i < q; ++i) {
        const std::string name = GetChannelPlanName(link_, i);
        const int position = first + i;
        const std::optional<std::filesystem::path> copy =
            CopyPathAt(programFolder_, list_, position);
        const int n = ChannelCount(i);
        if (Lost()) {
            EndProgress(kNotConnectedStatus, std::string{});  // the caller shows message 7
            return i;
        }
        // The copy is built whole and written in one go; a failed channel leaves the lines
        // before it in the copy.
        std::string text = std::to_string(type) + "\r\n" + name + "\r\n" + std::to_string(n);
        bool whole = true;
        for (int j = 0; whole && j < n; ++j) {
            const std::string reply = GetChannel(link_, i, j);
            if (Lost()) {
                keep(position, copy, text, false);
                EndProgress(kNotConnectedStatus, std::string{});  // the caller shows message 7
                return i;
            }
            std::string tail;
            if (const int message = ChannelReplyTail(reply, type, tail)) {
                keep(position, copy, text, false);
                if (!readEveryPlan_) {
                    EndProgress(kFinishedStatus, Entry(kDoneNote));
                    feedback_.showMessage(message);
                    return i;
                }
                // The plan has no whole copy; the reading goes on with the next plan.
                if (failed < 0) failed = i;
                whole = false;
                continue;
            }
            text += "\r\n" + std::to_string(j) + tail;
            progress.advance();
            feedback_.processEvents();
        }
        if (whole && !keep(position, copy, text, true)) return i;
    }
    EndProgress(kFinishedStatus, Entry(kDoneNote));
    return failed;
}

bool PlanProcedures::SendPlan(int planNumber, const PreparedPlan& plan) {
    const std::string digit = std::to_string(planNumber);
    if (!Send("*CS0" + digit + plan.name)) return false;
    if (!Send("*CW0" + digit + Padded(plan.count, 3))) return false;
    ProgressWindow& progress = feedback_.progress();
    for (const std::string& payload : plan.payloads) {
        progress.advance();
        feedback_.processEvents();
        if (!Send("*CF0" + digit += payload)) return false;
    }
    return true;
}

// ---- sending -----------------------------------------------------------------------------

PlanOutcome PlanProcedures::LoadButClick() {
    if (!link_.FindInstrument()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }
    std::optional<std::string> chosen = feedback_.chooseFile(
        FileRequest{FileRequest::LoadPlan, PathToText(programFolder_), {}, {}});
    if (!chosen) return PlanOutcome::Cancelled;
    return SendPlanFile(PathFromText(*chosen));
}

PlanOutcome PlanProcedures::LoadPlanFile(const std::filesystem::path& file) {
    if (!link_.FindInstrument()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }
    return SendPlanFile(file);
}

PlanOutcome PlanProcedures::SendPlanFile(const std::filesystem::path& file) {
    // The whole file is checked first: nothing is sent for a file that cannot become a plan.
    PlanFileCheck check = CheckPlanFile(file, language_);
    if (!check.accepted()) {
        if (const std::string notice = RefusedLineNotice(check, language_); !notice.empty())
            feedback_.showNotice(notice);
        if (check.note.empty()) {
            feedback_.showMessage(check.message);
            return PlanOutcome::Failed;
        }
        BeginProgress(kWritingCaption, std::max(check.plan.count, 0));
        return Refuse(check.message, check.note);
    }
    const PreparedPlan& plan = check.plan;
    (void)SelectType(plan.type);
    const int q = GetChannelPlanQuantity(link_);
    if (Lost()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }
    if (q >= kMaxPlansPerType) {
        feedback_.showMessage(16);
        return PlanOutcome::Failed;
    }
    if (q < 0) {
        feedback_.showMessage(25);
        return PlanOutcome::Failed;
    }
    // The name check comes before the plan count is raised, so a refused plan leaves the
    // instrument as it was.
    for (int j = 0; j < q; ++j) {
        if (GetChannelPlanName(link_, j) == plan.name) {
            feedback_.showMessage(31);
            return PlanOutcome::Failed;
        }
    }
    if (Lost()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }

    if (InterruptRequested()) return Refuse(kMessageStoppedBefore);
    BeginProgress(kWritingCaption, plan.count);
    {
        const UncuttablePhase phase;  // from the raised count to the plan's last channel
        if (!Send("*PM01") || !Send("*PN" + Padded(q + 1, 2)) || !SendPlan(q, plan))
            return EndLost();
    }
    EndProgress(kFinishedStatus);
    if (InterruptRequested()) return Refuse(kMessageStoppedWritten);

    const int after = GetChannelPlanQuantity(link_);
    if (Lost()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }
    // The instrument must now hold one plan more, or it did not take this one.
    const bool countWrong = after != q + 1;
    if (countWrong) feedback_.showMessage(25);
    list_.clear();
    list_.enablePlanCommands();
    const PlanOutcome reading = ReceiveButClick();
    if (reading == PlanOutcome::NotConnected) return reading;
    if (countWrong) return PlanOutcome::Failed;
    // A command cut short or a channel dropped leaves a plan that is not the file: the plan
    // read back is compared with the one sent.
    if (!ReadBackMatches(plan)) {
        feedback_.showMessage(kSendNotTakenWholeMessage);
        return PlanOutcome::Failed;
    }
    return reading;
}

bool PlanProcedures::ReadBackMatches(const PreparedPlan& sent) const {
    const std::string entry = sent.name + ListSuffixFor(sent.type);
    for (int k = 0; k < list_.count(); ++k) {
        if (list_.entry(k) != entry) continue;
        const std::optional<std::filesystem::path> copy = LatestReadingCopy(k);
        std::optional<std::string> text = copy ? ReadWholeFile(*copy) : std::nullopt;
        return text && SamePlan(CheckPlanText(std::move(*text), language_).plan, sent);
    }
    return false;
}

// ---- deleting ----------------------------------------------------------------------------

PlanOutcome PlanProcedures::DelSelButClick() {
    if (!link_.FindInstrument()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }
    if (!feedback_.askYesNo(kDeleteQuestion, kDeleteCaption)) return PlanOutcome::Cancelled;

    (void)SelectType(kRadioPlan);
    const int r0 = GetChannelPlanQuantity(link_);
    (void)SelectType(kPlcPlan);
    const int p0 = GetChannelPlanQuantity(link_);
    if (Lost()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }
    // The list must show exactly the instrument's plans, each kept one from a copy the latest
    // reading wrote whole, or the kept plans would be the wrong ones or older than the
    // instrument's: refuse, and read the plans again.
    bool current = list_.count() == r0 + p0;
    std::vector<std::string> kept;
    std::vector<std::filesystem::path> copies;
    for (int k = 0; current && k < list_.count(); ++k) {
        if (list_.isSelected(k)) continue;
        const std::optional<std::filesystem::path> copy = LatestReadingCopy(k);
        if (!copy) current = false;
        kept.push_back(list_.entry(k));
        copies.push_back(copy.value_or(std::filesystem::path{}));
    }
    if (!current) {
        feedback_.showMessage(25);
        (void)ReceiveButClick();
        return PlanOutcome::Failed;
    }
    if (static_cast<int>(kept.size()) == r0 + p0) {
        feedback_.showMessage(17);
        return PlanOutcome::Failed;
    }
    // Two kept plans whose copies are one file (a file system that takes two names for one)
    // would both be written back as the one that file holds: refused before anything is erased.
    for (std::size_t a = 0; a < copies.size(); ++a)
        for (std::size_t b = a + 1; b < copies.size(); ++b)
            if (SameFile(copies[a], copies[b])) {
                feedback_.showFileMessage(kSharedCopyMessage,
                                          "\"" + kept[a] + "\", \"" + kept[b] + "\"");
                return PlanOutcome::Failed;
            }

    BeginProgress(kWritingCaption, 150 * static_cast<int>(kept.size()));

    // Every kept copy is read and checked before anything is erased.
    std::vector<PreparedPlan> plans;
    for (std::size_t k = 0; k < kept.size(); ++k) {
        std::optional<std::string> text = ReadWholeFile(copies[k], kPlanFileMaxBytes);
        if (!text) return Refuse(13, PathToText(copies[k].filename()));
        PlanFileCheck check = CheckPlanText(std::move(*text), language_);
        if (!check.accepted()) {
            if (check.code >= 1000)
                return Refuse(check.message, "Error " + Padded(check.code % 1000, 2) + "." +
                                                 check.plan.name + "." +
                                                 std::to_string(check.code / 1000 - 1));
            // A copy of neither type says so as the type check of a plan list does.
            return Refuse(check.code == kPlanBadType ? 25 : check.message,
                          PathToText(copies[k].filename()));
        }
        plans.push_back(std::move(check.plan));
    }
    return WritePlans(plans);
}

PlanOutcome PlanProcedures::RewritePlans(const std::vector<PreparedPlan>& plans) {
    if (!link_.FindInstrument()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }
    BeginProgress(kWritingCaption, 150 * static_cast<int>(plans.size()));
    return WritePlans(plans);
}

PlanOutcome PlanProcedures::WritePlans(const std::vector<PreparedPlan>& plans) {
    // Each plan becomes the next plan of its type.
    std::vector<int> numbers;
    int r = 0, p = 0;
    for (const PreparedPlan& plan : plans) {
        if (plan.type != kRadioPlan && plan.type != kPlcPlan) return Refuse(25);
        numbers.push_back(plan.type == kRadioPlan ? r++ : p++);
    }
    if (r > kMaxPlansPerType || p > kMaxPlansPerType) return Refuse(25);

    // From here on the instrument changes: the copies describe the kept plans, no longer
    // the instrument, until the reading at the end.
    if (InterruptRequested()) return Refuse(kMessageStoppedBefore);
    written_.clear();
    whole_.clear();
    {
        // One erase takes every plan: each is whole only once the last one's last channel
        // and the closing "*PM01" are in, so nothing from the erase on may be cut.
        const UncuttablePhase phase;
        for (int type : {kRadioPlan, kPlcPlan})
            if (!SelectType(type) || !Send("*PM00") || !ErasePlans()) return EndLost();
        list_.clear();
        for (const PreparedPlan& plan : plans) list_.add(plan.name + ListSuffixFor(plan.type));
        if (!SelectType(kRadioPlan) || !Send("*PN" + Padded(r, 2)) || !SelectType(kPlcPlan) ||
            !Send("*PN" + Padded(p, 2)))
            return EndLost();

        ProgressWindow& progress = feedback_.progress();
        for (std::size_t i = 0; i < plans.size(); ++i) {
            progress.setPosition(150 * static_cast<int>(i));
            if (!SelectType(plans[i].type) || !SendPlan(numbers[i], plans[i])) return EndLost();
            feedback_.processEvents();
        }
        EndProgress(kFinishedStatus);
        if (!Send("*PM01")) {
            feedback_.showMessage(7);
            return PlanOutcome::NotConnected;
        }
    }
    if (InterruptRequested()) return Refuse(kMessageStoppedWritten);
    return ReceiveButClick();
}

}  // namespace zv318
