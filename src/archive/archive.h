#pragma once
// The measurement archive: every logger the program downloads or reads, kept once (by the
// SHA-256 of its file bytes) with its records, so that the loggers of a site can be found,
// compared and followed over the years. One database through Qt SQL: a SQLite file by default
// (WAL, a busy time-out, every change one transaction), the same tables on PostgreSQL.
//
// Schema version 1 (PRAGMA user_version; the migrations are below in archive.cpp):
//   instruments(serial PK, model, io_version, instrument_version, first_seen, last_seen)
//   loggers(id PK, sha256 UNIQUE, serial → instruments or NULL for a file, type 'RADIO'|'PLC',
//           slot, name, plan, measured_at ISO 8601 or NULL, unit, threshold, record_count,
//           below_threshold, archived_at ISO 8601 UTC, source 'instrument'|'file', bytes)
//   records(logger_id → loggers, idx, channel, frequency_hz, bandwidth_hz, power_text,
//           power or NULL when the text is no number; PK (logger_id, idx))
// Schema version 2:
//   pending(logger_id PK → loggers): loggers kept in this PC's archive while the team archive
//           on the server could not be reached, still to be sent there
// Schema version 3: measured_at filled, from the kept bytes, for the loggers whose date the
//           program reads now in every form the instrument writes it
// Schema version 4: PRAGMA application_id set (kArchiveApplicationId); on a server nothing.
// On PostgreSQL the version is the one row of archive_schema(version).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_location.h"
#include "link/instrument_identity.h"
#include "loggers/logger_file.h"
#include "texts/language_table.h"
#include "texts/text_file.h"

