// One file name from any outside name: never a way out of the folder, never hidden, never a
// device, and two names never one file.
#include <gtest/gtest.h>

#include <set>

#include "texts/file_names.h"

namespace zv318 {
namespace {

TEST(textsFileNames, EveryOutsideNameBecomesOneComponent) {
    const std::pair<std::string, std::string> cases[] = {
        {"TV1 (RADIO)", "TV1 (RADIO)"},  // a safe name is left as it is
        {"50% ROOF", "50% ROOF"},        // a lone "%" reads as no escape
        {"%41", "%2541"},
        {"a/b\\c:d*e?f\"g<h>i|j\x01\x7f", "a%2Fb%5Cc%3Ad%2Ae%3Ff%22g%3Ch%3Ei%7Cj%01%7F"},
        {"../../X", "%2E.%2F..%2FX"},
        {"..", "%2E%2E"},
        {".x.", "%2Ex%2E"},
        {" x ", "%20x%20"},
        {"/tmp/ABS", "%2Ftmp%2FABS"},
        {"", "_"},
        {"con", "%63on"},
        {"LPT1.x", "%4CPT1.x"},
        {"nul .txt", "%6Eul .txt"},
        {"COM10", "COM10"},
        {"Señal", "Señal"},
    };
    for (const auto& [name, file] : cases) EXPECT_EQ(SafeFileName(name), file) << name;
}

TEST(textsFileNames, LongNamesAreCutAtACharacter) {
    EXPECT_EQ(SafeFileName(std::string(200, 'x')), std::string(64, 'x'));
    // Never inside an escape or a UTF-8 sequence, never ending in a dot.
    EXPECT_EQ(SafeFileName(std::string(62, 'x') + "/y"), std::string(62, 'x'));
    EXPECT_EQ(SafeFileName(std::string(63, 'x') + "ñ"), std::string(63, 'x'));
    EXPECT_EQ(SafeFileName(std::string(62, 'x') + "..y"), std::string(62, 'x'));
    EXPECT_EQ(SafeFileName(std::string(61, 'x') + " ."), std::string(61, 'x') + "%20");
    // Short names stay apart, whatever they hold.
    std::set<std::string> files;
    const char* names[] = {"A/B", "A_B", "A%2FB", "A%B", "A%%B", ".A", "%2EA", "A.", "A"};
    for (const char* n : names) files.insert(SafeFileName(n));
    EXPECT_EQ(files.size(), std::size(names));
}

}  // namespace
}  // namespace zv318
