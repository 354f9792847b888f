#include "text/PrefaultPages.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>

namespace kesto {
namespace {

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

constexpr std::size_t kSize = 4 << 20;

char* FreshBlock() {
    void* mapped =
        ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return mapped == MAP_FAILED ? nullptr : static_cast<char*>(mapped);
}

// The faults of filling `block` whole.
long FaultsOfFilling(char* block) {
    const long before = MinorFaults();
    std::memset(block, 'x', kSize);
    return MinorFaults() - before;
}

// A block that is asked for in one call is filled with far fewer faults than one that is
// not (a sanitizer's own bookkeeping faults alike in both), and keeps what is written to it.
TEST(PrefaultPagesTest, AFreshBlockIsFilledWithoutAFaultPerPage) {
    char* plain = FreshBlock();
    char* asked = FreshBlock();
    ASSERT_TRUE(plain && asked);
#ifdef MADV_POPULATE_WRITE
    // Kernels before 5.14 take the hint as unknown; the pages then come one fault at a time.
    const bool supported = ::madvise(plain, 4096, MADV_POPULATE_WRITE) == 0 || errno != EINVAL;
#else
    const bool supported = false;
#endif
    if (!supported) {
        ::munmap(plain, kSize);
        ::munmap(asked, kSize);
        GTEST_SKIP() << "the kernel cannot populate pages on request";
    }
    // An unaligned start and end: only whole pages inside the block are asked for.
    PrefaultPages(asked + 100, kSize - 200);
    const long plainFaults = FaultsOfFilling(plain);
    const long askedFaults = FaultsOfFilling(asked);
    EXPECT_LT(askedFaults * 4, plainFaults) << askedFaults << " against " << plainFaults;
    EXPECT_EQ(asked[0], 'x');
    EXPECT_EQ(asked[kSize - 1], 'x');
    ::munmap(plain, kSize);
    ::munmap(asked, kSize);
}

}  // namespace
}  // namespace kesto
