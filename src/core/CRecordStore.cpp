#include "core/CRecordStore.h"

#include "core/CLargeBlockAllocator.h"

#include <algorithm>

namespace {

constexpr std::size_t kFirstChunk = std::size_t{16} << 10;
constexpr std::size_t kLargestChunk = std::size_t{4} << 20;

} // namespace

char* CRecordStore::Reserve(std::size_t size) {
    if (!chunks.empty() && chunks.back().size - used >= size) return chunks.back().data + used;
    const std::size_t grown = chunks.empty() ? kFirstChunk : std::min(chunks.back().size * 2, kLargestChunk);
    const std::size_t chunkSize = std::max(grown, size);
    chunks.reserve(chunks.size() + 1);
    chunks.push_back({CLargeBlockAllocator<char>().allocate(chunkSize), chunkSize});
    used = 0;
    return chunks.back().data;
}

void CRecordStore::Commit(std::size_t size) {
    starts.push_back(chunks.back().data + used);
    used += size;
}

void CRecordStore::Clear() {
    for (const CChunk& chunk : chunks)
        CLargeBlockAllocator<char>().deallocate(chunk.data, chunk.size);
    chunks.clear();
    chunks.shrink_to_fit();
    starts.clear();
    starts.shrink_to_fit();
    used = 0;
}
