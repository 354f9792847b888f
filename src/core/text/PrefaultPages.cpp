#include "text/PrefaultPages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace kesto {

namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

// The page-aligned addresses are computed as numbers, as madvise wants them.
void Advise(std::uintptr_t first, std::uintptr_t last, int advice) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, advice);
}

}  // namespace

void PrefaultPages(char* block, std::size_t size) {
    static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + page - 1) / page * page;
    const std::uintptr_t last = (start + size) / page * page;
#ifdef MADV_HUGEPAGE
    // Where the kernel gives huge pages only to those who ask, a large block asks: its 2 MiB
    // stretches then cost one fault and one translation each instead of 512.
    Advise((first + kHugePage - 1) / kHugePage * kHugePage, last / kHugePage * kHugePage,
           MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
    Advise(first, last, MADV_POPULATE_WRITE);
#endif
}

}  // namespace kesto
