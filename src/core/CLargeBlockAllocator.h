#pragma once

#include <cstddef>
#include <new>
#include <sys/mman.h>

// Allocator for the record lists: blocks of many megabytes come straight from the kernel with
// transparent huge pages requested, because touching a million records page by page costs more
// than reading them on machines where a page fault is expensive. Small blocks use operator new.
template <class T> class CLargeBlockAllocator {
public:
    using value_type = T;

    CLargeBlockAllocator() = default;
    template <class U> CLargeBlockAllocator(const CLargeBlockAllocator<U>&) {}

    T* allocate(std::size_t n) {
        std::size_t bytes = n * sizeof(T);
        if (n > kMaxCount) throw std::bad_array_new_length();
        if (bytes < kLargeBlock) return static_cast<T*>(::operator new(bytes));
        void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED) throw std::bad_alloc();
        madvise(block, bytes, MADV_HUGEPAGE); // a hint only: without huge pages the block still works
        return static_cast<T*>(block);
    }
    void deallocate(T* p, std::size_t n) {
        std::size_t bytes = n * sizeof(T);
        if (bytes < kLargeBlock)
            ::operator delete(p);
        else
            munmap(p, bytes);
    }

    template <class U> bool operator==(const CLargeBlockAllocator<U>&) const { return true; }

private:
    static constexpr std::size_t kLargeBlock = std::size_t{4} << 20;
    static constexpr std::size_t kMaxCount = static_cast<std::size_t>(-1) / sizeof(T);
};
