#include "texts/output_path.h"

#include <system_error>

namespace zv318 {

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    // The device and inode of each (the file index on Windows), after links.
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

OutputPlace JudgeOutputPath(const std::filesystem::path& output,
                            const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs)
        if (!input.empty() && SameFile(output, PathFromText(input))) return OutputPlace::OwnInput;
    std::error_code ec;
    return std::filesystem::exists(output, ec) ? OutputPlace::Existing : OutputPlace::New;
}

bool MayWriteOutput(const std::filesystem::path& output, const std::vector<std::string>& inputs,
                    bool replaceAsked,
                    const std::function<bool()>& mayReplace,
                    const std::function<void(int message)>& refuse) {
    switch (JudgeOutputPath(output, inputs)) {
        case OutputPlace::OwnInput:
            refuse(kMessageOutputIsInput);
            return false;
        case OutputPlace::Existing:
            return replaceAsked || mayReplace();
        case OutputPlace::New:
            break;
    }
    return true;
}

}  // namespace zv318