namespace zv318 {

inline constexpr int kArchiveSchemaVersion = 4;
// PRAGMA application_id of this program's archive ("ZV" 0x3318), from schema version 4.
inline constexpr std::int32_t kArchiveApplicationId = 0x5A563318;

// The program's own messages of the archive (message n reads entry 1000 + n).
inline constexpr int kMessageArchiveDamaged = 450;
inline constexpr int kMessageArchiveUnavailable = 451;
inline constexpr int kMessageArchiveNewer = 452;
inline constexpr int kMessageArchiveNotKept = 453;
inline constexpr int kMessageArchiveReadOnly = 454;
inline constexpr int kMessageArchiveOff = 455;
inline constexpr int kMessageArchiveNoSuchLogger = 456;
inline constexpr int kMessageArchiveNotLoggerFile = 457;
inline constexpr int kMessageArchiveNoServerDriver = 458;
inline constexpr int kMessageArchiveNotWritten = 459;
// The team archive on a server (archive_server.cpp).
inline constexpr int kMessageArchiveOffline = 520;
inline constexpr int kMessageArchivePending = 521;
inline constexpr int kMessageArchivePasswordInAddress = 522;
inline constexpr int kMessageArchiveBadAddress = 523;
inline constexpr int kMessageArchiveNotInitialised = 524;
inline constexpr int kMessageArchiveSent = 525;
inline constexpr int kMessageArchiveServerOnly = 526;
inline constexpr int kMessageArchiveNoPsqlDriver = 527;
// Loggers whose date the archive cannot read (left out of date filters and trends).
inline constexpr int kMessageArchiveUndated = 580;
// The team archive did not take a logger: kept in this PC's archive, marked to be sent.
inline constexpr int kMessageArchiveKeptHere = 581;
// The team archive's server answered and refused: user, database, password or rights.
inline constexpr int kMessageArchiveRefused = 582;
// The archive's folder cannot be written: no archive can be made there.
inline constexpr int kMessageArchiveFolderReadOnly = 583;
// The archive's file or folder cannot be written: opened read-only.
inline constexpr int kMessageArchiveOpenedReadOnly = 584;
// Why the team archive's loggers wait in this PC's archive, in a technician's words: the server
// refuses the password of the user, has no password for it, knows no such user or database,
// or refuses the user the archive's tables (each text names its subject with %1).
inline constexpr int kMessageArchivePasswordRefused = 585;
inline constexpr int kMessageArchiveNoPassword = 586;
inline constexpr int kMessageArchiveNoSuchUser = 587;
inline constexpr int kMessageArchiveNoSuchDatabase = 588;
inline constexpr int kMessageArchiveNoRights = 589;
// The server asks for a password, none is given, and no keyring service runs to keep one: the
// text says how to use ~/.pgpass.
inline constexpr int kMessageArchiveNoKeyring = 872;
// A database that is not this program's archive, or an archive holding what the program did
// not put there (triggers, views, tables): refused, left untouched.
inline constexpr int kMessageArchiveForeign = 590;
inline constexpr int kMessageArchiveForeignObjects = 591;
// A detail's subject (a server's address, a file) followed by the database's own words about
// it (libpq's or SQLite's message, with its severities, tabs and codes): they are kept apart by
// this mark, so that a window shows the technician's sentence and keeps those words for its
// "Details" part.
inline constexpr char kDatabaseWordsMark = '\x1f';
[[nodiscard]] std::string WithDatabaseWords(const std::string& subject, const std::string& words);
// A notice's text: the message's text, then what it concerns. A text with "%1" takes the
// first line of `detail` there, and the rest of it after. The database's words follow their
// subject after ": ".
[[nodiscard]] std::string ArchiveNotice(const LanguageTable& table, int message,
                                        const std::string& detail);
// The same in two parts: the technician's sentence and its subjects, and the database's own
// words (empty when the detail holds none).
struct NoticeParts {
    std::string text, details;
};
[[nodiscard]] NoticeParts ArchiveNoticeParts(const LanguageTable& table, int message,
                                             const std::string& detail);

// One archived logger as the list shows it.
struct ArchivedLogger {
    std::int64_t id = 0;
    std::string sha256;
    std::optional<std::string> serial;
    std::string type;  // "RADIO" or "PLC"
    int slot = -1;     // -1: not known (a file)
    std::string name, plan;
    std::optional<std::string> measuredAt;  // "2013-02-01T10:20:30"
    std::string unit;
    std::optional<double> threshold;
    int records = 0;
    int belowThreshold = 0;
    std::string archivedAt;  // "2026-12-08T04:30:00Z"
    std::string source;      // "instrument" or "file"
    bool pending = false;    // kept here while the team archive was away, not sent yet
};

struct ArchivedRecord {
    int index = 0;
    std::string channel;
    std::int64_t frequencyHz = 0, bandwidthHz = 0;
    std::string powerText;  // the value as the logger holds it, without the unit
    std::optional<double> power;
};

// What `list` selects; an empty field selects everything.
struct ArchiveFilter {
    std::string name;    // part of the name (letter case ignored)
    std::string text;    // part of the name or of the plan (letter case ignored)
    std::string type;    // "RADIO" or "PLC"
    std::string since;   // YYYY-MM-DD: measured on or after that day
    std::string until;   // YYYY-MM-DD: measured on or before that day
    std::string serial;  // exactly
};

// The order of a list: by one of the page's columns, then by id (Id alone: the order kept).
enum class ArchiveSort { Id, Name, Type, Plan, Measured, Records, Below, Serial };
struct ArchiveOrder {
    ArchiveSort by = ArchiveSort::Id;
    bool descending = false;
};

// measured_at of a logger's date (day, month, year separated by "/", "-", "." or blanks; a year
// of two digits is of this century) and time ("hh:mm:ss"), or nothing when they are not a real
// date and time.
[[nodiscard]] std::optional<std::string> MeasuredAt(std::string_view date, std::string_view time);

struct ArchiveConnection;

// The clock the times of archiving come from (UTC, "2026-12-08T04:30:00Z"); the tests put one
// of their own in its place, nullptr puts the system's back.
using ArchiveClock = std::string (*)();
void SetArchiveClockForTesting(ArchiveClock clock);

class ArchiveSessions;

class Archive {
public:
    enum class State { Closed, Ready, ReadOnly, Failed };

