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
    // (the others were still tried).
    virtual bool MoveToRecycleBin(const std::vector<std::string>& paths) = 0;
};

}  // namespace kesto
