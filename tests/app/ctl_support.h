#pragma once
// Running zv318ctl and zv318-sim as the separate programs they are.

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "link/instrument_lock.h"

namespace fs = std::filesystem;

struct CtlRun {
    int status = -1;
    std::string out;  // stdout and stderr together
};

// `program` (a path without single quotes) with `args` as a shell reads them, after `env`.
inline CtlRun RunProgram(const std::string& env, const std::string& program,
                         const std::string& args) {
    std::string command = env + " '" + program + "' " + args + " 2>&1";
    CtlRun r;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    std::array<char, 512> buf;
    while (size_t n = fread(buf.data(), 1, buf.size(), p)) r.out.append(buf.data(), n);
    int s = pclose(p);
    r.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return r;
}

inline CtlRun RunCtl(const std::string& env, const std::string& args) {
    return RunProgram(env, ZV318_CTL_PATH, args);
}

// zv318-sim serving one instrument in a temporary folder for the length of a test.
class SimProcess {
public:
    // `extra`: further options of zv318-sim (each one argument).
    explicit SimProcess(std::vector<std::string> extra = {}) {
        folder_ = fs::temp_directory_path() / ("zv318-ctl-" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        pid_ = fork();
        if (pid_ == 0) {
            std::vector<const char*> argv{ZV318_SIM_PATH, "--socket-dir", folder_.c_str()};
            for (const std::string& e : extra) argv.push_back(e.c_str());
            argv.push_back(nullptr);
            // Its log (one line per program that connects) beside the socket.
            if (!std::freopen(log_path().c_str(), "w", stdout)) _exit(126);
            execv(ZV318_SIM_PATH, const_cast<char* const*>(argv.data()));
            _exit(127);
        }
        // Until its socket is there: at once on an idle machine, seconds on a busy one.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!fs::exists(folder_ / "zv318.sock") && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~SimProcess() {
        stop();
        fs::remove_all(folder_);
    }
    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    const fs::path& folder() const { return folder_; }
    fs::path log_path() const { return folder_ / "sim.log"; }
    // What the simulator has printed so far.
    std::string log() const {
        std::string text;
        if (std::FILE* f = std::fopen(log_path().c_str(), "r")) {
            std::array<char, 512> buf;
            while (size_t n = std::fread(buf.data(), 1, buf.size(), f)) text.append(buf.data(), n);
            std::fclose(f);
        }
        return text;
    }
    std::string env() const {
        // The simulator answers every report, so a reply is awaited long enough for a busy
        // machine to run it.
        return "ZV318_TIMEOUT_MS=10000 ZV318_HID_SOCKETS='" + folder_.string() + "'";
    }
    // The same with a program folder of its own, holding the English language file.
    std::string envWithHome(const fs::path& home) const {
        fs::create_directories(home / "Languages");
        fs::copy_file(fs::path(ZV318_LANGUAGES_DIR) / "English.lng",
                      home / "Languages" / "English.lng", fs::copy_options::overwrite_existing);
        return env() + " ZV318_HOME='" + home.string() + "'";
    }

private:
    fs::path folder_;
    pid_t pid_ = -1;
};

// A process named `name` that holds the lock of `folder` (as nobody when `stranger`) until it
// is killed; its pid, or -1 when it could not take it.
inline pid_t HoldElsewhere(const fs::path& folder, const char* name, bool stranger = false) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_NAME, name);
        bool ok = true;
        if (stranger) {
            const passwd* nobody = getpwnam("nobody");
            ok = nobody && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 &&
                 setuid(nobody->pw_uid) == 0;
        }
        ok = ok && zv318::TakeNodeLock(folder.string(), zv318::LockNode::Folder, 0).lock.release();
        const char held = ok ? 1 : 0;
        (void)!write(ready[1], &held, 1);
        pause();
        _exit(0);
    }
    char held = 0;
    const bool answered = read(ready[0], &held, 1) == 1;
    close(ready[0]);
    close(ready[1]);
    if (answered && held) return pid;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

// zv318ctl started in the background with `env` and `args` (as the shell reads them), its
// standard output and error into `out`; its pid, or -1 when it could not be started.
inline pid_t StartCtl(const std::string& env, const std::string& args, const fs::path& out) {
    const std::string command = "exec env " + env + " '" ZV318_CTL_PATH "' " + args;
    const pid_t ctl = fork();
    if (ctl == 0) {
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return ctl;
}

inline void End(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}
