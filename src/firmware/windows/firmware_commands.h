#pragma once
// The firmware menu's two updates as commands of the main window: "IO Interface"
// (`Actualitzar`, also run at start-up with the image given on the command line) and "ZV-318"
// (`ActualitzarZV318`). Each asks through the confirmation window TConfUpgr when there is one,
// and remembers the start-up argument and the image file last chosen from one run to the next.

#include <string>

#include "link/page_host.h"

class TConfUpgr;

namespace zv318 {

class Sleeper;
struct UpdateQuestion;

class FirmwareCommands {
public:
    explicit FirmwareCommands(PageHost& host) : host_(host) {}

    // The confirmation window (not owned); a yes/no question when none is set.
    void setConfirmWindow(TConfUpgr* dialog) { confUpgr_ = dialog; }
    // What the updates' waits sleep on (not owned); the thread sleeps when none is set.
    void setSleeper(Sleeper* sleeper) { sleeper_ = sleeper; }
    // The IO Interface image given on the command line; empty when none. The IO Interface
    // update takes it as its image, then empties or keeps it.
    void setStartupArgument(const std::string& argument) { startupArgument_ = argument; }
    [[nodiscard]] const std::string& startupArgument() const { return startupArgument_; }

    // The updates, from the versions the status box shows. Run them as the host's command.
    void Actualitzar(const std::string& ioVersionShown);
    void ActualitzarZV318(const std::string& zvVersionShown);

private:
    void run(bool ioInterface, const std::string& versionShown);
    [[nodiscard]] bool confirmUpdate(const UpdateQuestion& question);

    PageHost& host_;
    TConfUpgr* confUpgr_ = nullptr;
    Sleeper* sleeper_ = nullptr;
    std::string startupArgument_;
    std::string dialogFile_;  // the image file the dialog holds: the last one chosen
};

}  // namespace zv318
