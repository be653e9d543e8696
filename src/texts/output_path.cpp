#include "texts/output_path.h"

#include <mutex>
#include <system_error>

namespace zv318 {

namespace {

std::mutex g_protectedMutex;
std::vector<std::string> g_protected;

// The path with every link of the part that exists resolved, made absolute: two spellings of
// one place, existing or not, come out alike.
std::filesystem::path Resolved(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec) return path.lexically_normal();
    std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, ec);
    return ec ? absolute.lexically_normal() : resolved;
}

// Whether `output` is `kept` or lies inside it (the archive's sessions folder): by identity
// where both exist, else by the resolved spelling (a journal not made yet is still the
// archive's).
bool IsOrIsInside(const std::filesystem::path& output, const std::filesystem::path& kept) {
    if (SameFile(output, kept)) return true;
    const std::filesystem::path keptPlace = Resolved(kept);
    for (std::filesystem::path place = Resolved(output);; place = place.parent_path()) {
        if (place == keptPlace || SameFile(place, kept)) return true;
        if (place == place.parent_path() || place.empty()) return false;
    }
}

}  // namespace

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    // The device and inode of each (the file index on Windows), after links.
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

void ProtectFromOutput(std::vector<std::string> paths) {
    const std::lock_guard<std::mutex> hold(g_protectedMutex);
    g_protected = std::move(paths);
}

std::vector<std::string> ProtectedFromOutput() {
    const std::lock_guard<std::mutex> hold(g_protectedMutex);
    return g_protected;
}

OutputPlace JudgeOutputPath(const std::filesystem::path& output,
                            const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs)
        if (!input.empty() && SameFile(output, PathFromText(input))) return OutputPlace::OwnInput;
    for (const std::string& kept : ProtectedFromOutput())
        if (!kept.empty() && IsOrIsInside(output, PathFromText(kept))) return OutputPlace::Archive;
    // Links followed: a link to a device is the device. A dangling link is a new name.
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(output, ec);
    if (!std::filesystem::exists(status)) return OutputPlace::New;
    return std::filesystem::is_regular_file(status) ? OutputPlace::Existing : OutputPlace::NotAFile;
}

int OutputRefusalMessage(OutputPlace place) {
    switch (place) {
        case OutputPlace::OwnInput:
            return kMessageOutputIsInput;
        case OutputPlace::Archive:
            return kMessageOutputIsArchive;
        case OutputPlace::NotAFile:
            return kMessageOutputNotAFile;
        case OutputPlace::New:
        case OutputPlace::Existing:
            break;
    }
    return 0;
}

bool MayWriteOutput(const std::filesystem::path& output, const std::vector<std::string>& inputs,
                    bool replaceAsked, const std::function<bool()>& mayReplace,
                    const std::function<void(int message)>& refuse) {
    const OutputPlace place = JudgeOutputPath(output, inputs);
    if (const int message = OutputRefusalMessage(place)) {
        refuse(message);
        return false;
    }
    return place == OutputPlace::New || replaceAsked || mayReplace();
}

}  // namespace zv318
