#include "text/PrefaultPages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace kesto {

void PrefaultPages(char* block, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
    static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto first = (reinterpret_cast<std::uintptr_t>(block) + page - 1) / page * page;
    const auto last = (reinterpret_cast<std::uintptr_t>(block) + size) / page * page;
    // The page-aligned start is an address computed as a number, as madvise wants it.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
    (void)block;
    (void)size;
#endif
}

}  // namespace kesto
