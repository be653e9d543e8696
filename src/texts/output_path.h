#pragma once
// The one rule for every file a command or a save dialog writes: never over one of the
// command's own inputs, and never over an existing, different file without the question.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "texts/text_file.h"

namespace zv318 {

// "The file is one of those this command reads: nothing was written."
inline constexpr int kMessageOutputIsInput = 540;
// "The file ... already exists. Do you want to replace it?"
inline constexpr int kReplaceFileQuestion = 1541;
inline constexpr int kReplaceFileCaption = 37;

// Whether both paths lead (links followed) to one file: the same device and inode. A path that
// names no file is nobody's twin.
[[nodiscard]] bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

enum class OutputPlace {
    New,       // nothing there yet
    Existing,  // a file of its own, which writing replaces
    OwnInput,  // one of the inputs, by identity rather than by spelling
};
// The inputs are paths as texts (PathFromText); an empty one names nothing.
[[nodiscard]] OutputPlace JudgeOutputPath(const std::filesystem::path& output,
                                          const std::vector<std::string>& inputs);

// Whether `output` may be written: not when it is one of `inputs` (`refuse` is told
// kMessageOutputIsInput); an existing file only when `mayReplace` says so, which is asked
// then only, and not when `replaceAsked` (a save dialog asked about that very path).
[[nodiscard]] bool MayWriteOutput(const std::filesystem::path& output,
                                  const std::vector<std::string>& inputs,
                                  bool replaceAsked, const std::function<bool()>& mayReplace,
                                  const std::function<void(int message)>& refuse);

// The same asked of the person through a Feedback: the question kReplaceFileQuestion, and
// the refusal as a message naming the file.
template <class Person>
[[nodiscard]] bool MayWriteOutputAsking(Person& person, const std::filesystem::path& output,
                                        const std::vector<std::string>& inputs,
                                        bool replaceAsked = false) {
    return MayWriteOutput(
        output, inputs, replaceAsked,
        [&person] { return person.askYesNo(kReplaceFileQuestion, kReplaceFileCaption); },
        [&person, &output](int message) { person.showFileMessage(message, PathToText(output)); });
}

}  // namespace zv318
