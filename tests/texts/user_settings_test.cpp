// The person's settings file: what is written reads back the same, byte layout on disk, and
// two parts of the program updating different keys keep each other's values.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "texts/text_file.h"
#include "texts/user_settings.h"

namespace zv318 {
namespace {

namespace fs = std::filesystem;

TEST(textsUserSettings, AnyTextReadsBackAndTheFileIsCrLfLines) {
    const fs::path dir = fs::temp_directory_path() / ("zv318-settings-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const fs::path file = UserSettings::FileIn(dir / "made");  // a folder not there yet

    struct Case {
        const char* key;
        const char* value;
    } cases[] = {
        {"report.technician", "Ana Pérez"},
        {"report.site.Roof=A\\B.notes", "line one\r\nline two\nC:\\data = x"},
        {"archive.enabled", "1"},
    };
    UserSettings written;
    for (const Case& c : cases) written.set(c.key, c.value);
    written.set("gone", "x");
    written.set("gone", "");  // an empty value removes the key
    ASSERT_TRUE(written.save(file));

    const auto bytes = ReadWholeFile(file);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes,
              "archive.enabled=1\r\n"
              "report.site.Roof\\=A\\\\B.notes=line one\\r\\nline two\\nC:\\\\data = x\r\n"
              "report.technician=Ana Pérez\r\n");
    const UserSettings read = UserSettings::Load(file);
    EXPECT_EQ(read.all(), written.all());
    EXPECT_TRUE(read.flag("archive.enabled", false));
    EXPECT_FALSE(read.value("gone"));

    // LF lines, a line without "=", a later duplicate: skipped, the last one holds.
    const UserSettings loose = UserSettings::Parse("a=1\nnonsense\n=x\na=2\nb=yes");
    EXPECT_EQ(loose.text("a"), "2");
    EXPECT_TRUE(loose.flag("b", false));
    EXPECT_EQ(loose.all().size(), 2u);

    // Two updates of different keys, each from the file as it is then.
    ASSERT_TRUE(UpdateUserSettings(file, [](UserSettings& s) { s.setFlag("archive.enabled", false); }));
    ASSERT_TRUE(UpdateUserSettings(file, [](UserSettings& s) { s.set("report.company", "Korvel"); }));
    const UserSettings both = UserSettings::Load(file);
    EXPECT_FALSE(both.flag("archive.enabled", true));
    EXPECT_EQ(both.text("report.company"), "Korvel");
    EXPECT_EQ(both.text("report.technician"), "Ana Pérez");

    // A missing file is no settings, not a failure; a file that is a folder is never read.
    EXPECT_TRUE(UserSettings::Load(dir / "none.txt").all().empty());
    EXPECT_TRUE(UserSettings::Load(dir).all().empty());
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zv318
