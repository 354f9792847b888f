// PrefaultPages: the pages of a fresh block, asked for in one call.
//
// In a virtual machine a page fault costs far more than the copy that fills the page, so a
// block about to be filled whole gets its pages from one call instead of one fault each,
// and where it spans whole 2 MiB stretches, huge pages for them.
// Only a hint: where the kernel does not support it, the pages come one fault at a time.
#pragma once

#include <cstddef>

namespace kesto {

// The whole pages that lie inside [block, block + size).
void PrefaultPages(char* block, std::size_t size);

}  // namespace kesto
