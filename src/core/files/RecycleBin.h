// RecycleBin: where removed backups go when they are not deleted permanently.
//
// The platform implements it (the freedesktop.org Trash on Linux). One call takes a batch
// of paths; the caller keeps each batch within 32000 bytes of path names.
#pragma once

#include <string>
#include <vector>

namespace kesto {

class RecycleBin {
public:
    virtual ~RecycleBin() = default;
    // Moves every path of the batch to the bin. False when any of them could not be moved
    // (the others were still tried). `places` gets, for each path, where in the bin it is
    // now (empty when it is not there, or the bin does not say).
    virtual bool MoveToRecycleBin(const std::vector<std::string>& paths,
                                  std::vector<std::string>& places) = 0;
    // Moves what `place` (one of the places above) holds back to `path`, which must not
    // exist; false when it is not there any more or cannot be moved.
    virtual bool TakeBack(const std::string& place, const std::string& path) = 0;
};

}  // namespace kesto
