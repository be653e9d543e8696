#pragma once
// What every fuzz target shares: the entry point libFuzzer calls, and a Feedback that answers
// every question with No and keeps nothing.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "link/feedback.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace zv318::fuzz {

class QuietProgress : public ProgressWindow {
public:
    void setCaption(const std::string&) override {}
    void setStatus(const std::string&) override {}
    void setNote(const std::string&) override {}
    void setNoteWidth(int) override {}
    void setRange(int, int maximum) override { max_ = maximum; }
    void setPosition(int p) override { pos_ = p; }
    int position() const override { return pos_; }
    int maximum() const override { return max_; }
    void setBarVisible(bool) override {}
    void setOkEnabled(bool) override {}
    void show() override {}

private:
    int pos_ = 0, max_ = 100;
};

class QuietFeedback : public Feedback {
public:
    void showMessage(int) override {}
    void showNotice(const std::string&) override {}
    bool askYesNo(int, int) override { return false; }
    Answer askYesNoCancel(int, int) override { return Answer::Cancel; }
    std::optional<std::string> chooseFile(const FileRequest&) override { return std::nullopt; }
    ProgressWindow& progress() override { return progress_; }
    void processEvents() override {}
    void setBusy(bool) override {}

private:
    QuietProgress progress_;
};

// A scratch folder of this run, for the readers that take a file.
// Removed when the run ends.
inline const std::filesystem::path& ScratchFolder() {
    struct Scratch {
        std::filesystem::path path;
        Scratch() {
            std::string pattern =
                (std::filesystem::temp_directory_path() / "zv318-fuzz-XXXXXX").string();
            if (::mkdtemp(pattern.data())) path = pattern;
        }
        ~Scratch() {
            std::error_code ec;
            if (!path.empty()) std::filesystem::remove_all(path, ec);
        }
    };
    static const Scratch scratch;
    static const std::filesystem::path here = ".";
    return scratch.path.empty() ? here : scratch.path;
}

inline std::string_view Text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A broken promise of the code under test: abort, so the fuzzer keeps the input.
#define ZV318_FUZZ_CHECK(condition) \
    do {                            \
        if (!(condition)) __builtin_trap(); \
    } while (0)

}  // namespace zv318::fuzz
