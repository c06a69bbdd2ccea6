#pragma once

#include <cstddef>
#include <new>

namespace largePages
{
// AddressSanitizer watches the heap only: under it every array comes from the heap,
// so that running past one is reported.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool mapped = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool mapped = false;
#else
constexpr bool mapped = true;
#endif
#else
constexpr bool mapped = true;
#endif
constexpr std::size_t threshold = std::size_t(256) << 10;
// Whether an array of that many bytes is mapped on its own rather than taken from the heap.
constexpr bool isMapped(std::size_t bytes)
{
    return mapped && bytes >= threshold;
}
// A 2 MB aligned mapping of at least that many bytes; throws std::bad_alloc.
void* map(std::size_t bytes);
void unmap(void* pointer, std::size_t bytes) noexcept;
} // namespace largePages

// Memory for the loader's big arrays. Touching a fresh page costs a fault into the
// kernel, and on virtual machines that is dear; arrays of 256 KB or more are
// therefore mapped on their own, aligned to 2 MB and advised for transparent huge
// pages, so that one fault maps 2 MB instead of 4 KB. Smaller arrays use the heap.
template <class T>
class LargePageAllocator
{
public:
    using value_type = T;

    LargePageAllocator() = default;
    template <class U>
    LargePageAllocator(const LargePageAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        const std::size_t bytes = count * sizeof(T);
        return static_cast<T*>(largePages::isMapped(bytes) ? largePages::map(bytes) : ::operator new(bytes));
    }

    void deallocate(T* pointer, std::size_t count) noexcept
    {
        const std::size_t bytes = count * sizeof(T);
        if (largePages::isMapped(bytes))
            largePages::unmap(pointer, bytes);
        else
            ::operator delete(pointer);
    }

    template <class U>
    bool operator==(const LargePageAllocator<U>&) const noexcept
    {
        return true;
    }
    template <class U>
    bool operator!=(const LargePageAllocator<U>&) const noexcept
    {
        return false;
    }
};
