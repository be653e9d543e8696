// Language files and "config.txt": any bytes, in any encoding. Every text that reaches the
// language table is valid UTF-8, and the configured name is one line of at most 19 characters.

#include <filesystem>
#include <fstream>

#include "fuzz/fuzz_support.h"
#include "texts/language_file.h"
#include "texts/text_file.h"

using namespace zv318;

namespace {

bool ValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
        i += n;
    }
    return true;
}


}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(fuzz::Text(data, size));
    LanguageTable table;
    LanguageFileResult result = ReadLanguageText(bytes, table);
    ZV318_FUZZ_CHECK(result.opened);
    for (int n = -1; n <= kExtraEntryEnd; ++n) ZV318_FUZZ_CHECK(ValidUtf8(table.entry(n)));
    (void)DescribeProblems("fuzz.lng", result.problems);

    {
        std::ofstream(fuzz::ScratchFolder() / "config.txt", std::ios::binary) << bytes;
    }
    std::optional<std::string> name = ReadConfigLanguage(fuzz::ScratchFolder());
    // A file larger than a config.txt can be is not read at all.
    ZV318_FUZZ_CHECK(name.has_value() == (bytes.size() <= kConfigFileMaxBytes));
    if (!name) return 0;
    ZV318_FUZZ_CHECK(name->size() <= kLanguageNameLength);
    ZV318_FUZZ_CHECK(name->find('\n') == std::string::npos);
    return 0;
}
