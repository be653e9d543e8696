#include "plans/plan_procedures.h"

#include <algorithm>
#include <cstdio>

#include "link/queries.h"
#include "link/report.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

// Language entries of the progress window.
constexpr int kReadingCaption = 45;
constexpr int kWritingCaption = 25;
constexpr int kStartingStatus = 53;
constexpr int kFinishedStatus = 55;
constexpr int kStoppedStatus = 40;
constexpr int kNotConnectedStatus = 67;
constexpr int kWorkingNote = 57;
constexpr int kDoneNote = 29;
constexpr int kNoteWidth = 295;
// Language entries of the deletion question.
constexpr int kDeleteQuestion = 38;
constexpr int kDeleteCaption = 37;
// A plan never has more channels than the channel query can address.
constexpr int kMaxQueriedChannels = 999;

std::string Padded(int value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", digits, value);
    return buf;
}

// A decimal integer as a formatted read takes it: blanks, a sign, at least one digit.
std::optional<std::int32_t> ScanInteger(std::string_view& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == digits) return std::nullopt;
    std::int32_t value = AtoL(text.substr(start, i - start));
    text.remove_prefix(i);
    return value;
}

bool Expect(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

}  // namespace

// ---- conversions -------------------------------------------------------------------------

std::string ChannelReplyToLine(std::string_view reply, int type, Feedback& feedback) {
    const std::optional<PlanLimits> limits = LimitsFor(type);
    if (!limits) {
        feedback.showMessage(25);
        return "error";
    }
    auto refuse = [&] {
        feedback.showMessage(13);
        return std::string("error");
    };
    if (reply.empty()) return refuse();
    std::string_view body = reply.substr(1);
    const std::size_t amp = body.find('&');
    if (amp == std::string_view::npos) return refuse();
    const std::string_view name = body.substr(0, amp);
    std::string_view values = body.substr(amp + 1);

    const std::optional<std::int32_t> frequency = ScanInteger(values);
    std::optional<std::int32_t> bandwidth, flags;
    if (frequency && Expect(values, '&')) bandwidth = ScanInteger(values);
    if (bandwidth && Expect(values, '&')) flags = ScanInteger(values);
    if (!frequency || !limits->frequencyFits(*frequency)) return refuse();
    if (!bandwidth || !limits->bandwidthFits(*bandwidth)) return refuse();
    if (!flags) return refuse();

    std::string tail = ",";
    tail += name;
    tail += ',' + std::to_string(*frequency) + ',' + std::to_string(*bandwidth) + ',';
    tail += *flags >= 128 ? "ON" : "OFF";
    return tail;
}

std::string LineToChannelPayload::refuse(const char* error) {
    feedback_.showMessage(14);
    return error;
}

std::string LineToChannelPayload::operator()(std::string_view line, bool first, int type) {
    const std::optional<PlanLimits> limits = LimitsFor(type);
    if (!limits) {
        feedback_.showMessage(25);
        return "error00";
    }
    if (first) {
        LastSentIndex = -1;
        LastSentFrequency = limits->lowestFrequency - 1;
    }
    const ChannelLineFields f = SplitChannelLine(line);

    const std::int32_t index = AtoL(f.index);
    if (index < 0 || index > kMaxPayloadIndex) return refuse("error01");
    if (index <= LastSentIndex) return refuse("error02");
    LastSentIndex = index;
    std::string payload = Padded(index, 3);

    // "&" separates the payload's fields: a name holding one would shift them.
    if (f.name.find('&') != std::string_view::npos) return refuse("error09");
    payload += '&';
    payload += f.name;

    const std::int32_t frequency = AtoL(f.frequency);
    if (!limits->frequencyFits(frequency))
        return refuse(type == kRadioPlan ? "error03" : "error04");
    if (frequency <= LastSentFrequency) return refuse("error05");
    LastSentFrequency = frequency;
    payload += '&' + std::to_string(frequency);

    const std::int32_t bandwidth = AtoL(f.bandwidth);
    if (!limits->bandwidthFits(bandwidth))
        return refuse(type == kRadioPlan ? "error06" : "error07");
    payload += '&' + std::to_string(bandwidth);

    if (f.state == "ON")
        payload += "&128";
    else if (f.state == "OFF")
        payload += "&0";
    else
        return refuse("error08");

    if (payload.size() > kMaxPayloadLength) return refuse("error09");
    return payload;
}

