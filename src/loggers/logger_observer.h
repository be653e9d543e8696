#pragma once
// Whoever keeps the loggers the program comes to know (the measurement archive). The program
// sets one at start; every download of a listed logger and every logger file read tell it,
// whatever command caused them (the table's open, save and print, a backup, zv318ctl). An
// observer never fails the operation that told it: what it cannot do, it says itself.

#include <filesystem>
#include <string>

#include "loggers/logger_file.h"

namespace zv318 {

class LoggerObserver {
public:
    virtual ~LoggerObserver() = default;
    // A logger downloaded whole from the instrument's slot (0-49) of the selected type.
    virtual void LoggerDownloaded(const OpenLogger& logger, int slot) = 0;
    // A logger file read without a fault: its path, its bytes and what they hold.
    virtual void LoggerFileRead(const std::filesystem::path& path, const std::string& bytes,
                                const OpenLogger& logger) = 0;
};

// The program's observer (none by default, as in the tests); the caller keeps it alive until
// it sets another or none.
void SetLoggerObserver(LoggerObserver* observer);

void TellLoggerDownloaded(const OpenLogger& logger, int slot);
void TellLoggerFileRead(const std::filesystem::path& path, const std::string& bytes,
                        const OpenLogger& logger);

}  // namespace zv318
