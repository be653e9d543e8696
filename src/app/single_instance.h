#pragma once
// One desktop program per person, data folder and instrument source: a second start with the
// same three hands its file (a plan to edit, an image to program) to the running one, which
// opens it, or else asks it to bring its window to the front, and ends. A start in another
// data folder (ZV318_HOME) or another mode (--demo beside the real instrument) is a program of
// its own. The local socket lives in the person's runtime folder, where no one else may write.

#include <QLocalServer>
#include <QString>
#include <filesystem>
#include <functional>
#include <string>

namespace zv318 {

// What a second start hands to the running program.
struct HandedFile {
    enum Kind { None, Plan, Image };
    Kind kind = None;
    QString path;  // absolute
};

class SingleInstance {
public:
    // `dataFolder`: where the program keeps the person's files; `mode`: where the instrument
    // comes from ("demo", the socket folder, "usb").
    SingleInstance(const std::filesystem::path& dataFolder, const std::string& mode);

    // True when a running program answered and took `file` (or the wish to come to the front).
    [[nodiscard]] bool AskRunningOne(const HandedFile& file = {}, int timeoutMs = 1000) const;
    // Listens for later starts; `onStart` runs for each one with what it handed on. False when
    // it cannot listen.
    bool Listen(std::function<void(const HandedFile&)> onStart);

    // The local socket's name: a path in the runtime folder (a pipe name on Windows).
    [[nodiscard]] const QString& name() const { return name_; }

private:
    QString name_;
    QLocalServer server_;
};

}  // namespace zv318
