#pragma once
// SQLite's locks on the archive's files, held whatever else this process does with those files.
//
// SQLite on Unix locks with POSIX record locks, which belong to the process: closing any
// descriptor of a file drops all of the process's locks on it. A file dialog that lists the
// archive's folder does exactly that (its model asks the MIME database for each file's type,
// which opens the file to sniff its first bytes and closes it), and from then on another
// program takes this one's archive for unused: it checkpoints, deletes the -wal and -shm files
// this program still writes into, and what this program keeps after that is lost.
//
// On Linux every SQLite connection of the process therefore locks through the open file
// description (F_OFD_SETLK): such a lock ends only when the description it was taken on is
// closed, never by a descriptor somebody else opened. The process keeps one description per
// file, shared by all of SQLite's descriptors of it, so that SQLite's own bookkeeping (one set
// of locks per file and process) holds as before. These locks and the POSIX locks of other
// programs (the sqlite3 tool, an older version of this one) exclude each other as usual.

namespace zv318 {

// Installs the locking in SQLite (every connection opened afterwards, Qt's driver's too).
// Idempotent and thread-safe; call it before the first connection. False where the system
// has no such locks (SQLite's process-wide locks stay).
bool UseDescriptionLocks();

}  // namespace zv318