    Archive();
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // Opens (and, the first time, makes) the archive: WAL, the busy time-out and the
    // migrations up to this version. The whole file is checked only when it is due (the last
    // run did not end cleanly, or SQLite reported damage since the last check) and `integrity`
    // allows it; the window's thread defers it to the archive's worker. A damaged file is left
    // as it is (Failed, message 450); a newer schema is opened read-only (ReadOnly, message
    // 452). The message to tell, 0 when none, is kept in notice().
    // On a server the tables are made or migrated only by `init` (the owner's rights); a
    // server that cannot be reached leaves the archive on the local file (where.file) with
    // every logger kept there marked pending (offline(), message 520).
    // `purpose` Read: the caller only reads (the terminal's list, show, compare, trend,
    // export, check). Such a run cannot leave the file damaged, so it enters no session of its
    // own (the entry's flush to disk costs more than the command's query); a check that is due
    // still runs.
    enum class Schema { Use, Create };
    enum class Integrity { CheckWhenDue, Defer };
    enum class Purpose { Change, Read };
    State Open(const ArchiveLocation& where, Schema schema = Schema::Use,
               Integrity integrity = Integrity::CheckWhenDue, Purpose purpose = Purpose::Change);
    // The whole file's check (PRAGMA quick_check): empty when it is sound, else what is wrong.
    // Its cost grows with the file; the program runs it on request and when it is due.
    [[nodiscard]] std::string Check();
    // A check was due and deferred (the file is checked by the next opening that may).
    [[nodiscard]] bool checkDue() const { return checkDue_; }
    [[nodiscard]] State state() const { return state_; }
    // On a server's address: the server was away or refused, and this is this PC's archive,
    // each logger kept in it marked to be sent (notice() and detail() say why).
    [[nodiscard]] bool offline() const { return offline_; }
    // Of those, the server answered and refused (a password, a user, a database, a right).
    [[nodiscard]] bool refused() const { return refused_; }
    // The loggers of this (local) archive still to be sent to the team archive; nothing when
    // it cannot be read.
    [[nodiscard]] std::optional<int> PendingCount();
    // Sends the pending loggers of this local archive to `server` (open and Ready), up to
    // kSendBatch in one transaction there, each batch read here first and unmarked here after
    // the server took it, in a short transaction of its own: no lock of this archive is held
    // while the server is asked. A duplicate is skipped by the server, the local copies stay.
    // Nothing when a send fails (detail() says why; that batch and the rest stay pending).
    static constexpr std::size_t kSendBatch = 20;
    struct Sent {
        int added = 0, alreadyThere = 0;
    };
    [[nodiscard]] std::optional<Sent> SendPendingTo(Archive& server);
    [[nodiscard]] bool usable() const {
        return state_ == State::Ready || state_ == State::ReadOnly;
    }
    [[nodiscard]] int notice() const { return notice_; }
    // What the notice concerns: the location, and the database's own words on a failure.
    [[nodiscard]] const std::string& detail() const { return detail_; }
    // A write failed because the disk is full: every later write fails alike.
    [[nodiscard]] bool diskFull() const;
    [[nodiscard]] int schemaVersion() const { return version_; }

    // Keeps a logger: its file bytes, what they hold, and the instrument it came from
    // (nothing for a file). The id and whether it was added (false: it was kept before);
    // nothing after a failure (detail() says which).
    // On a server this PC's archive keeps it first, marked to be sent, and the server is asked
    // after: when the server fails to take it (a time-out, a lost connection, a refused insert,
    // missing tables) it stays here, pending: `notice` is then the message to tell (581, or
    // 524 for missing tables), the id the local one, and detail() names the server's reason.
    struct Kept {
        std::int64_t id = 0;
        bool added = false;
        int notice = 0;
    };
    [[nodiscard]] std::optional<Kept> Keep(std::string_view fileBytes, const OpenLogger& logger,
                                           const std::optional<InstrumentIdentity>& instrument,
                                           int slot = -1);
    // Several loggers in one transaction (an import of many files): all kept, or none.
    struct ToKeep {
        std::string_view fileBytes;
        const OpenLogger* logger = nullptr;
        std::optional<InstrumentIdentity> instrument;
        int slot = -1;
        std::string archivedAt;  // empty: now
    };
    [[nodiscard]] std::optional<std::vector<Kept>> KeepAll(const std::vector<ToKeep>& loggers);
    // A logger file read (bounded as every logger file) and kept as a file's logger; the read's
    // result code (kLoggerFileRead when it is a logger) goes to `readResult`, and why a file
    // was not read at all (no regular file, too large) to `refusal`.
    [[nodiscard]] std::optional<Kept> ImportFile(const std::filesystem::path& file,
                                                 int* readResult = nullptr,
                                                 ReadRefusal* refusal = nullptr);

