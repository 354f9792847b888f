// HeldFolder: one folder of a run, open from the first file the run takes in it until the
// run ends.
//
// Every step on a file of the folder is taken relative to this descriptor, so a path that
// changes meaning after the folder was opened (a folder swapped for a link) is never
// followed. The descriptor also carries what keeps two runs apart:
// - a run holds each file it changed (its original and its new inode) by a shared lock on
//   the byte of the folder at the file's inode number, until the run ends; another run
//   sees that hold and leaves the file alone;
// - the few steps that make a backup and swap the new file in are taken while the run has
//   the folder to itself (an exclusive flock), so two runs never interleave them.
// Both are advisory: they keep Kesto runs apart, not other programs.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "files/FolderIdentity.h"
#include "text/UniqueFd.h"

namespace kesto {

class HeldFolder {
public:
    // Opens `path` as a folder. With `expected`, the folder must be that one; with
    // `noFollow`, the last part of the path must not be a link. nullopt when it is not.
    [[nodiscard]] static std::optional<HeldFolder> Open(
        const std::string& path, const std::optional<FolderIdentity>& expected, bool noFollow);

    int fd() const { return m_fd.get(); }
    const FolderIdentity& identity() const { return m_identity; }

    // Marks the file with inode `inode` as held by this run until the folder is closed.
    bool Hold(ino_t inode);
    bool holdsAny() const { return m_holds > 0; }
    // Whether another run (another open of the folder) holds the file with inode `inode`.
    bool HeldElsewhere(ino_t inode) const;

    // The folder to this run alone while it lives; another run waits for it.
    class Exclusive {
    public:
        explicit Exclusive(int fd) : m_fd(fd) {}
        ~Exclusive();
        Exclusive(Exclusive&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
        Exclusive(const Exclusive&) = delete;
        Exclusive& operator=(const Exclusive&) = delete;
        Exclusive& operator=(Exclusive&&) = delete;

    private:
        int m_fd;
    };
    // nullopt when another run kept the folder for longer than a few seconds.
    [[nodiscard]] std::optional<Exclusive> Enter() const;

private:
    HeldFolder(UniqueFd fd, FolderIdentity identity) : m_fd(std::move(fd)), m_identity(identity) {}

    UniqueFd m_fd;
    FolderIdentity m_identity;
    int m_holds = 0;
};

}  // namespace kesto
