#include "archive/server_deadline.h"

#include <QSqlDriver>
#include <QVariant>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

#ifndef _WIN32
#include <dlfcn.h>
#include <sys/socket.h>
#endif

namespace zv318 {

using Clock = std::chrono::steady_clock;

struct ServerDeadline::Watch {
    int socket = -1;
    Clock::time_point deadline = Clock::time_point::max();
    std::atomic<bool> cut{false};
};

namespace {

// The driver's socket: libpq's own answer, asked of the library the driver has loaded (the
// program does not link libpq itself).
int SocketOf(const QSqlDatabase& db) {
#ifndef _WIN32
    if (!db.driver() || db.driverName() != QLatin1String("QPSQL")) return -1;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || handle.constData() == nullptr) return -1;
    void* connection = *static_cast<void* const*>(handle.constData());
    static const auto pqSocket = []() -> int (*)(const void*) {
        void* libpq = ::dlopen("libpq.so.5", RTLD_LAZY | RTLD_NOLOAD);
        return libpq ? reinterpret_cast<int (*)(const void*)>(::dlsym(libpq, "PQsocket")) : nullptr;
    }();
    return connection && pqSocket ? pqSocket(connection) : -1;
#else
    (void)db;
    return -1;
#endif
}

void Cut(ServerDeadline::Watch& w) {
    if (w.cut.exchange(true)) return;
#ifndef _WIN32
    if (w.socket >= 0) ::shutdown(w.socket, SHUT_RDWR);
#endif
}

// One thread for every connection of the process, asleep until the nearest deadline. Its state
// is never destroyed: the thread may outlive main().
struct Watchdog {
    std::mutex mutex;
    std::condition_variable changed;
    std::set<std::shared_ptr<ServerDeadline::Watch>> armed;
    std::set<ServerDeadline::Watch*> live;  // every connection open now

    static Watchdog& Get() {
        static Watchdog* dog = [] {
            auto* d = new Watchdog;
            std::thread([d] { d->Run(); }).detach();
            return d;
        }();
        return *dog;
    }

    [[noreturn]] void Run() {
        std::unique_lock lock(mutex);
        for (;;) {
            Clock::time_point next = Clock::time_point::max();
            const Clock::time_point now = Clock::now();
            for (auto it = armed.begin(); it != armed.end();) {
                if ((*it)->deadline <= now) {
                    Cut(**it);
                    it = armed.erase(it);
                } else {
                    next = std::min(next, (*it)->deadline);
                    ++it;
                }
            }
            if (next == Clock::time_point::max()) changed.wait(lock);
            else changed.wait_until(lock, next);
        }
    }
};

}  // namespace

ServerDeadline::ServerDeadline(const QSqlDatabase& db) : watch_(std::make_shared<Watch>()) {
    const int socket = SocketOf(db);
    if (socket < 0) return;
    Watchdog& dog = Watchdog::Get();
    const std::lock_guard lock(dog.mutex);
    watch_->socket = socket;
    dog.live.insert(watch_.get());
}

// Before the connection closes: its descriptor's number may then be another file's.
ServerDeadline::~ServerDeadline() {
    if (watch_->socket < 0) return;
    Watchdog& dog = Watchdog::Get();
    const std::lock_guard lock(dog.mutex);
    dog.armed.erase(watch_);
    dog.live.erase(watch_.get());
    watch_->socket = -1;
}

void ServerDeadline::arm(int ms) {
    if (watch_->socket < 0) return;
    Watchdog& dog = Watchdog::Get();
    {
        const std::lock_guard lock(dog.mutex);
        watch_->deadline = Clock::now() + std::chrono::milliseconds(ms);
        dog.armed.insert(watch_);
    }
    dog.changed.notify_one();
}

void ServerDeadline::disarm() {
    if (watch_->socket < 0) return;
    Watchdog& dog = Watchdog::Get();
    const std::lock_guard lock(dog.mutex);
    dog.armed.erase(watch_);
}

void ServerDeadline::CutAll() {
    Watchdog& dog = Watchdog::Get();
    const std::lock_guard lock(dog.mutex);
    for (Watch* w : dog.live) Cut(*w);
}

bool ServerDeadline::cut() const { return watch_->cut.load(); }

}  // namespace zv318
