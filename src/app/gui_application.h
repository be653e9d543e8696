#pragma once
// Fonts and the PDF writer need a Qt Gui application; zv318ctl needs no screen for them: the
// offscreen platform unless the environment names another.

#include <QGuiApplication>
#include <memory>

namespace zv318 {

struct GuiApplication {
    GuiApplication() {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!QGuiApplication::instance()) app = std::make_unique<QGuiApplication>(argc, argv);
    }
    int argc = 1;
    char name[9] = "zv318ctl";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QGuiApplication> app;
};

}  // namespace zv318
