// FreedesktopTrash: the freedesktop.org Trash, as the recycle bin of removed backups.
//
// A file on the home volume goes to $XDG_DATA_HOME/Trash (default ~/.local/share/Trash,
// created when missing); a file on another volume to $topdir/.Trash/$uid when .Trash exists
// with the sticky bit and is not a link, else to $topdir/.Trash-$uid. The trash folder and
// its files/ and info/ must be the user's own, and on another volume not links, and
// .Trash-$uid of mode 0700 (each is made so when missing); otherwise the call fails and the
// file stays.
// The info file is created first, exclusively (another name on a clash), then the file is
// renamed into files/. A file that could only be trashed by copying it across volumes is a
// failure.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "files/RecycleBin.h"

namespace kesto {

class FreedesktopTrash : public RecycleBin {
public:
    bool MoveToRecycleBin(const std::vector<std::string>& paths,
                          std::vector<std::string>& places) override;
    // A place is given back only from the trash a file of that folder would go to, and only
    // when that trash and its files/ are the user's own, whatever the place's path says.
    UniqueFd OpenPlace(const std::string& place, const std::string& folder, int folderFd) override;
    // Renames the trashed file back (never over an existing file) and removes its info file.
    bool TakeBack(const std::string& place, const std::string& folder, int folderFd,
                  const std::string& name) override;
    bool MoveToRecycleBinAt(const std::string& folder, int folderFd, const std::string& name,
                            std::string& place) override;

    // Moves one file; false when it stays where it is. `place`, when given, gets the path
    // of the file in the trash.
    bool MoveToTrash(const std::string& path, std::string* place = nullptr);

    // The Path= value of an info file: every byte outside A-Z a-z 0-9 - . _ ~ / as %XX.
    static std::string EncodeTrashPath(const std::string& path);

private:
    // Moves `fromName` of `fromFolder`, which is `absolute` on `device`, into the trash.
    bool MoveIntoTrash(int fromFolder, const std::string& fromName, const std::string& absolute,
                       dev_t device, std::string* place);
};

}  // namespace kesto
