// Keeping a downloaded 150-record logger in the measurement archive, as the download hook does
// (the file's SHA-256, the logger row, 150 record rows, one committed transaction in a WAL-mode
// SQLite file with synchronous=NORMAL), beside its floor measured in the same run: a bare
// libsqlite3 program writing the same rows into the same schema the same way. The target is at
// most 1.5 times the floor.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "bench_loggers.h"
#include "texts/sha256.h"

namespace {

using namespace zv318;
namespace fs = std::filesystem;

fs::path Fresh(const char* name) {
    const fs::path file = fs::temp_directory_path() / name;
    for (const char* end : {"", "-wal", "-shm"}) fs::remove(file.string() + end);
    fs::remove_all(file.string() + ".sessions");
    return file;
}

// Loggers whose bytes differ (every keep adds one), made before the clock runs.
struct Loggers {
    std::vector<OpenLogger> loggers;
    std::vector<std::string> bytes;
    explicit Loggers(int n) {
        for (int j = 0; j < n; ++j) {
            loggers.push_back(bench::SiteLogger(j % bench::kSites, j));
            bytes.push_back(LoggerFileText(loggers.back()));
        }
    }
};
const Loggers& Prepared() {
    static const Loggers prepared(4000);
    return prepared;
}

void BM_KeepLogger150(benchmark::State& state) {
    const Loggers& l = Prepared();
    if (!bench::ReaderAccepts(l.loggers.front())) {
        state.SkipWithError("the reader refuses the benchmark's loggers");
        return;
    }
    const fs::path file = Fresh("zv318-bench-keep.sqlite");
    {
        Archive archive;
        if (archive.Open(ArchiveLocationFor(file.string(), {})) != Archive::State::Ready) {
            state.SkipWithError(archive.detail().c_str());
            return;
        }
        std::size_t n = 0;
        const InstrumentIdentity zv{"00012345", "ZV-318", "IO-2.10", "V1.20"};
        for (auto _ : state) {
            const std::size_t k = n++ % l.loggers.size();
            auto kept = archive.Keep(l.bytes[k], l.loggers[k], zv, 3);
            if (!kept) state.SkipWithError("not kept");
        }
    }
    Fresh("zv318-bench-keep.sqlite");
}
BENCHMARK(BM_KeepLogger150)->Unit(benchmark::kMillisecond)->Iterations(3000);

// The floor: the same schema, pragmas, rows and transaction through libsqlite3 alone, its
// statements prepared once.
const char* const kSchema[] = {
    "PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", "PRAGMA foreign_keys=ON",
    "CREATE TABLE instruments (serial TEXT PRIMARY KEY, model TEXT NOT NULL, io_version TEXT NOT "
    "NULL, instrument_version TEXT NOT NULL, first_seen TEXT NOT NULL, last_seen TEXT NOT NULL)",
    "CREATE TABLE loggers (id INTEGER PRIMARY KEY, sha256 TEXT NOT NULL UNIQUE, serial TEXT "
    "REFERENCES instruments(serial), type TEXT NOT NULL CHECK (type IN ('RADIO', 'PLC')), slot "
    "INTEGER, name TEXT NOT NULL, plan TEXT NOT NULL, measured_at TEXT, unit TEXT NOT NULL, "
    "threshold DOUBLE PRECISION, record_count INTEGER NOT NULL, below_threshold INTEGER NOT NULL, "
    "archived_at TEXT NOT NULL, source TEXT NOT NULL CHECK (source IN ('instrument', 'file')), "
    "bytes BLOB NOT NULL)",
    "CREATE INDEX loggers_by_name ON loggers (name, type, measured_at)",
    "CREATE INDEX loggers_by_time ON loggers (measured_at)",
    "CREATE INDEX loggers_by_serial ON loggers (serial)",
    "CREATE INDEX loggers_by_plan ON loggers (plan)",
    "CREATE TABLE records (logger_id INTEGER NOT NULL REFERENCES loggers(id) ON DELETE CASCADE, "
    "idx INTEGER NOT NULL, channel TEXT NOT NULL, frequency_hz BIGINT NOT NULL, bandwidth_hz "
    "BIGINT NOT NULL, power_text TEXT NOT NULL, power DOUBLE PRECISION, PRIMARY KEY (logger_id, "
    "idx)) WITHOUT ROWID",
    "CREATE TABLE pending (logger_id INTEGER PRIMARY KEY REFERENCES loggers(id) ON DELETE CASCADE)"};

void BM_BareSqliteKeep150(benchmark::State& state) {
    const Loggers& l = Prepared();
    const fs::path file = Fresh("zv318-bench-bare.sqlite");
    sqlite3* db = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
        state.SkipWithError("sqlite3_open");
        return;
    }
    for (const char* sql : kSchema) sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_stmt *instrument, *logger, *record, *update;
    sqlite3_prepare_v2(db,
                       "INSERT INTO instruments VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (serial) "
                       "DO NOTHING",
                       -1, &instrument, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO loggers (sha256, serial, type, slot, name, plan, measured_at, "
                       "unit, threshold, record_count, below_threshold, archived_at, source, "
                       "bytes) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT "
                       "(sha256) DO NOTHING RETURNING id",
                       -1, &logger, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO records VALUES (?, ?, ?, ?, ?, ?, ?)", -1, &record, nullptr);
    sqlite3_prepare_v2(db,
                       "UPDATE instruments SET model = ?, io_version = ?, instrument_version = ?, "
                       "last_seen = ? WHERE serial = ?",
                       -1, &update, nullptr);
    auto text = [](sqlite3_stmt* s, int at, const std::string& v) {
        sqlite3_bind_text(s, at, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    };
    const std::string now = "2026-12-08T23:00:00Z";
    std::size_t n = 0;
    for (auto _ : state) {
        const std::size_t k = n++ % l.loggers.size();
        const OpenLogger& lg = l.loggers[k];
        const std::string& bytes = l.bytes[k];
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        int at = 1;
        for (const char* v : {"00012345", "ZV-318", "IO-2.10", "V1.20"}) text(instrument, at++, v);
        text(instrument, 5, now);
        text(instrument, 6, now);
        sqlite3_step(instrument);
        sqlite3_reset(instrument);
        text(logger, 1, Sha256Hex(bytes));
        text(logger, 2, "00012345");
        text(logger, 3, lg.typeText);
        sqlite3_bind_int(logger, 4, 3);
        text(logger, 5, lg.name);
        text(logger, 6, lg.planName);
        text(logger, 7, "2020-01-01T08:00:00");
        text(logger, 8, "dBuV");
        sqlite3_bind_double(logger, 9, std::strtod(lg.thresholdText.c_str(), nullptr));
        sqlite3_bind_int(logger, 10, static_cast<int>(lg.records.size()));
        sqlite3_bind_int(logger, 11, 0);
        text(logger, 12, now);
        text(logger, 13, "instrument");
        sqlite3_bind_blob(logger, 14, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
        const bool added = sqlite3_step(logger) == SQLITE_ROW;
        const sqlite3_int64 id = added ? sqlite3_column_int64(logger, 0) : 0;
        sqlite3_reset(logger);
        for (std::size_t r = 0; added && r < lg.records.size(); ++r) {
            const LoggerRecordRow& row = lg.records[r];
            sqlite3_bind_int64(record, 1, id);
            sqlite3_bind_int(record, 2, static_cast<int>(r));
            text(record, 3, row.channel);
            sqlite3_bind_int64(record, 4, std::llround(std::strtod(row.frequency.c_str(), nullptr) * 1e6));
            sqlite3_bind_int64(record, 5, std::llround(std::strtod(row.bandwidth.c_str(), nullptr) * 1e6));
            const std::string value = row.power.substr(0, row.power.find(' '));
            text(record, 6, value);
            sqlite3_bind_double(record, 7, std::strtod(value.c_str(), nullptr));
            sqlite3_step(record);
            sqlite3_reset(record);
        }
        at = 1;
        for (const char* v : {"ZV-318", "IO-2.10", "V1.20"}) text(update, at++, v);
        text(update, 4, now);
        text(update, 5, "00012345");
        sqlite3_step(update);
        sqlite3_reset(update);
        if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            state.SkipWithError(sqlite3_errmsg(db));
    }
    for (sqlite3_stmt* s : {instrument, logger, record, update}) sqlite3_finalize(s);
    sqlite3_close(db);
    Fresh("zv318-bench-bare.sqlite");
}
BENCHMARK(BM_BareSqliteKeep150)->Unit(benchmark::kMillisecond)->Iterations(3000);

}  // namespace

BENCHMARK_MAIN();
