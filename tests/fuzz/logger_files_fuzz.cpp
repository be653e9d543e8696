// Logger files and the instrument's logger replies: any bytes. A logger file the program reads
// it writes back in a form it reads again to the same bytes, and its print text can be made.

#include <filesystem>
#include <fstream>

#include "fuzz/fuzz_support.h"
#include "loggers/logger_file.h"
#include "loggers/logger_index.h"
#include "support/round_trip.h"
#include "texts/text_file.h"

using namespace zv318;

namespace {

int ReadBack(const std::string& bytes, const char* name, OpenLogger& logger) {
    const std::filesystem::path file = fuzz::ScratchFolder() / name;
    { std::ofstream(file, std::ios::binary) << bytes; }
    fuzz::QuietFeedback feedback;
    return ReadLoggerFileAt(file, logger, feedback);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::Text(data, size);
    (void)PresenceFromReply(text);
    (void)HeaderFromReply(text);
    (void)RecordFromReply(text);
    // Refused, or read and written again it is the file itself.
    ZV318_FUZZ_CHECK(roundtrip::CheckLoggerFile(text).empty());

    const std::string bytes(text);
    for (const char* name : {"fuzz.lograd", "fuzz.logplc"}) {
        OpenLogger logger;
        if (ReadBack(bytes, name, logger) != kLoggerFileRead) continue;
        (void)LoggerPrintText(logger);
        const std::string written = LoggerFileText(logger);
        OpenLogger again;
        ZV318_FUZZ_CHECK(ReadBack(written, name, again) == kLoggerFileRead);
        ZV318_FUZZ_CHECK(LoggerFileText(again) == written);
    }
    return 0;
}
