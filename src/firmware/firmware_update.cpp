#include "firmware/firmware_update.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "link/interrupts.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

// Language entries.
constexpr int kIoQuestion = 47;
constexpr int kInstrumentVersionLabel = 48;
constexpr int kInstrumentQuestion = 49;
constexpr int kIoVersionLabel = 50;
constexpr int kConfirmCaption = 33;
constexpr int kStartingStatus = 53;
constexpr int kProgrammingStatus = 54;
constexpr int kFinishedStatus = 55;
constexpr int kWorkingNote = 57;
constexpr int kFailedStatus = 58;
constexpr int kRestartingStatus = 59;
constexpr int kDoneNote = 29;
constexpr int kInstrumentCaption = 73;
constexpr int kIoCaption = 74;
constexpr int kNoteWidth = 295;
// What a cut update leaves and what to do next; the countdown to the loader; a damaged image's
// first fault.
constexpr int kIoUntouchedNote = 1681;
constexpr int kIoInLoaderNote = 1682;
constexpr int kInstrumentUntouchedNote = 1683;
constexpr int kInstrumentErasedNote = 1684;
constexpr int kLoaderCountdownStatus = 1685;
constexpr int kFaultBadLine = 1686;
constexpr int kFaultNoEnd = 1687;
constexpr int kFaultNoData = 1688;
constexpr std::size_t kFaultLineShown = 60;

// Messages.
constexpr int kMessageCannotOpen = 1;
constexpr int kMessageDamagedImage = 2;
constexpr int kMessageNotConnected = 7;
constexpr int kMessageWrongFile = 11;
constexpr int kMessageNotRegularFile = 200;
constexpr int kMessageImageTooLarge = 201;

// The loader needs 4 s to come up after the switch; the instrument 2 s after "*RS2".
constexpr int kLoaderPauseRounds = 40, kLoaderPauseMs = 100;
constexpr int kWaitRoundMs = 10;
constexpr int kRestartWaitMs = 2000, kEraseWaitMs = 200, kRetryWaitMs = 500;
constexpr int kMaxRecordRetries = 5;
constexpr int kFirstEraseDigit = 2, kLastEraseDigit = 7;

constexpr std::size_t kLoaderParameter = 7;  // byte 7: mode or page
constexpr std::size_t kLoaderAddress = 2;    // bytes 2-5: block address, low byte first
constexpr std::size_t kLoaderData = 7;       // bytes 7-38: half a block

}  // namespace

void ThreadSleeper::sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The hourglass from the moment the file is known until the update ends, on every path.
class FirmwareUpdate::Hourglass {
public:
    explicit Hourglass(Feedback& feedback) : feedback_(feedback) {
        feedback_.setBusy(true);
        feedback_.processEvents();
    }
    ~Hourglass() { feedback_.setBusy(false); }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;

private:
    Feedback& feedback_;
};

FirmwareUpdate::FirmwareUpdate(Link& link, Feedback& feedback, const LanguageTable& language,
                               std::filesystem::path programFolder, Sleeper& sleeper)
    : link_(link),
      feedback_(feedback),
      language_(language),
      programFolder_(std::move(programFolder)),
      sleeper_(sleeper) {}

bool FirmwareUpdate::Confirm(int questionEntry, std::string currentVersion,
                             const std::string& image) {
    if (confirm) return confirm(UpdateQuestion{questionEntry, std::move(currentVersion), image});
    return feedback_.askYesNo(questionEntry, kConfirmCaption);
}

