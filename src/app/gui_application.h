#pragma once
// Fonts and the PDF writer need a Qt Gui application; zv318ctl needs no screen for them: the
// offscreen platform unless the environment names another.

#include <QGuiApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace zv318 {

struct GuiApplication {
    GuiApplication() {
        if (QGuiApplication::instance()) return;
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#if defined(__unix__) && !defined(__APPLE__)
        // Qt looks for the session's runtime folder as it starts, and says on stderr that there
        // is none where no one logged in (cron, a service): it gets a private one for the run.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            std::string folder =
                (std::filesystem::temp_directory_path() / "zv318ctl-XXXXXX").string();
            if (::mkdtemp(folder.data())) {
                runtimeFolder = folder;
                qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder));
            }
        }
#endif
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    ~GuiApplication() {
        app.reset();
        std::error_code ec;
        if (!runtimeFolder.empty()) std::filesystem::remove_all(runtimeFolder, ec);
    }
    GuiApplication(const GuiApplication&) = delete;
    GuiApplication& operator=(const GuiApplication&) = delete;
    int argc = 1;
    char name[9] = "zv318ctl";
    char* argv[2] = {name, nullptr};
    std::string runtimeFolder;
    std::unique_ptr<QGuiApplication> app;
};

}  // namespace zv318
