// RecycleBin: where removed backups go when they are not deleted permanently.
//
// The platform implements it (the freedesktop.org Trash on Linux). One call takes a batch
// of paths; the caller keeps each batch within 32000 bytes of path names.
#pragma once

#include <string>
#include <vector>

#include "text/UniqueFd.h"

namespace kesto {

class RecycleBin {
public:
    virtual ~RecycleBin() = default;
    // Moves every path of the batch to the bin. False when any of them could not be moved
    // (the others were still tried). `places` gets, for each path, where in the bin it is
    // now (empty when it is not there, or the bin does not say).
    virtual bool MoveToRecycleBin(const std::vector<std::string>& paths,
                                  std::vector<std::string>& places) = 0;

    // The three below take a file of the folder at `folder`, open at `folderFd` and checked
    // by the caller to be the folder it means. A bin that cannot give anything back keeps
    // these refusals.

    // What `place` (one of the places above) holds, opened for reading, when it is an entry
    // of the user's own bin for files of that folder; an invalid descriptor when it is not,
    // or is gone.
    virtual UniqueFd OpenPlace(const std::string& /*place*/, const std::string& /*folder*/,
                               int /*folderFd*/) {
        return UniqueFd();
    }
    // Moves what `place` holds back to `name` in the folder, which must not exist; false
    // when `place` is no entry of the user's own bin for files of that folder, is gone, or
    // cannot be moved.
    virtual bool TakeBack(const std::string& /*place*/, const std::string& /*folder*/,
                          int /*folderFd*/, const std::string& /*name*/) {
        return false;
    }
    // Moves `name` of the folder to the bin, `place` getting where it is now; false when it
    // stays.
    virtual bool MoveToRecycleBinAt(const std::string& /*folder*/, int /*folderFd*/,
                                    const std::string& /*name*/, std::string& /*place*/) {
        return false;
    }
};

}  // namespace kesto
