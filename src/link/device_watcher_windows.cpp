// The Windows device monitor: the window system broadcasts WM_DEVICECHANGE to every top-level
// window when devices come and go. A native event filter sees every message the application's
// loop takes from its queue; it reacts to that one and never marks a message as handled.

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include "link/device_watcher.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace zv318 {

namespace {

class WindowsDeviceWatcher : public DeviceWatcher, public QAbstractNativeEventFilter {
public:
    using DeviceWatcher::DeviceWatcher;

    ~WindowsDeviceWatcher() override {
        if (installed_ && QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    bool start() override {
        if (installed_) return true;
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) return false;
        app->installNativeEventFilter(this);
        installed_ = true;
        return true;
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType == "windows_generic_MSG") {
            const MSG* msg = static_cast<const MSG*>(message);
            if (msg && msg->message == WM_DEVICECHANGE) emit deviceChanged();
        }
        return false;
    }

private:
    bool installed_ = false;
};

}  // namespace

std::unique_ptr<DeviceWatcher> CreateSystemDeviceWatcher(QObject* parent) {
    return std::make_unique<WindowsDeviceWatcher>(parent);
}

}  // namespace zv318
