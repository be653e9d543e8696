// Files from outside that are not what they claim: a link to /dev/zero, a FIFO with no writer
// and a regular file larger than its kind, through every reader of such files. Each is refused
// at once with the message that says why, and nothing waits or grows.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <functional>

#include "loggers/logger_file.h"
#include "plans/plan_csv.h"
#include "plans/plan_fixture.h"
#include "plans/plan_procedures.h"
#include "texts/language_file.h"

namespace zv318::testing {
namespace {

TEST(OutsideFiles, EveryReaderRefusesWhatIsNoFileOfItsKind) {
    TempFolder dir;
    const LanguageTable language;
    RecordingFeedback feedback;
    PlanGrid grid;
    OpenLogger logger;
    LanguageTable table;
    // Each reader gives the message it shows, or -1 for a refusal the caller tells (message 4).
    auto shown = [&feedback](bool refused) {
        EXPECT_TRUE(refused);
        return feedback.messages.empty() ? 0 : feedback.messages.back();
    };
    struct Reader {
        const char* name;
        std::size_t limit;
        std::function<int(const fs::path&)> read;
    };
    const Reader readers[] = {
        {"p.c318", kPlanFileMaxBytes,
         [&](const fs::path& f) {
             return shown(ReadChannelPlanFile(f, grid, feedback) == kPlanFileUnreadable);
         }},
        {"c.c318", kPlanFileMaxBytes,
         [&](const fs::path& f) { return CheckPlanFile(f, language).message; }},
        {"p.csv", kCsvFileMaxBytes,
         [&](const fs::path& f) {
             return shown(ReadPlanCsvFile(f, kRadioPlan, language, feedback, grid) ==
                          kCsvUnreadable);
         }},
        {"l.lograd", kLoggerFileMaxBytes,
         [&](const fs::path& f) {
             return shown(ReadLoggerFileAt(f, logger, feedback) == kLoggerFileUnreadable);
         }},
        {"X.lng", kLanguageFileMaxBytes,
         [&](const fs::path& f) { return ReadLanguageFile(f, table).opened ? 0 : -1; }},
        {"config.txt", kConfigFileMaxBytes,
         [&](const fs::path& f) {
             return ReadConfigLanguage(ProgramFolders(f.parent_path())) ? 0 : -1;
         }},
    };
    int folder = 0;
    for (const Reader& reader : readers) {
        const std::pair<std::function<void(const fs::path&)>, int> inputs[] = {
            {[](const fs::path& f) { fs::create_symlink("/dev/zero", f); }, 295},
            {[](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); }, 295},
            {[&](const fs::path& f) { WriteBytes(f, std::string(reader.limit + 1, '1')); }, 296},
        };
        for (const auto& [make, message] : inputs) {
            SCOPED_TRACE(std::string(reader.name) + " " + std::to_string(message));
            const fs::path file = dir.path / std::to_string(++folder) / reader.name;
            fs::create_directories(file.parent_path());
            make(file);
            feedback.messages.clear();
            const auto start = std::chrono::steady_clock::now();
            const int told = reader.read(file);
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
            if (told != -1) {
                EXPECT_EQ(told, message);
            }
        }
    }
}

}  // namespace
}  // namespace zv318::testing
