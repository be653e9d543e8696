#pragma once
// One desktop program per person, data folder and instrument source: a second start with the
// same three hands its file (a plan to edit, an image to program) to the running one, which
// opens it, or else asks it to bring its window to the front, and ends. A start in another
// data folder (ZV318_HOME) or another mode (--demo beside the real instrument) is a program of
// its own.
//
// The name is claimed before the window is built: a lock on a file in the person's own runtime
// folder, then the local socket beside it. Of two starts together exactly one holds the lock
// and runs; the other knocks on its socket. Only a runtime folder checked to be the person's
// own is used (link/runtime_folder.h): without one there is no single instance at all, and
// every start runs its own window.

#include <QLocalServer>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zv318 {

class InstrumentLock;

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
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    enum class Claim {
        Ours,         // this start holds the name and listens: it runs the window
        Elsewhere,    // another start holds it: hand the file on to it
        Unavailable,  // no runtime folder of the person's own: no single instance
    };
    // Claims the name at once (without waiting), and listens when it is ours; later starts'
    // knocks are kept until `Listen` says where they go.
    [[nodiscard]] Claim ClaimName();

    // Hands `file` (or the wish to come to the front) to the start that holds the name, waiting
    // at most `timeoutMs` for it to listen. True when it took it; false when none answered, or
    // when the name came free meanwhile and this start claimed it (ClaimName then says Ours).
    [[nodiscard]] bool HandOn(const HandedFile& file = {}, int timeoutMs = 5000);

    // Where later starts' knocks go, those that came before included.
    void Listen(std::function<void(const HandedFile&)> onStart);

    // The local socket's name: a path in the person's runtime folder (a pipe name on Windows);
    // empty when there is none.
    [[nodiscard]] const QString& name() const { return name_; }

private:
    bool knock(const HandedFile& file, int timeoutMs) const;
    bool listen();
    void arrived(const HandedFile& file);

    QString name_, lockFolder_, lockName_;
    std::unique_ptr<InstrumentLock> lock_;
    QLocalServer server_;
    bool ours_ = false;
    std::function<void(const HandedFile&)> onStart_;
    std::vector<HandedFile> early_;
};

// The note a start without single instance gives (`claim` says why): it runs its own window,
// and nothing a later start is given is handed to it.
[[nodiscard]] QString NoSingleInstanceNote(SingleInstance::Claim claim);

}  // namespace zv318
