// WalkListing: the entries of a run's file list that a walk made, and which of them may
// name a file that another entry names too.
//
// The walk lists every folder once and never enters a linked one, so a regular file it
// finds is the only entry for its folder and name: only a link, or a file of a folder the
// walk reached a second time (a mount of it elsewhere in the tree), can share its file
// with another entry.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace kesto {

struct WalkListing {
    std::size_t first = 0;  // the walk's entries are [first, first + count) of the list
    std::size_t count = 0;
    std::vector<std::size_t> shared;  // ascending list indices of the entries that may share

    bool Contains(std::size_t index) const { return index >= first && index - first < count; }
    bool MayShare(std::size_t index) const {
        return std::binary_search(shared.begin(), shared.end(), index);
    }
};

}  // namespace kesto