// ---- the procedures ----------------------------------------------------------------------

PlanProcedures::PlanProcedures(Link& link, Feedback& feedback, const LanguageTable& language,
                               PlanListView& list, std::filesystem::path programFolder)
    : link_(link),
      feedback_(feedback),
      language_(language),
      list_(list),
      programFolder_(std::move(programFolder)) {}

void PlanProcedures::SelectType(int type) {
    (void)link_.SendCommand(type == kRadioPlan ? "*EC01" : "*EC02");
}

void PlanProcedures::Send(const std::string& command) {
    (void)link_.SendQuery(command);
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
    feedback_.showMessage(18);
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

void PlanProcedures::EndProgress(int statusEntry, std::optional<std::string> note) {
    ProgressWindow& p = feedback_.progress();
    p.setStatus(Entry(statusEntry));
    if (note) p.setNote(*note);
    p.moveToEnd();
    p.setOkEnabled(true);
}

PlanOutcome PlanProcedures::EndLost() {
    EndProgress(kNotConnectedStatus, std::string{});
    feedback_.showMessage(7);
    return PlanOutcome::NotConnected;
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
    bool failed = false;
    for (int type : {kRadioPlan, kPlcPlan}) {
        SelectType(type);
        const int q = PlanCount();
        if (Lost()) {
            feedback_.showMessage(7);
            return PlanOutcome::NotConnected;
        }
        if (q == 0) continue;
        for (int j = 0; j < q; ++j) list_.add(GetChannelPlanName(link_, j) + ListSuffixFor(type));
        if (Lost()) {
            feedback_.showMessage(7);
            return PlanOutcome::NotConnected;
        }
        const int result = SaveChannelPlans(type);
        if (Lost()) {
            // SaveChannelPlans has closed its progress window; the list shows what was read.
            feedback_.showMessage(7);
            return PlanOutcome::NotConnected;
        }
        if (result != -1) failed = true;
    }
    return failed || copyFailed_ ? PlanOutcome::Failed : PlanOutcome::Done;
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

    for (int i = 0; i < q; ++i) {
        const std::string name = GetChannelPlanName(link_, i);
        const std::optional<std::filesystem::path> copy =
            CopyPathFor(programFolder_, name + ListSuffixFor(type));
        const int n = ChannelCount(i);
        if (Lost()) {
            EndProgress(kNotConnectedStatus, std::string{});  // the caller shows message 7
            return i;
        }
        if (!copy) {
            // A name that cannot be a file name in the program folder: no copy, next plan.
            (void)WriteCopy(copy, {});
            progress.setPosition(progress.position() + n);
            feedback_.processEvents();
            continue;
        }
        // The copy is built whole and written in one go; a failed channel leaves the lines
        // before it in the copy.
        std::string text = std::to_string(type) + "\r\n" + name + "\r\n" + std::to_string(n);
        for (int j = 0; j < n; ++j) {
            const std::string reply = GetChannel(link_, i, j);
            if (Lost()) {
                (void)WriteCopy(copy, text);
                EndProgress(kNotConnectedStatus, std::string{});  // the caller shows message 7
                return i;
            }
            const std::string tail = ChannelReplyToLine(reply, type, feedback_);
            if (tail == "error") {
                (void)WriteCopy(copy, text);
                EndProgress(kFinishedStatus, Entry(kDoneNote));
                return i;
            }
            text += "\r\n" + std::to_string(j) + tail;
            progress.advance();
            feedback_.processEvents();
        }
        (void)WriteCopy(copy, text);
    }
    EndProgress(kFinishedStatus, Entry(kDoneNote));
    return -1;
}

// ---- checking a plan before it is sent ---------------------------------------------------

PlanProcedures::PlanCheck PlanProcedures::CheckPlanText(std::string text) {
    PlanCheck check;
    LineReader reader(std::move(text));
    const PlanFileHeader header = ReadPlanFileHeader(reader);
    if (!LimitsFor(header.type)) {
        check.failure = CheckFailure::Type;
        return check;
    }
    // A count that cannot be sent, or a name that does not fit its command.
    if (!header.count || *header.count < 0 || header.name.size() > kMaxSentNameLength) {
        check.failure = CheckFailure::Header;
        return check;
    }
    check.plan.type = header.type;
    check.plan.name = header.name;
    check.plan.count = *header.count;
    LineToChannelPayload payload(feedback_);
    // Indices rise strictly up to 150, so a count above 151 always ends at a refused line.
    for (int c = 0; c < *header.count; ++c) {
        const std::string line = ReadChannelLine(reader).value_or(std::string{});
        std::string p = payload(line, c == 0, header.type);
        if (IsPayloadError(p)) {
            check.failure = CheckFailure::Line;
            check.error = std::move(p);
            check.channel = c;
            return check;
        }
        check.plan.payloads.push_back(std::move(p));
    }
    return check;
}

void PlanProcedures::SendPlan(int planNumber, const PreparedPlan& plan) {
    const std::string digit = std::to_string(planNumber);
    Send("*CS0" + digit + plan.name);
    Send("*CW0" + digit + Padded(plan.count, 3));
    ProgressWindow& progress = feedback_.progress();
    for (const std::string& payload : plan.payloads) {
        if (Lost()) return;
        progress.advance();
        feedback_.processEvents();
        Send("*CF0" + digit + payload);
    }
}

// ---- sending -----------------------------------------------------------------------------

PlanOutcome PlanProcedures::LoadButClick() {
    if (!link_.FindInstrument()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }
    std::optional<std::string> chosen =
        feedback_.chooseFile(FileRequest{FileRequest::LoadPlan, programFolder_.string(), {}});
    if (!chosen) return PlanOutcome::Cancelled;
    return SendPlanFile(*chosen);
}

PlanOutcome PlanProcedures::LoadPlanFile(const std::filesystem::path& file) {
    if (!link_.FindInstrument()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }
    return SendPlanFile(file);
}

PlanOutcome PlanProcedures::SendPlanFile(const std::filesystem::path& file) {
    std::optional<std::string> text = ReadWholeFile(file);
    if (!text) {
        feedback_.showMessage(1);
        return PlanOutcome::Failed;
    }
    // The header first: nothing is sent for a file that cannot become a plan.
    LineReader reader(*text);
    const PlanFileHeader header = ReadPlanFileHeader(reader);
    if (!LimitsFor(header.type)) {
        feedback_.showMessage(13);
        return PlanOutcome::Failed;
    }
    if (!header.count || *header.count < 0 || header.name.size() > kMaxSentNameLength) {
        feedback_.showMessage(14);
        return PlanOutcome::Failed;
    }
    SelectType(header.type);
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
        if (GetChannelPlanName(link_, j) == header.name) {
            feedback_.showMessage(31);
            return PlanOutcome::Failed;
        }
    }
    if (Lost()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }

    BeginProgress(kWritingCaption, *header.count);
    // Every channel line is checked before the first write command: a refused line leaves
    // the instrument's plans untouched.
    PlanCheck check = CheckPlanText(std::move(*text));
    if (check.failure != CheckFailure::None) {
        EndProgress(kStoppedStatus,
                    "Error " + check.error.substr(5, 2) + "." + std::to_string(check.channel));
        return PlanOutcome::Failed;
    }

    Send("*PM01");
    Send("*PN" + Padded(q + 1, 2));
    SendPlan(q, check.plan);
    if (Lost()) return EndLost();
    EndProgress(kFinishedStatus);

    const int after = GetChannelPlanQuantity(link_);
    if (Lost()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }
    const bool countWrong = after != q + 1;
    if (countWrong) feedback_.showMessage(25);
    list_.clear();
    list_.enablePlanCommands();
    const PlanOutcome reading = ReceiveButClick();
    return countWrong && reading == PlanOutcome::Done ? PlanOutcome::Failed : reading;
}

