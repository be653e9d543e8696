#include "app/ctl_firmware.h"

#include <iostream>

#include "firmware/firmware_update.h"
#include "link/queries.h"

namespace zv318 {

namespace {

constexpr int kDone = 0, kFailed = 1, kUsage = 2, kNotConnected = 3;

const char kFirmwareUsage[] =
    "usage: zv318ctl [--yes] firmware io FILE.hex | firmware instrument FILE.zv318\n";

const std::string& Text(const LanguageTable& table, int entry, const std::string& fallback) {
    const std::string& text = table.entry(entry);
    return text.empty() ? fallback : text;
}

}  // namespace

int FirmwareCommand(Link& link, TerminalFeedback& feedback, const LanguageTable& table,
                    const std::filesystem::path& programFolder,
                    const std::vector<std::string>& args) {
    const bool io = args.size() == 3 && args[1] == "io";
    const bool instrument = args.size() == 3 && args[1] == "instrument";
    if (!io && !instrument) {
        std::cerr << kFirmwareUsage;
        return kUsage;
    }
    // The version the status box would show, read the way it reads it.
    std::string version;
    if (link.FindInstrument()) version = io ? GetIOVersion(link) : GetZVVersion(link);

    ThreadSleeper sleeper;
    FirmwareUpdate update(link, feedback, table, programFolder, sleeper);
    update.confirm = [&](const UpdateQuestion& q) {
        std::cerr << TerminalText(q.currentVersion) << '\n' << TerminalText(q.image) << '\n';
        return feedback.askYesNo(q.questionEntry, 33);
    };
    feedback.giveFile(args[2]);
    const UpdateOutcome outcome =
        io ? update.Actualitzar(version) : update.ActualitzarZV318(version);
    switch (outcome) {
        case UpdateOutcome::Done:
            std::cout << Text(table, 55, "Finished") << '\n';
            return kDone;
        case UpdateOutcome::NotConnected:
            return kNotConnected;
        case UpdateOutcome::Failed:
            std::cerr << Text(table, 58, "Update failed") << '\n';
            // What the cut left and what to do next: the one message of a cut update.
            if (!feedback.progressWindow().note().empty())
                std::cerr << TerminalText(feedback.progressWindow().note()) << '\n';
            // An instrument that vanished half-way ends as every other command without one.
            return link.IsOpen() ? kFailed : kNotConnected;
        case UpdateOutcome::Cancelled:
        case UpdateOutcome::Refused:
            break;
    }
    return kFailed;
}

}  // namespace zv318
