// The Linux device monitor: libudev's netlink monitor of the "hidraw" subsystem. Every hidraw
// node added or removed (any HID device, as WM_DEVICECHANGE on Windows) is one notice.

#include <libudev.h>

#include <QSocketNotifier>

#include "link/device_watcher.h"

namespace zv318 {

namespace {

class UdevDeviceWatcher : public DeviceWatcher {
public:
    using DeviceWatcher::DeviceWatcher;

    ~UdevDeviceWatcher() override {
        delete notifier_;
        if (monitor_) udev_monitor_unref(monitor_);
        if (udev_) udev_unref(udev_);
    }

    bool start() override {
        if (notifier_) return true;
        udev_ = udev_new();
        if (!udev_) return false;
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (!monitor_ ||
            udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor_) < 0) {
            return false;
        }
        int fd = udev_monitor_get_fd(monitor_);
        if (fd < 0) return false;
        notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read);
        QObject::connect(notifier_, &QSocketNotifier::activated, this, [this] { drain(); });
        return true;
    }

private:
    // Takes every queued event off the monitor (the socket is non-blocking), then notifies
    // once: the receiver coalesces notices anyway.
    void drain() {
        bool any = false;
        while (udev_device* device = udev_monitor_receive_device(monitor_)) {
            udev_device_unref(device);
            any = true;
        }
        if (any) emit deviceChanged();
    }

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace

std::unique_ptr<DeviceWatcher> CreateSystemDeviceWatcher(QObject* parent) {
    return std::make_unique<UdevDeviceWatcher>(parent);
}

}  // namespace zv318
