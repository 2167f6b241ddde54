#pragma once
// An allocator for the detection's large working arrays (tens of megabytes on large
// images, allocated once per analysis): big blocks are mapped directly and marked for
// transparent huge pages, so that touching them costs a few faults of 2 MB instead of
// thousands of 4 KB ones. Small blocks come from the ordinary heap.
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

template <typename T>
class THugeAllocator {
public:
    using value_type = T;

    THugeAllocator() = default;
    template <typename U>
    THugeAllocator(const THugeAllocator<U>&) {}

    T* allocate(std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
#if defined(__linux__)
        if (bytes >= Threshold) {
            // Mapped memory arrives zero-filled and page-aligned; the huge-page hint
            // applies to its 2 MB-aligned part.
            void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p == MAP_FAILED) throw std::bad_alloc();
            madvise(p, bytes, MADV_HUGEPAGE);
            return static_cast<T*>(p);
        }
#endif
        return static_cast<T*>(::operator new(bytes));
    }

    void deallocate(T* p, std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
#if defined(__linux__)
        if (bytes >= Threshold) {
            munmap(p, bytes);
            return;
        }
#endif
        ::operator delete(p);
    }

    template <typename U>
    bool operator==(const THugeAllocator<U>&) const {
        return true;
    }

private:
    static constexpr std::size_t Threshold = std::size_t{4} << 20;
};

template <typename T>
using TBigVector = std::vector<T, THugeAllocator<T>>;
