#pragma once

#include "core/CLargeBlockAllocator.h"

#include <cstddef>
#include <cstdint>
#include <future>
#include <utility>
#include <vector>

// The bytes of packed records, in chunks that never move once written, and where each record
// starts. Chunks grow from small to a few megabytes, so a short list stays small and a long one
// comes in whole huge pages. Moved, not copied: records refer into its chunks.
class CRecordStore {
public:
    CRecordStore() = default;
    CRecordStore(CRecordStore&& other) noexcept { *this = std::move(other); }
    CRecordStore& operator=(CRecordStore&& other) noexcept {
        if (this != &other) {
            Clear();
            chunks.swap(other.chunks);
            starts.swap(other.starts);
            std::swap(used, other.used);
            std::swap(next, other.next);
        }
        return *this;
    }
    ~CRecordStore() { Clear(); }

    // Room for a record of at most size bytes, which Commit then takes with the bytes it used.
    char* Reserve(std::size_t size);
    void Commit(std::size_t used);
    const char* At(std::size_t i) const { return starts[i]; }
    std::size_t Count() const { return starts.size(); }
    void Clear();

    // Unsigned integers in 7-bit groups, low first: most numbers of a record take one to three bytes.
    static char* PutVarint(char* out, std::uint64_t value) {
        for (; value >= 0x80; value >>= 7)
            *out++ = static_cast<char>(value | 0x80);
        *out++ = static_cast<char>(value);
        return out;
    }
    static const char* GetVarint(const char* in, std::uint64_t& value) {
        value = 0;
        for (int shift = 0;; shift += 7) {
            const auto byte = static_cast<unsigned char>(*in++);
            value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
            if (byte < 0x80) return in;
        }
    }

private:
    struct CChunk {
        char* data;
        std::size_t size;
    };
    char* NewChunk(std::size_t size);
    void PrepareNext();
    void DropNext();

    std::vector<CChunk> chunks;
    std::size_t used = 0; // bytes of the last chunk taken
    std::vector<const char*, CLargeBlockAllocator<const char*>> starts;
    std::future<char*> next; // a chunk of the largest size, made ready on another thread
};
