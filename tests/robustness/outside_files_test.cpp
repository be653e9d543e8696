// Files from outside that are not what they claim: a link to /dev/zero, a FIFO with no writer
// and a regular file larger than its kind, through every reader of such files. Each is refused
// at once with the message that says why, and nothing waits or grows.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "loggers/logger_file.h"
#include "plans/plan_csv.h"
#include "plans/plan_fixture.h"
#include "plans/plan_model.h"
#include "plans/plan_procedures.h"
#include "texts/language_file.h"
#include "texts/text_file.h"

namespace zv318::testing {
namespace {

namespace fs = std::filesystem;

TEST(OutsideFiles, EveryReaderRefusesWhatIsNoFileOfItsKind) {
    const fs::path dir = fs::temp_directory_path() / ("zv318-outside-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const LanguageTable language;

    // A reader: the file's name, its kind's limit, and what it tells (the message shown, or
    // 0 for a refusal without a message of its own).
    struct Reader {
        const char* what;
        const char* name;
        std::size_t limit;
        std::function<int(const fs::path&)> read;
    };
    const Reader readers[] = {
        {"plan file", "p.c318", kPlanFileMaxBytes,
         [](const fs::path& f) {
             RecordingFeedback feedback;
             PlanGrid grid;
             EXPECT_EQ(ReadChannelPlanFile(f, grid, feedback), kPlanFileUnreadable);
             return feedback.messages.empty() ? 0 : feedback.messages.back();
         }},
        {"plan check", "c.c318", kPlanFileMaxBytes,
         [&language](const fs::path& f) { return CheckPlanFile(f, language).message; }},
        {"plan CSV", "p.csv", kCsvFileMaxBytes,
         [&language](const fs::path& f) {
             RecordingFeedback feedback;
             PlanGrid grid;
             EXPECT_EQ(ReadPlanCsvFile(f, kRadioPlan, language, feedback, grid), kCsvUnreadable);
             return feedback.messages.empty() ? 0 : feedback.messages.back();
         }},
        {"logger file", "l.lograd", kLoggerFileMaxBytes,
         [](const fs::path& f) {
             RecordingFeedback feedback;
             OpenLogger logger;
             EXPECT_EQ(ReadLoggerFileAt(f, logger, feedback), kLoggerFileUnreadable);
             return feedback.messages.empty() ? 0 : feedback.messages.back();
         }},
        {"language file", "X.lng", kLanguageFileMaxBytes,
         [](const fs::path& f) {
             LanguageTable table;
             EXPECT_FALSE(ReadLanguageFile(f, table).opened);  // the window shows message 4
             return 0;
         }},
        {"config.txt", "config.txt", kConfigFileMaxBytes,
         [](const fs::path& f) {
             EXPECT_EQ(ReadConfigLanguage(ProgramFolders(f.parent_path())), std::nullopt);
             return 0;
         }},
    };
    for (const Reader& reader : readers) {
        struct Input {
            const char* what;
            std::function<void(const fs::path&)> make;
            int message;
        };
        const Input inputs[] = {
            {"link to /dev/zero", [](const fs::path& f) { fs::create_symlink("/dev/zero", f); },
             295},
            {"FIFO", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); }, 295},
            {"one byte too large",
             [&reader](const fs::path& f) { WriteBytes(f, std::string(reader.limit + 1, '1')); },
             296},
        };
        for (const Input& input : inputs) {
            SCOPED_TRACE(std::string(reader.what) + ", " + input.what);
            const fs::path folder = dir / (std::string(reader.what) + " " + input.what);
            fs::create_directories(folder);
            input.make(folder / reader.name);
            const auto start = std::chrono::steady_clock::now();
            const int message = reader.read(folder / reader.name);
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
            if (message != 0) {
                EXPECT_EQ(message, input.message);
            }
        }
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zv318::testing
