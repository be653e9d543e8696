#pragma once
// Device-change notices: something tells the program that USB devices (or the interfaces that
// stand in for them) may have come or gone. A watcher only says so; the main window then
// refreshes its connection status box once the burst of notices has settled.
//
// Watchers:
//   - the system's own: a libudev monitor of the "hidraw" subsystem on Linux, the window
//     system's WM_DEVICECHANGE on Windows;
//   - FolderDeviceWatcher: a socket folder (ZV318_HID_SOCKETS), where a socket appearing or
//     leaving is a plug or an unplug;
//   - ManualDeviceWatcher: for an in-process simulator, whose owner calls notifyChange()
//     after plugging or unplugging it.

#include <QObject>
#include <QString>
#include <memory>

class QFileSystemWatcher;

namespace zv318 {

class DeviceWatcher : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~DeviceWatcher() override;

    // Starts watching; false when the source of notices could not be opened (the program
    // then runs without a monitor and refreshes only at start-up).
    virtual bool start() = 0;

signals:
    void deviceChanged();
};

// Notices from the operating system: libudev ("udev" source, "hidraw" subsystem) read through
// a socket notifier on Linux, WM_DEVICECHANGE through a native event filter on Windows, and a
// watcher that never notifies elsewhere.
[[nodiscard]] std::unique_ptr<DeviceWatcher> CreateSystemDeviceWatcher(QObject* parent = nullptr);

// Watches one folder: every file appearing in it or leaving it is a notice.
class FolderDeviceWatcher : public DeviceWatcher {
    Q_OBJECT

public:
    explicit FolderDeviceWatcher(const QString& folder, QObject* parent = nullptr);
    ~FolderDeviceWatcher() override;

    bool start() override;
    [[nodiscard]] const QString& folder() const { return folder_; }

private:
    QString folder_;
    QFileSystemWatcher* watcher_ = nullptr;
};

// Notices on request, for a simulated instrument plugged and unplugged by the program itself.
class ManualDeviceWatcher : public DeviceWatcher {
    Q_OBJECT

public:
    using DeviceWatcher::DeviceWatcher;

    bool start() override {
        started_ = true;
        return true;
    }
    // Announces a plug or an unplug (only once started, as a real monitor would).
    void notifyChange() {
        if (started_) emit deviceChanged();
    }
    [[nodiscard]] bool started() const { return started_; }

private:
    bool started_ = false;
};

}  // namespace zv318
