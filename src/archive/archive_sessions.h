#pragma once
// Whether the archive file's last users ended cleanly, so that opening needs no whole-file
// check: each open connection leaves an entry (host, process, number) in a folder beside the
// file and takes it away when it closes. An entry of a process of this host that no longer
// runs is a run that did not end cleanly; then, or after SQLite reported damage, a mark asks
// the next opening to check the file, and only a check that finds it sound clears the mark.
// These are files of the program's own: SQLite's files are never opened here.

#include <filesystem>
#include <string>

namespace zv318 {

class ArchiveSessions {
public:
    explicit ArchiveSessions(const std::filesystem::path& archiveFile);
    ~ArchiveSessions();  // the clean end: the entry goes
    ArchiveSessions(const ArchiveSessions&) = delete;
    ArchiveSessions& operator=(const ArchiveSessions&) = delete;

    // Enters this connection (unless `enter` is false: a connection that only reads); true when
    // the file is to be checked (an earlier run ended without closing, or damage was reported
    // and no check has passed since).
    [[nodiscard]] bool Begin(bool enter = true);
    // SQLite reported damage: the next opening checks.
    void CheckDue();
    // A check found the file sound.
    void Checked();

private:
    std::filesystem::path folder_;
    std::filesystem::path entry_;
};

}  // namespace zv318
