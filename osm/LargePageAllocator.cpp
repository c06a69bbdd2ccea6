#include "osm/LargePageAllocator.h"

#include <sys/mman.h>

#include <cstdint>

namespace
{
constexpr std::size_t hugePage = std::size_t(2) << 20;

std::size_t roundedUp(std::size_t bytes)
{
    return (bytes + hugePage - 1) / hugePage * hugePage;
}
} // namespace

namespace largePages
{
void* map(std::size_t bytes)
{
    if (bytes > SIZE_MAX - 2 * hugePage)
        throw std::bad_alloc();
    const std::size_t size = roundedUp(bytes);
    // Map one huge page more than needed and give back what lies outside the aligned part.
    void* mapped = mmap(nullptr, size + hugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    auto* first = static_cast<char*>(mapped);
    auto* aligned = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(first) + hugePage - 1) & ~(hugePage - 1));
    if (aligned > first)
        munmap(first, static_cast<std::size_t>(aligned - first));
    munmap(aligned + size, static_cast<std::size_t>(first + size + hugePage - (aligned + size)));
    // Only advice: without huge pages the memory works the same, with more faults.
    madvise(aligned, size, MADV_HUGEPAGE);
    return aligned;
}

void unmap(void* pointer, std::size_t bytes) noexcept
{
    munmap(pointer, roundedUp(bytes));
}
} // namespace largePages
