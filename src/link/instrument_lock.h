#pragma once
// One program per instrument: an exclusive advisory lock on the instrument itself, taken before
// the interface is opened or a report is sent, held until the last exchange, and freed when its
// holder ends, however it ends. What is locked is what only the instrument's users can open:
// on Linux the device node (flock on a descriptor of it, opened for reading and writing as the
// instrument itself is), for the socket bus the folder that lists the instrument's socket (a
// socket cannot be opened as a file); on Windows a mutex of the person's own session named
// after the interface. No file is made anywhere, so nothing is left behind and nobody can
// plant one. The holder is named from the kernel's table of locks and the holder's process.

#include <cstdint>
#include <memory>
#include <string>

namespace zv318 {

// How long a program waits for a lock another one holds before it gives up: a status refresh
// of the desktop program (four short exchanges) ends well within it, and a refusal still comes
// within a second on a busy machine, the program's own start included.
inline constexpr int kLockWaitMs = 300;

struct LockHolder {
    std::string program;  // empty when it cannot be known
    long process = 0;
};

// Held until destroyed.
class InstrumentLock {
public:
    explicit InstrumentLock(std::string instrument) : instrument_(std::move(instrument)) {}
    virtual ~InstrumentLock() = default;
    InstrumentLock(const InstrumentLock&) = delete;
    InstrumentLock& operator=(const InstrumentLock&) = delete;

    [[nodiscard]] const std::string& instrument() const { return instrument_; }

private:
    std::string instrument_;
};

enum class LockOutcome {
    Taken,     // `lock` holds it; a bus with nothing to lock leaves `lock` empty
    Busy,      // another program holds it (`holder` names it when that can be known)
    NoAccess,  // this user may not open what is locked, so not the instrument either
    Failed,    // the lock cannot be taken for another reason (`reason`)
};

struct LockAttempt {
    LockOutcome outcome = LockOutcome::Taken;
    std::unique_ptr<InstrumentLock> lock;
    LockHolder holder;
    std::string target;  // what was to be locked: the node, the folder
    std::string reason;  // Failed: the system's word for it
};

// What a node lock is taken on.
enum class LockNode {
    Device,  // a device node (on Linux the instrument's hidraw node), opened for read and write
    Folder,  // a folder, opened for reading
};

// Takes the lock of `target` (links followed: one node, one lock, by whatever name), waiting at
// most `waitMs` for a holder to let go. Anything else than the kind asked for (a FIFO, a plain
// file, a socket) is refused as Failed without waiting on it.
[[nodiscard]] LockAttempt TakeNodeLock(const std::string& target, LockNode kind, int waitMs);

// Takes the lock of the file `name` inside `folder`, which must be the person's own folder
// (link/runtime_folder.h): the file is made there when missing, never followed as a link, and
// must be a plain file of the person's. It locks among the person's own programs what no one
// else can lock. Busy and Failed as TakeNodeLock; the file stays (an empty file in a folder
// that is cleared at the end of the session).
[[nodiscard]] LockAttempt TakeLockInFolder(const std::string& folder, const std::string& name,
                                           int waitMs);

// The process holding a lock on the node open as `descriptor`, from the kernel's table of locks;
// nobody (empty program, process 0) when no other process holds one or it cannot be told. The
// name comes from the process itself, as it is (at most 64 bytes): whoever shows it escapes it.
[[nodiscard]] LockHolder HolderOf(int descriptor);

// Whether process `process` may open `path` for writing (a socket: connect to it) by the file's
// owner, group and mode bits: a lock held by a process that may not reach the instrument does
// not count. False when it cannot be told (the process is gone or of another namespace).
[[nodiscard]] bool ProcessMayWrite(long process, const std::string& path);

}  // namespace zv318
