#pragma once
// One program per instrument: an exclusive advisory lock per instrument, taken before the first
// exchange and held until the last. It holds across processes and across the users of the
// machine and is freed when its holder ends, however it ends: on Linux and macOS an flock on a
// descriptor of a file in the machine's lock folder, on Windows a file opened without sharing.
// The holder writes its program name and process number into the file, so a program that is
// refused can name it.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace zv318 {

// How long a program waits for a lock another one holds before it gives up: a status refresh
// of the desktop program ends well within it, and a refusal still comes within a second.
inline constexpr int kLockWaitMs = 500;
// A folder for the lock files other than the machine's own (tests; every program that is to
// exclude the others must name the same one).
inline constexpr const char* kLockFolderVariable = "ZV318_LOCK_DIR";

struct LockHolder {
    std::string program;  // empty when the file does not tell
    long process = 0;
};

class InstrumentLock {
public:
    // Takes over `handle`, a descriptor (or Windows handle) that holds the lock.
    InstrumentLock(std::string instrument, std::intptr_t handle)
        : instrument_(std::move(instrument)), handle_(handle) {}
    ~InstrumentLock();
    InstrumentLock(const InstrumentLock&) = delete;
    InstrumentLock& operator=(const InstrumentLock&) = delete;

    [[nodiscard]] const std::string& instrument() const { return instrument_; }

private:
    std::string instrument_;
    std::intptr_t handle_;  // the descriptor (or Windows handle) that holds the lock
};

struct LockAttempt {
    std::unique_ptr<InstrumentLock> lock;  // set when the lock was taken
    LockHolder holder;                     // refused: who holds it
    std::filesystem::path file;            // the lock file
    bool unusable = false;  // the file could not be opened or locked at all: no holder known
};

// Takes the lock of `instrument` (an interface's name on its bus) for `program`, waiting at
// most `waitMs` for a holder to let go.
[[nodiscard]] LockAttempt TakeInstrumentLock(const std::string& instrument,
                                             const std::string& program, int waitMs);

// The lock file of an instrument: in ZV318_LOCK_DIR, else /run/lock, /var/lock or the temporary
// folder (on Windows the folder every user shares), named "zv318-" + a readable part of the
// instrument's name + a hash of the whole name, so that names differing anywhere differ.
[[nodiscard]] std::filesystem::path LockFilePath(const std::string& instrument);

// "PROGRAM PID" as the holder writes it; read back the same.
[[nodiscard]] std::string HolderText(const std::string& program, long process);
[[nodiscard]] LockHolder ParseHolder(const std::string& text);

}  // namespace zv318
