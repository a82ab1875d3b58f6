#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <sys/mman.h>

// Allocator for the record lists: blocks of many megabytes come straight from the kernel with
// transparent huge pages requested, because touching a million records page by page costs more
// than reading them on machines where a page fault is expensive. Such a block starts on a huge-page
// boundary and fills whole huge pages: an unaligned block would leave a megabyte or two at each end
// in small pages. Small blocks use operator new.
// The same for a buffer that came from elsewhere (a string reserved for a whole file): the huge pages
// that fit wholly inside it are asked for before it is touched.
inline void AdviseHugePages(void* data, std::size_t size) {
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) / kHuge * kHuge;
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) / kHuge * kHuge;
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE); // a hint only
}

template <class T> class CLargeBlockAllocator {
public:
    using value_type = T;

    CLargeBlockAllocator() = default;
    template <class U> CLargeBlockAllocator(const CLargeBlockAllocator<U>&) {}

    T* allocate(std::size_t n) {
        if (n > kMaxCount) throw std::bad_array_new_length();
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kLargeBlock) return static_cast<T*>(::operator new(bytes));
        const std::size_t length = Length(bytes);
        // Room for the block and one huge page more, of which the unaligned ends go back.
        char* raw = static_cast<char*>(
            mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        if (raw == MAP_FAILED) throw std::bad_alloc();
        const std::size_t head = (kHugePage - reinterpret_cast<std::uintptr_t>(raw) % kHugePage) % kHugePage;
        if (head > 0) munmap(raw, head);
        munmap(raw + head + length, kHugePage - head);
        char* block = raw + head;
        madvise(block, length, MADV_HUGEPAGE); // a hint only: without huge pages the block still works
        return reinterpret_cast<T*>(block);
    }
    void deallocate(T* p, std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kLargeBlock)
            ::operator delete(p);
        else
            munmap(p, Length(bytes));
    }

    template <class U> bool operator==(const CLargeBlockAllocator<U>&) const { return true; }

private:
    static constexpr std::size_t kLargeBlock = std::size_t{4} << 20;
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;
    static constexpr std::size_t kMaxCount = (static_cast<std::size_t>(-1) / 2) / sizeof(T);

    static std::size_t Length(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }
};
