#include "loggers/logger_observer.h"

#include <atomic>

namespace zv318 {

namespace {
std::atomic<LoggerObserver*> observer{nullptr};
}

void SetLoggerObserver(LoggerObserver* o) { observer.store(o); }

void TellLoggerDownloaded(const OpenLogger& logger, int slot) {
    if (LoggerObserver* o = observer.load()) o->LoggerDownloaded(logger, slot);
}

void TellLoggerFileRead(const std::filesystem::path& path, const std::string& bytes,
                        const OpenLogger& logger) {
    if (LoggerObserver* o = observer.load()) o->LoggerFileRead(path, bytes, logger);
}

}  // namespace zv318
