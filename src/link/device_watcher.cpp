#include "link/device_watcher.h"

#include <QFileSystemWatcher>

namespace zv318 {

DeviceWatcher::~DeviceWatcher() = default;

FolderDeviceWatcher::FolderDeviceWatcher(const QString& folder, QObject* parent)
    : DeviceWatcher(parent), folder_(folder) {}

FolderDeviceWatcher::~FolderDeviceWatcher() = default;

bool FolderDeviceWatcher::start() {
    if (watcher_) return true;
    watcher_ = new QFileSystemWatcher(this);
    if (!watcher_->addPath(folder_)) {
        delete watcher_;
        watcher_ = nullptr;
        return false;
    }
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this,
            [this](const QString&) { emit deviceChanged(); });
    return true;
}

#if !defined(_WIN32) && !defined(__unix__)
// A platform without a monitor of its own: the status box is refreshed at start-up only.
namespace {
class SilentDeviceWatcher : public DeviceWatcher {
public:
    using DeviceWatcher::DeviceWatcher;
    bool start() override { return false; }
};
}  // namespace

std::unique_ptr<DeviceWatcher> CreateSystemDeviceWatcher(QObject* parent) {
    return std::make_unique<SilentDeviceWatcher>(parent);
}
#endif

}  // namespace zv318