// ---- deleting ----------------------------------------------------------------------------

PlanOutcome PlanProcedures::DelSelButClick() {
    if (!link_.FindInstrument()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }
    if (!feedback_.askYesNo(kDeleteQuestion, kDeleteCaption)) return PlanOutcome::Cancelled;

    SelectType(kRadioPlan);
    const int r0 = GetChannelPlanQuantity(link_);
    SelectType(kPlcPlan);
    const int p0 = GetChannelPlanQuantity(link_);
    if (Lost()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }
    // The list must show exactly the instrument's plans, or the kept plans would be the wrong
    // ones: refuse, and read the plans again.
    if (list_.count() != r0 + p0) {
        feedback_.showMessage(25);
        (void)ReceiveButClick();
        return PlanOutcome::Failed;
    }

    std::vector<std::string> kept;
    for (int k = 0; k < r0 + p0; ++k) {
        if (list_.isSelected(k)) continue;
        const std::string entry = list_.entry(k);
        kept.push_back(entry);
        // The copy's type code decides where the plan goes; the entry's text only warns.
        if (entry.find("(RADIO)") == std::string::npos && entry.find("(PLC)") == std::string::npos)
            feedback_.showMessage(25);
    }
    if (static_cast<int>(kept.size()) == r0 + p0) {
        feedback_.showMessage(17);
        return PlanOutcome::Failed;
    }

    BeginProgress(kWritingCaption, 150 * static_cast<int>(kept.size()));

    // Every kept copy is read and checked before anything is erased.
    struct KeptPlan {
        PreparedPlan plan;
        int number = 0;  // among the kept plans of its type
    };
    std::vector<KeptPlan> plans;
    int r = 0, p = 0;
    for (const std::string& entry : kept) {
        const std::optional<std::filesystem::path> copy = CopyPathFor(programFolder_, entry);
        std::optional<std::string> text = copy ? ReadWholeFile(*copy) : std::nullopt;
        if (!text) {
            feedback_.showMessage(13);
            EndProgress(kStoppedStatus, entry + ".temp");
            return PlanOutcome::Failed;
        }
        PlanCheck check = CheckPlanText(std::move(*text));
        switch (check.failure) {
            case CheckFailure::Type:
                feedback_.showMessage(25);
                EndProgress(kStoppedStatus, entry + ".temp");
                return PlanOutcome::Failed;
            case CheckFailure::Header:
                feedback_.showMessage(14);
                EndProgress(kStoppedStatus, entry + ".temp");
                return PlanOutcome::Failed;
            case CheckFailure::Line:
                EndProgress(kStoppedStatus, "Error " + check.error.substr(5, 2) + "." +
                                                check.plan.name + "." +
                                                std::to_string(check.channel));
                return PlanOutcome::Failed;
            case CheckFailure::None:
                break;
        }
        int& count = check.plan.type == kRadioPlan ? r : p;
        plans.push_back(KeptPlan{std::move(check.plan), count++});
    }
    if (r > kMaxPlansPerType || p > kMaxPlansPerType) {
        feedback_.showMessage(25);
        EndProgress(kStoppedStatus);
        return PlanOutcome::Failed;
    }

    for (int type : {kRadioPlan, kPlcPlan}) {
        SelectType(type);
        Send("*PM00");
        link_.ErasePlans();
    }
    list_.clear();
    for (const std::string& entry : kept) list_.add(entry);
    SelectType(kRadioPlan);
    Send("*PN" + Padded(r, 2));
    SelectType(kPlcPlan);
    Send("*PN" + Padded(p, 2));
    if (Lost()) return EndLost();

    ProgressWindow& progress = feedback_.progress();
    for (std::size_t i = 0; i < plans.size(); ++i) {
        progress.setPosition(150 * static_cast<int>(i));
        SelectType(plans[i].plan.type);
        SendPlan(plans[i].number, plans[i].plan);
        feedback_.processEvents();
        if (Lost()) return EndLost();
    }
    EndProgress(kFinishedStatus);
    Send("*PM01");
    if (Lost()) {
        feedback_.showMessage(7);
        return PlanOutcome::NotConnected;
    }
    return ReceiveButClick();
}

}  // namespace zv318
