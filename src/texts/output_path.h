#pragma once
// The one rule for every file a command, a save dialog or a trace writes: never over one of
// the command's own inputs, never over the archive's files, never over anything but a regular
// file (a device, a FIFO, a socket or a folder is refused, whoever runs the program), and never
// over an existing, different file without the question.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "texts/text_file.h"

namespace zv318 {

// "The file is one of those this command reads: nothing was written."
inline constexpr int kMessageOutputIsInput = 540;
// "The file is the measurement archive or one of its files: nothing was written."
inline constexpr int kMessageOutputIsArchive = 831;
// "The file is not a regular file (a device, a pipe, a socket or a folder): nothing was written."
inline constexpr int kMessageOutputNotAFile = 832;
// "The file ... already exists. Do you want to replace it?"
inline constexpr int kReplaceFileQuestion = 1541;
inline constexpr int kReplaceFileCaption = 37;

// Whether both paths lead (links followed) to one file: the same device and inode. A path that
// names no file is nobody's twin.
[[nodiscard]] bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// The files no output may ever go to, for the rest of the run (the measurement archive, its
// journals and its sessions folder, and anything inside a folder named here), whether they
// exist yet or not; paths as texts (PathFromText). The program sets them once at start-up.
void ProtectFromOutput(std::vector<std::string> paths);
[[nodiscard]] std::vector<std::string> ProtectedFromOutput();

enum class OutputPlace {
    New,       // nothing there yet
    Existing,  // a regular file of its own, which writing replaces
    OwnInput,  // one of the inputs, by identity rather than by spelling
    Archive,   // one of the protected files, or inside a protected folder
    NotAFile,  // a device, a FIFO, a socket, a folder (links followed)
};
// The inputs are paths as texts (PathFromText); an empty one names nothing.
[[nodiscard]] OutputPlace JudgeOutputPath(const std::filesystem::path& output,
                                          const std::vector<std::string>& inputs);
// The message that refuses a place, or 0 for a place that may be written (perhaps after the
// question).
[[nodiscard]] int OutputRefusalMessage(OutputPlace place);

// Whether `output` may be written: not when it is one of `inputs`, a protected file or no
// regular file (`refuse` is told the message); an existing file only when `mayReplace` says
// so, which is asked then only, and not when `replaceAsked` (a save dialog asked about that
// very path).
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