void FirmwareUpdate::BeginProgress(int captionEntry, std::optional<int> maximum) {
    ProgressWindow& p = feedback_.progress();
    if (maximum) p.setRange(0, *maximum);
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

void FirmwareUpdate::AdvanceProgress(int by) {
    ProgressWindow& p = feedback_.progress();
    p.setPosition(std::min(p.position() + by, p.maximum()));
}

void FirmwareUpdate::Wait(int rounds, int ms) {
    for (int i = 0; i < rounds; ++i) {
        sleeper_.sleepMs(ms);
        feedback_.processEvents();
    }
}

void FirmwareUpdate::CountDown(int rounds, int ms) {
    ProgressWindow& p = feedback_.progress();
    p.setRange(0, rounds);
    for (int i = 0; i < rounds; ++i) {
        const int secondsLeft = ((rounds - i) * ms + 999) / 1000;
        p.setStatus(FillIn(Entry(kLoaderCountdownStatus), {std::to_string(secondsLeft)}));
        sleeper_.sleepMs(ms);
        p.setPosition(i + 1);
        feedback_.processEvents();
    }
}

void FirmwareUpdate::TellDamagedImage(const ImageFault& fault) {
    std::string detail;
    switch (fault.kind) {
        case ImageFault::BadLine: {
            std::string shown = fault.text.substr(0, kFaultLineShown);
            if (fault.text.size() > kFaultLineShown) shown += "…";
            // A line of the file is shown as text: its control characters are not.
            for (char& c : shown)
                if (static_cast<unsigned char>(c) < 0x20) c = '?';
            detail = FillIn(Entry(kFaultBadLine), {std::to_string(fault.line), shown});
            break;
        }
        case ImageFault::NoEnd: detail = Entry(kFaultNoEnd); break;
        case ImageFault::NoData: detail = Entry(kFaultNoData); break;
    }
    feedback_.showFileMessage(kMessageDamagedImage, detail);
}

std::string FirmwareUpdate::CutNote(int entry) const {
    const ProgressWindow& p = feedback_.progress();
    return FillIn(Entry(entry), {std::to_string(p.position()), std::to_string(p.maximum())});
}

void FirmwareUpdate::FailureEnd(const std::string& note) {
    ProgressWindow& p = feedback_.progress();
    p.setStatus(Entry(kFailedStatus));
    p.setBarVisible(false);
    p.setNote(note);
    p.setOkEnabled(true);
    // The note is the one message: what the cut left and what to do next. A box saying the
    // instrument is not connected would contradict it (the person is to connect it again).
}

std::optional<std::string> FirmwareUpdate::ReadImageFile(const std::string& name) {
    ReadRefusal why = ReadRefusal::CannotOpen;
    std::optional<std::string> text = ReadWholeFile(PathFromText(name), kImageFileMaxBytes, &why);
    if (!text)
        feedback_.showMessage(why == ReadRefusal::NotRegularFile ? kMessageNotRegularFile
                              : why == ReadRefusal::TooLarge     ? kMessageImageTooLarge
                                                                 : kMessageCannotOpen);
    return text;
}

// ---- the IO Interface update ------------------------------------------------------------

bool FirmwareUpdate::WriteLoaderReport() {
    return link_.WriteReport(loaderReport_);
}

bool FirmwareUpdate::SendBlock(const MemoryImage& image, std::int32_t address) {
    // Bytes the command does not use keep what the previous report left in the buffer.
    const auto from = image.bytes.begin() + address;
    loaderReport_[1] = kLoaderFirstHalf;
    for (std::size_t i = 0; i < 4; ++i)
        loaderReport_[kLoaderAddress + i] = static_cast<std::uint8_t>(address >> (8 * i));
    std::copy_n(from, kLoaderBlockSize / 2, loaderReport_.begin() + kLoaderData);
    if (!WriteLoaderReport()) return false;
    loaderReport_[1] = kLoaderSecondHalf;
    std::copy_n(from + kLoaderBlockSize / 2, kLoaderBlockSize / 2,
                loaderReport_.begin() + kLoaderData);
    if (!WriteLoaderReport()) return false;
    AdvanceProgress(kLoaderBlockSize);
    feedback_.processEvents();
    return true;
}

UpdateOutcome FirmwareUpdate::Actualitzar(const std::string& ioVersionShown) {
    if (!link_.FindInstrument()) {
        feedback_.showMessage(kMessageNotConnected);
        return UpdateOutcome::NotConnected;
    }

    std::string name = startupArgument;
    if (name.empty()) {
        FileRequest request;
        request.kind = FileRequest::FirmwareImage;
        request.startFolder = (programFolder_ / "Version").string() + "/";
        std::optional<std::string> chosen = feedback_.chooseFile(request);
        if (!chosen) return UpdateOutcome::Cancelled;
        dialogFile = *chosen;
        name = *chosen;
    }
    if (name.empty()) return UpdateOutcome::Cancelled;
    if (!HasImageExtension(name, kIoImageExtension)) {
        feedback_.showMessage(kMessageWrongFile);
        startupArgument.clear();
        return UpdateOutcome::Refused;
    }
    const std::optional<std::string> text = ReadImageFile(name);
    if (!text) {
        startupArgument.clear();
        return UpdateOutcome::Refused;
    }

    Hourglass hourglass(feedback_);
    // Only a whole image goes out: the loader erases the interface's firmware first.
    if (const std::optional<ImageFault> fault = HexImageFault(*text)) {
        TellDamagedImage(*fault);
        startupArgument.clear();
        return UpdateOutcome::Refused;
    }
    if (!Confirm(kIoQuestion, Entry(kIoVersionLabel) + ioVersionShown, name))
        return UpdateOutcome::Cancelled;

    if (InterruptRequested()) {
        feedback_.showMessage(kMessageStoppedBefore);
        return UpdateOutcome::Cancelled;
    }
    BeginProgress(kIoCaption, std::nullopt);  // the range is known once the image is loaded
    // From the switch into the loader to its last report nothing may cut the update: the IO
    // Interface would stay in its loader, erased.
    const UncuttablePhase phase;

    // Into the loader, and give it time to come up as an interface of its own.
    loaderReport_[1] = kLoaderMode;
    loaderReport_[kLoaderParameter] = 0x01;
    if (!WriteLoaderReport()) {
        FailureEnd(Entry(kIoUntouchedNote));
        return UpdateOutcome::Failed;
    }
    CountDown(kLoaderPauseRounds, kLoaderPauseMs);
    (void)link_.FindInstrument();  // whatever it finds takes the following reports

    const MemoryImage image = LoadMemoryImage(*text);
    ProgressWindow& p = feedback_.progress();
    p.setPosition(0);
    p.setRange(0, std::max(0, image.endMark - kFirstBlock));

    for (int page = kFirstErasedPage; page <= kLastErasedPage; ++page) {
        loaderReport_[1] = kLoaderErasePage;
        loaderReport_[kLoaderParameter] = static_cast<std::uint8_t>(page);
        if (!WriteLoaderReport()) {
            FailureEnd(CutNote(kIoInLoaderNote));
            return UpdateOutcome::Failed;
        }
    }
    p.setStatus(Entry(kProgrammingStatus));

    // The block at 0x1000 goes last: the loader starts the new firmware only once it is there.
    for (std::int32_t address = kFirstBlock + kLoaderBlockSize; address <= image.endMark;
         address += kLoaderBlockSize) {
        if (!SendBlock(image, address)) {
            FailureEnd(CutNote(kIoInLoaderNote));
            return UpdateOutcome::Failed;
        }
    }
    if (!SendBlock(image, kFirstBlock)) {
        FailureEnd(CutNote(kIoInLoaderNote));
        return UpdateOutcome::Failed;
    }

    loaderReport_[1] = kLoaderMode;
    loaderReport_[kLoaderParameter] = 0x00;
    (void)WriteLoaderReport();  // the loader may already have left: not tested

    p.setStatus(Entry(kFinishedStatus));
    p.setNote(Entry(kDoneNote));
    p.setOkEnabled(true);
    startupArgument.clear();
    return UpdateOutcome::Done;
}

// ---- the instrument update --------------------------------------------------------------

UpdateOutcome FirmwareUpdate::ActualitzarZV318(const std::string& zvVersionShown) {
    if (!link_.FindInstrument()) {
        feedback_.showMessage(kMessageNotConnected);
        return UpdateOutcome::NotConnected;
    }

    // The dialog's answer is not consulted: after a cancel it still holds the last choice.
    FileRequest request;
    request.kind = FileRequest::InstrumentImage;
    if (!dialogFile.empty()) {
        const std::filesystem::path last(dialogFile);
        request.startFolder = last.parent_path().string();
        request.proposedName = last.filename().string();
    } else {
        request.startFolder = (programFolder_ / "Version").string() + "/";
    }
    if (std::optional<std::string> chosen = feedback_.chooseFile(request)) dialogFile = *chosen;
    const std::string name = dialogFile;
    if (name.empty()) return UpdateOutcome::Cancelled;
    if (!HasImageExtension(name, kInstrumentImageExtension)) {
        feedback_.showMessage(kMessageWrongFile);
        return UpdateOutcome::Refused;
    }
    const std::optional<std::string> text = ReadImageFile(name);
    if (!text) {
        feedback_.progress().setOkEnabled(true);
        (void)link_.FindInstrument();
        return UpdateOutcome::Refused;
    }

    Hourglass hourglass(feedback_);
    // The instrument is erased before the first record goes out: an image that is not whole
    // is found now, while the instrument still holds its firmware.
    if (const std::optional<ImageFault> fault = InstrumentImageFault(*text)) {
        TellDamagedImage(*fault);
        return UpdateOutcome::Refused;
    }
    const std::optional<std::vector<std::string>> lines = WholeInstrumentImage(*text);
    if (!Confirm(kInstrumentQuestion, Entry(kInstrumentVersionLabel) + zvVersionShown, name))
        return UpdateOutcome::Cancelled;

    if (InterruptRequested()) {
        feedback_.showMessage(kMessageStoppedBefore);
        return UpdateOutcome::Cancelled;
    }
    BeginProgress(kInstrumentCaption, static_cast<int>(text->size()));
    ProgressWindow& p = feedback_.progress();
    // From the restart into the boot mode to the restart out of it nothing may cut the update.
    const UncuttablePhase phase;

    if (link_.SendCommand("*RS2") == 0) {
        FailureEnd(Entry(kInstrumentUntouchedNote));
        return UpdateOutcome::Failed;
    }
    p.setStatus(Entry(kRestartingStatus));
    Wait(kRestartWaitMs / kWaitRoundMs, kWaitRoundMs);

    for (int digit = kFirstEraseDigit; digit <= kLastEraseDigit; ++digit) {
        // 2 has shown message 8; no answer is said by the note alone.
        const int reply = link_.SendErase(digit, /*tellLost=*/false);
        if (reply != 1 && reply != 2) {
            FailureEnd(CutNote(kInstrumentErasedNote));
            return UpdateOutcome::Failed;
        }
    }
    p.setStatus(Entry(kProgrammingStatus));
    Wait(kEraseWaitMs / kWaitRoundMs, kWaitRoundMs);

    bool transferred = true;
    for (const std::string& line : *lines) {
        const InstrumentRecord record = DecodeInstrumentLine(line);
        int retries = 0;
        while (link_.SendBlock(record.bytes) != 1) {
            // A vanished instrument accepts nothing more: no point in the remaining sends.
            if (retries == kMaxRecordRetries || !link_.IsOpen()) {
                transferred = false;
                break;
            }
            ++retries;
            Wait(kRetryWaitMs / kWaitRoundMs, kWaitRoundMs);
        }
        if (!transferred) break;
        AdvanceProgress(record.lineLength + 2);
        feedback_.processEvents();
    }

    UpdateOutcome outcome = UpdateOutcome::Done;
    if (!transferred) {
        FailureEnd(CutNote(kInstrumentErasedNote));
        outcome = UpdateOutcome::Failed;
    } else if (link_.SendCommand("*RS0") == 0) {
        FailureEnd(CutNote(kInstrumentErasedNote));
        return UpdateOutcome::Failed;
    } else {
        p.setStatus(Entry(kFinishedStatus));
        p.setNote(Entry(kDoneNote));
        p.moveToEnd();
    }
    p.setOkEnabled(true);
    (void)link_.FindInstrument();
    return outcome;
}

}  // namespace zv318
