#pragma once
// The two firmware updates: the IO Interface through its own loader (raw reports, nothing read
// back) and the instrument through text commands (every record answered). The same object runs
// under the main window, under zv318ctl and under the tests; its waits go through a Sleeper so
// the tests and the benchmark need not sleep.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "firmware/images.h"
#include "link/feedback.h"
#include "link/link.h"
#include "link/report.h"
#include "texts/language_table.h"

namespace zv318 {

// Sleeps the calling thread; the waits of the updates are rounds of a sleep and an event run.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleepMs(int ms) = 0;
};

class ThreadSleeper : public Sleeper {
public:
    void sleepMs(int ms) override;
};

// What the confirmation dialog shows before an update.
struct UpdateQuestion {
    int questionEntry = 0;       // the question (47 for the IO Interface, 49 for the instrument)
    std::string currentVersion;  // entry 50 or 48 followed by the version the main window shows
    std::string image;           // the image file about to be installed
};
// True when the person confirms (SI); the dialog's default answer is No.
using ConfirmUpdate = std::function<bool(const UpdateQuestion&)>;

enum class UpdateOutcome {
    Done,          // the update ran to its end
    Cancelled,     // no file, or the person answered No: nothing sent
    NotConnected,  // message 7 before anything was sent
    Refused,       // the file was refused with a message: nothing sent
    Failed,        // the update stopped half-way (the progress window says so)
};

// IO Interface loader commands (byte 1 of a loader report).
enum LoaderCommand : std::uint8_t {
    kLoaderErasePage = 0x04,
    kLoaderFirstHalf = 0x05,
    kLoaderSecondHalf = 0x06,
    kLoaderMode = 0x08,
};
inline constexpr int kFirstErasedPage = 4;
inline constexpr int kLastErasedPage = 126;
inline constexpr std::int32_t kLoaderBlockSize = 64;
inline constexpr std::int32_t kFirstBlock = 0x1000;

class FirmwareUpdate {
public:
    FirmwareUpdate(Link& link, Feedback& feedback, const LanguageTable& language,
                   std::filesystem::path programFolder, Sleeper& sleeper);

    // The confirmation dialog; when empty, a yes/no question with the question's entry.
    ConfirmUpdate confirm;
    // The IO Interface image given at start-up. The IO Interface update uses it instead of the
    // dialog; it is emptied when the update ends after the file choice with a refused file
    // (wrong extension, unreadable, not a whole image) or success, and kept otherwise.
    std::string startupArgument;
    // The file name the image dialog holds: the one chosen last since the program started.
    std::string dialogFile;

    // The IO Interface update; `ioVersionShown` is the version the main window shows.
    UpdateOutcome Actualitzar(const std::string& ioVersionShown);
    // The instrument update; `zvVersionShown` is the instrument version the main window shows.
    UpdateOutcome ActualitzarZV318(const std::string& zvVersionShown);

private:
    class Hourglass;

    [[nodiscard]] const std::string& Entry(int n) const { return language_.entry(n); }
    // The image file whole, or nothing after a message: 1 when it cannot be opened, 200 when
    // it is not a regular file, 201 when it is larger than any image (it is not read then).
    [[nodiscard]] std::optional<std::string> ReadImageFile(const std::string& name);
    [[nodiscard]] bool Confirm(int questionEntry, std::string currentVersion,
                               const std::string& image);
    // The progress window's Begin; `maximum` sets the bar's range when the size is known.
    void BeginProgress(int captionEntry, std::optional<int> maximum);
    void AdvanceProgress(int by);
    // `rounds` sleeps of `ms` milliseconds, each followed by an event run.
    void Wait(int rounds, int ms);
    // The same with the bar counting the rounds and the status the seconds left (entry 1685).
    void CountDown(int rounds, int ms);
    // Message 2 (damaged image), naming the image's first fault.
    void TellDamagedImage(const ImageFault& fault);
    // Status 58, the bar hidden, OK enabled, and `note` (what was cut and what to do next) in
    // place of the working note: the one message of a cut update, whether or not the
    // instrument is still there.
    void FailureEnd(const std::string& note);
    // The failure note of an entry whose %1 and %2 are the bytes sent and the image's bytes.
    [[nodiscard]] std::string CutNote(int entry) const;
    [[nodiscard]] bool WriteLoaderReport();
    [[nodiscard]] bool SendBlock(const MemoryImage& image, std::int32_t address);

    Link& link_;
    Feedback& feedback_;
    const LanguageTable& language_;
    std::filesystem::path programFolder_;
    Sleeper& sleeper_;
    // The one loader report buffer of an IO Interface update: never cleared between reports.
    Report loaderReport_{};
};

}  // namespace zv318