    // The loggers the filter selects; empty, with failed() and detail() saying why, when the
    // database refused the reading (a missing permission on a server).
    [[nodiscard]] std::vector<ArchivedLogger> List(const ArchiveFilter& filter = {});
    // `limit` loggers (all when negative) from the `offset`th in that order: what a view shows
    // as it scrolls.
    [[nodiscard]] std::vector<ArchivedLogger> List(const ArchiveFilter& filter, ArchiveOrder order,
                                                   int offset, int limit);
    // Each logger the filter selects, in the order kept, handed on as it is read (an output of
    // any size in flat memory); false when the list could not be read.
    [[nodiscard]] bool ForEach(const ArchiveFilter& filter,
                               const std::function<void(const ArchivedLogger&)>& each);
    // How many loggers the filter selects (COUNT(*)); nothing when it cannot be read.
    [[nodiscard]] std::optional<std::int64_t> Count(const ArchiveFilter& filter = {});
    [[nodiscard]] bool failed() const { return failed_; }
    [[nodiscard]] std::optional<ArchivedLogger> Find(std::int64_t id);
    [[nodiscard]] std::vector<ArchivedRecord> Records(std::int64_t id);
    // The logger file's exact bytes.
    [[nodiscard]] std::optional<std::string> Bytes(std::int64_t id);
    // The open logger those bytes hold (as the viewer opens it).
    [[nodiscard]] std::optional<OpenLogger> Logger(std::int64_t id);
    // Removes the loggers and their records in one transaction: how many were removed, or
    // nothing after a failure.
    [[nodiscard]] std::optional<int> Delete(const std::vector<std::int64_t>& ids);
    [[nodiscard]] std::vector<InstrumentIdentity> Instruments();

    // For the analyses: every logger of a name and type with a date, oldest first, and the
    // records of those loggers whose channel is one of `channels` (all when empty).
    struct TrendRow {
        std::int64_t loggerId = 0;
        std::string measuredAt;
        std::string channel;
        std::int64_t frequencyHz = 0;
        std::string powerText;
        std::optional<double> power;
    };
    [[nodiscard]] std::vector<TrendRow> TrendRows(const std::string& name, const std::string& type,
                                                  const std::vector<std::string>& channels);

    // The connection's name for Qt SQL (for the window's own queries, none so far).
    [[nodiscard]] const std::string& connectionName() const;

private:
    [[nodiscard]] bool Fail(const std::string& what);
    State OpenFile(const std::filesystem::path& file, Integrity integrity);
    // One attempt; `locked`: it failed because another connection held the file at that moment.
    State OpenFileOnce(const std::filesystem::path& file, Integrity integrity, bool& locked);
    // Notes SQLite's word that the file is damaged, for the next opening to check it.
    void NoteDamage();
    State OpenServer(const ArchiveLocation& where, Schema schema, Integrity integrity);
    [[nodiscard]] bool WriteAllowed();
    [[nodiscard]] bool Migrate();
    [[nodiscard]] bool FillMeasuredAt();
    [[nodiscard]] std::optional<Kept> KeepOne(const ToKeep& k, const std::string& now);
    // KeepAll on this database only (a server's failure is a failure).
    [[nodiscard]] std::optional<std::vector<Kept>> KeepHere(const std::vector<ToKeep>& loggers);
    [[nodiscard]] std::optional<std::vector<Kept>> KeepOnServer(const std::vector<ToKeep>& loggers);
    // This PC's archive beside a server's connection (opened at its first use); nothing when
    // it cannot be written.
    [[nodiscard]] Archive* Here();
    // Sends these loggers of this local archive to `server` and clears their marks; the
    // server's answer for each, nothing when it did not take them (detail() says why).
    [[nodiscard]] std::optional<std::vector<Kept>> SendLoggers(const std::vector<std::int64_t>& ids,
                                                               Archive& server);
    // Offline, a logger kept here (added or kept before) waits to be sent to the server.
    [[nodiscard]] std::optional<Kept> MarkPending(const Kept& kept);

    std::unique_ptr<ArchiveConnection> c_;
    std::unique_ptr<ArchiveSessions> sessions_;
    bool checkDue_ = false;
    Purpose purpose_ = Purpose::Change;
    State state_ = State::Closed;
    int notice_ = 0;
    int version_ = 0;
    bool offline_ = false;
    bool refused_ = false;
    bool failed_ = false;  // the last List
    std::string detail_;
    std::filesystem::path localFile_;  // on a server: this PC's archive
    std::unique_ptr<Archive> here_;    // on a server: this PC's archive, opened at first use
};

}  // namespace zv318
